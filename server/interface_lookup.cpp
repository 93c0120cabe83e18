#include "interface_lookup.h"

HRESULT LookupInterface(void* object, const InterfaceEntry* table, REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    const InterfaceEntry* match = nullptr;
    if (::IsEqualIID(riid, IID_IUnknown)) {
        match = table;
    } else {
        for (const InterfaceEntry* entry = table; entry->iid != nullptr; ++entry) {
            if (::IsEqualIID(riid, *entry->iid)) {
                match = entry;
                break;
            }
        }
    }
    if (match == nullptr || match->iid == nullptr) {
        return E_NOINTERFACE;
    }
    auto* itf = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + match->offset);
    itf->AddRef();
    *ppv = itf;
    return S_OK;
}
