#include "option_list.h"

#include "client_array.h"

namespace {

// The whole number a script's element holds (scripts make small numbers 16-bit);
// E_INVALIDARG for anything else.
HRESULT ScriptNumber(const VARIANT& element, LONG* value) {
    const bool byReference = (element.vt & VT_BYREF) != 0 && element.byref != nullptr;
    switch (element.vt & ~VT_BYREF) {
    case VT_I4:
        *value = byReference ? *element.plVal : element.lVal;
        return S_OK;
    case VT_I2:
        *value = byReference ? *element.piVal : element.iVal;
        return S_OK;
    case VT_UI1:
        *value = byReference ? *element.pbVal : element.bVal;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

} // namespace

HRESULT OptionList::Load(const VARIANT& options, ListArrays accepted) {
    values_.Clear();
    // Read in place, as the file names are (see FileNameList).
    bool script = false;
    SAFEARRAY* array = ListArray(options, VT_I4, accepted, &script);
    HRESULT hr = S_OK;
    if (!script) {
        SafeArrayAccess<LONG> values;
        ULONG count = 0;
        hr = OpenClientArray(array, VT_I4, &values, &count);
        if (FAILED(hr)) return hr;
        hr = values_.Reserve(count);
        for (ULONG i = 0; i < count && SUCCEEDED(hr); ++i) {
            hr = values_.Append(values[i]);
        }
    } else {
        SafeArrayAccess<VARIANT> elements;
        ULONG count = 0;
        hr = OpenClientArray(array, VT_VARIANT, &elements, &count);
        if (FAILED(hr)) return hr;
        hr = values_.Reserve(count);
        for (ULONG i = 0; i < count && SUCCEEDED(hr); ++i) {
            LONG value = 0;
            hr = ScriptNumber(elements[i], &value);
            if (SUCCEEDED(hr)) {
                hr = values_.Append(value);
            }
        }
    }
    if (FAILED(hr)) {
        values_.Clear();
    }
    return hr;
}
