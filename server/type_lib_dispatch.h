// TypeLibDispatch: the IDispatch half of a dual interface, served from the registered type
// library.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "type_info_holder.h"

// Supplies the four IDispatch methods of T's dual interface (the one identified by piid, from
// which T derives). Every late-bound call runs the same method as the early-bound call: the
// type information calls it through the object's own interface table. All objects of T share
// one holder for the whole process.
template <class T, const IID* piid, const GUID* plibid, WORD major, WORD minor>
class TypeLibDispatch : public T {
public:
    using T::T;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return typeInfoHolder_.GetTypeInfo(index, locale, info);
    }
    // The interface identifier is not examined.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return typeInfoHolder_.GetIDsOfNames(names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        // The dual interface's IDispatch base shares its address and table.
        return typeInfoHolder_.Invoke(static_cast<IDispatch*>(this), member, locale, flags,
                                      parameters, result, exception, argumentError);
    }

private:
    // Constant-initialised, so it is usable however early an object of T is made; released when
    // the process ends.
    static TypeInfoHolder typeInfoHolder_;
};

template <class T, const IID* piid, const GUID* plibid, WORD major, WORD minor>
TypeInfoHolder TypeLibDispatch<T, piid, plibid, major, minor>::typeInfoHolder_{piid, plibid, major,
                                                                               minor};
