// The IDispatch half of a dual interface, served from the registered type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

// Supplies the four IDispatch methods of T's interface (T derives from the dual interface).
// Late binding is not served yet: the object reports no type information.
template <class T, const IID* piid, const GUID* plibid, WORD major, WORD minor, class Holder>
class IDispatchImpl : public T {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
};

// The process-wide type information of one interface (filled in with late binding).
class CComTypeInfoHolder {};
