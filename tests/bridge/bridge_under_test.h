// A bridge object that a test constructs directly: one of the bridge's faces with the least
// IUnknown and IDispatch that let it live on its own, outside the server.
#pragma once

#include "com_ptr.h"
#include "counted_wrapper.h"
#include "plimo_wrapper.h"
#include "scoped_resource.h"

template <class Face> class FaceUnderTest : public CountedWrapper<Face> {
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

// IPlimoWrapper's face, and the whole interface's.
using BridgeUnderTest = FaceUnderTest<CPlimoWrapper>;
using WholeBridgeUnderTest = FaceUnderTest<CPlimoWrapper2>;

// Holds the one reference a new one starts with.
using BridgePtr = ComPtr<BridgeUnderTest>;
using WholeBridgePtr = ComPtr<WholeBridgeUnderTest>;
inline BridgePtr MakeBridge() {
    return BridgePtr(new BridgeUnderTest);
}
inline WholeBridgePtr MakeWholeBridge() {
    return WholeBridgePtr(new WholeBridgeUnderTest);
}
