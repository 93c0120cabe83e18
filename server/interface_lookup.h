// QueryInterface over a class's table of (interface identifier, offset) pairs.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <cstdint>

// One answered interface: its identifier and where it lies within the object. A table ends
// with an entry whose identifier is null. IUnknown is always answered by the first entry.
struct InterfaceEntry {
    const IID* iid;
    std::ptrdiff_t offset;
};

// Sets *ppv to null first; then finds riid in `table` (IUnknown: the first entry), AddRefs the
// interface and stores it. E_POINTER for a null ppv, E_NOINTERFACE when riid is not answered.
HRESULT LookupInterface(void* object, const InterfaceEntry* table, REFIID riid, void** ppv);

// Where the base class `Base` lies within `Derived`, for interface tables. Computed from a
// non-null probe address, as a base conversion of a null pointer would stay null.
template <class Derived, class Base> std::ptrdiff_t OffsetOfBase() {
    constexpr std::uintptr_t probe = 0x1000;
    auto* derived = reinterpret_cast<Derived*>(probe);
    return reinterpret_cast<std::uintptr_t>(static_cast<Base*>(derived)) - probe;
}
