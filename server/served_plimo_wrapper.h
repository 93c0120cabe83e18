// CPlimoWrapper as the server makes it: the bridge with its reference count, class identity and
// IDispatch half. Objects are made as CComObject<CServedPlimoWrapper> by CreatePlimoWrapper.
#pragma once

#include "PlimoCOMWrapper.h"
#include "com_co_class.h"
#include "com_object_root.h"
#include "dispatch_impl.h"
#include "interface_lookup.h"
#include "plimo_wrapper.h"

class CServedPlimoWrapper
    : public IDispatchImpl<CPlimoWrapper, &IID_IPlimoWrapper, &LIBID_PlimoCOMWrapperLib, 1, 0,
                           CComTypeInfoHolder>,
      public CComObjectRootEx<CComMultiThreadModel>,
      public CComCoClass<CServedPlimoWrapper, &CLSID_TovikPlimoWrapper> {
public:
    // IPlimoWrapper, then IDispatch, both at the same address; IUnknown is the first.
    static const InterfaceEntry* InterfaceTable();

    // The bridge's part of the final release: the provider library is freed, no entry called.
    void FinalRelease() { ReleaseProvider(); }
};

// The instance creator of the class table. Aggregation is refused (CLASS_E_NOAGGREGATION,
// whatever is asked); E_POINTER for a null ppv; E_OUTOFMEMORY; a failed lock or lookup destroys
// the new object again, which drops its server lock.
HRESULT CreatePlimoWrapper(void* outer, REFIID riid, void** ppv);
