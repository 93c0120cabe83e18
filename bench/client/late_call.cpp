#include "late_call.h"

#include <algorithm>

LateArguments::LateArguments(std::initializer_list<VARIANT> arguments)
    : reversed_(arguments.begin(), arguments.end()) {
    std::reverse(reversed_.begin(), reversed_.end());
    parameters_.rgvarg = reversed_.empty() ? nullptr : reversed_.data();
    parameters_.cArgs = static_cast<UINT>(reversed_.size());
}

DISPID DispatchIdOf(IDispatch* dispatch, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return DISPID_UNKNOWN;
    }
    return id;
}

HRESULT InvokeMethod(IDispatch* dispatch, DISPID member, LateArguments& arguments, VARIANT* result,
                     SCODE* exceptionCode) {
    ::VariantClear(result);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                        arguments.Parameters(), result, &exception, &argumentError);
    if (exceptionCode != nullptr) {
        *exceptionCode = exception.scode != 0 ? exception.scode : exception.wCode;
    }
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return hr;
}

namespace {

VARIANT Typed(VARTYPE type) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = type;
    return value;
}

} // namespace

VARIANT LongValue(LONG value) {
    VARIANT v = Typed(VT_I4);
    v.lVal = value;
    return v;
}

VARIANT BoolValue(VARIANT_BOOL value) {
    VARIANT v = Typed(VT_BOOL);
    v.boolVal = value;
    return v;
}

VARIANT StringValue(BSTR value) {
    VARIANT v = Typed(VT_BSTR);
    v.bstrVal = value;
    return v;
}

VARIANT LongReference(LONG* target) {
    VARIANT v = Typed(VT_BYREF | VT_I4);
    v.plVal = target;
    return v;
}

VARIANT BoolReference(VARIANT_BOOL* target) {
    VARIANT v = Typed(VT_BYREF | VT_BOOL);
    v.pboolVal = target;
    return v;
}

VARIANT StringReference(BSTR* target) {
    VARIANT v = Typed(VT_BYREF | VT_BSTR);
    v.pbstrVal = target;
    return v;
}

VARIANT VariantReference(VARIANT* target) {
    VARIANT v = Typed(VT_BYREF | VT_VARIANT);
    v.pvarVal = target;
    return v;
}
