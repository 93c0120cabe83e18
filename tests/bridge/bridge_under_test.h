// A bridge object that a test constructs directly: CPlimoWrapper with the least IUnknown and
// IDispatch that let it live on its own, outside the server.
#pragma once

#include "com_ptr.h"
#include "counted_wrapper.h"
#include "plimo_wrapper.h"
#include "scoped_resource.h"

class BridgeUnderTest : public CountedWrapper<CPlimoWrapper> {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
};

// Holds the one reference a new BridgeUnderTest starts with.
using BridgePtr = ComPtr<BridgeUnderTest>;
inline BridgePtr MakeBridge() {
    return BridgePtr(new BridgeUnderTest);
}
