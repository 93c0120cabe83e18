// A bridge object that a test constructs directly: CPlimoWrapper with the least IUnknown and
// IDispatch that let it live on its own, outside the server.
#pragma once

#include "plimo_wrapper.h"
#include "scoped_resource.h"

class BridgeUnderTest : public CPlimoWrapper {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IPlimoWrapper) {
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IPlimoWrapper*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG refs = ::InterlockedDecrement(&refs_);
        if (refs == 0) {
            delete this;
        }
        return static_cast<ULONG>(refs);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

private:
    LONG refs_ = 1;
};

// Holds the one reference a new BridgeUnderTest starts with.
using BridgePtr = ScopedInterface<BridgeUnderTest>;
inline BridgePtr MakeBridge() {
    return BridgePtr(new BridgeUnderTest);
}
