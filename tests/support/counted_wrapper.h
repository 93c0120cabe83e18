// IUnknown for an IPlimoWrapper object that lives outside the server, as the bridge's tests and
// the bench's baseline server make them: it answers IUnknown, IDispatch and IPlimoWrapper, and
// its last release deletes it.
#pragma once

#include <windows.h>

#include "PlimoCOMWrapper.h"

// Base is IPlimoWrapper or a class derived from it. A new object holds one reference, which its
// creator owns.
template <class Base> class CountedWrapper : public Base {
public:
    virtual ~CountedWrapper() = default;

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
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(::InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = ::InterlockedDecrement(&refs_);
        if (refs == 0) {
            delete this;
        }
        return static_cast<ULONG>(refs);
    }

private:
    LONG refs_ = 1;
};
