// The bridge's faces as the server makes them: each with its reference count, class identity and
// IDispatch half. Objects are made as ComObject<ServedPlimoWrapper> by CreatePlimoWrapper.
#pragma once

#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper2.h"
#include "object_root.h"
#include "type_lib_dispatch.h"
#include "interface_lookup.h"
#include "plimo_wrapper.h"

class ServedPlimoWrapper
    : public TypeLibDispatch<CPlimoWrapper, &IID_IPlimoWrapper, &LIBID_PlimoCOMWrapperLib, 1, 0>,
      public ObjectRoot {
public:
    // IPlimoWrapper, then IDispatch, both at the same address; IUnknown is the first.
    static const InterfaceEntry* InterfaceTable();

    // The bridge's part of the final release: the provider library is freed, no entry called.
    void FinalRelease() { ReleaseProvider(); }
};

// The whole provider interface, IPlimoWrapper2 (and IPlimoWrapper, its base), described by the
// second type library.
class ServedPlimoWrapper2
    : public TypeLibDispatch<CPlimoWrapper2, &IID_IPlimoWrapper2, &LIBID_PlimoCOMWrapper2Lib, 1, 0>,
      public ObjectRoot {
public:
    // IPlimoWrapper2, IPlimoWrapper and IDispatch, all at the same address.
    static const InterfaceEntry* InterfaceTable();

    void FinalRelease() { ReleaseProvider(); }
};

// The instance creators of the class table. Aggregation is refused (CLASS_E_NOAGGREGATION,
// whatever is asked); E_POINTER for a null ppv; E_OUTOFMEMORY; a failed lookup destroys the new
// object again, which drops its server lock.
HRESULT CreatePlimoWrapper(void* outer, REFIID riid, void** ppv);
HRESULT CreatePlimoWrapper2(void* outer, REFIID riid, void** ppv);
