#include "safe_array_access.h"
#include "returned_lists.h"

#include "scoped_resource.h"

namespace {

template <typename T, typename Read>
HRESULT ReadList(const VARIANT& list, VARTYPE type, Read read, std::vector<T>* values) {
    values->clear();
    LONG lower = 0, upper = -1;
    if (list.vt != (VT_ARRAY | VT_VARIANT) || list.parray == nullptr ||
        ::SafeArrayGetDim(list.parray) != 1 ||
        FAILED(::SafeArrayGetLBound(list.parray, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(list.parray, 1, &upper)) || lower != 0) {
        return E_UNEXPECTED;
    }
    SafeArrayAccess<VARIANT> elements;
    HRESULT hr = elements.Open(list.parray);
    if (FAILED(hr)) return hr;
    const size_t count = static_cast<size_t>(upper - lower + 1);
    for (size_t i = 0; i < count; ++i) {
        if (elements[i].vt != type) {
            values->clear();
            return E_UNEXPECTED;
        }
        values->push_back(read(elements[i]));
    }
    return S_OK;
}

} // namespace

HRESULT ReadTexts(const VARIANT& list, std::vector<std::wstring>* values) {
    return ReadList(
        list, VT_BSTR,
        [](const VARIANT& v) {
            return v.bstrVal != nullptr ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal))
                                        : std::wstring();
        },
        values);
}

HRESULT ReadLongs(const VARIANT& list, std::vector<LONG>* values) {
    return ReadList(
        list, VT_I4, [](const VARIANT& v) { return v.lVal; }, values);
}

HRESULT ReadFlags(const VARIANT& list, std::vector<bool>* values) {
    return ReadList(
        list, VT_BOOL, [](const VARIANT& v) { return v.boolVal != VARIANT_FALSE; }, values);
}
