#include "safe_array_access.h"
#include "returned_arrays.h"

#include "scoped_resource.h"
#include "wide_text.h"

namespace {

// Makes an array of `count` variants and fills element i with fill(element, i); on success it
// replaces *target.
template <typename Fill> HRESULT Return(size_t count, Fill fill, VARIANT* target) {
    ScopedSafeArray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count)));
    if (!array) {
        return E_OUTOFMEMORY;
    }
    {
        SafeArrayAccess<VARIANT> data;
        HRESULT hr = data.Open(array.get());
        if (FAILED(hr)) return hr;
        for (size_t i = 0; i < count; ++i) {
            hr = fill(&data[i], i);
            if (FAILED(hr)) return hr; // the array frees what was filled
        }
    }
    ::VariantClear(target);
    target->vt = VT_ARRAY | VT_VARIANT;
    target->parray = array.release();
    return S_OK;
}

} // namespace

HRESULT ReturnTexts(const std::vector<std::string>& texts, VARIANT* target) {
    return Return(
        texts.size(),
        [&](VARIANT* element, size_t i) {
            WideText wide = NarrowToWide(texts[i].c_str());
            element->bstrVal = ::SysAllocString(wide ? wide.get() : L"");
            if (element->bstrVal == nullptr) {
                return E_OUTOFMEMORY;
            }
            element->vt = VT_BSTR;
            return S_OK;
        },
        target);
}

HRESULT ReturnLongs(const std::vector<LONG>& values, VARIANT* target) {
    return Return(
        values.size(),
        [&](VARIANT* element, size_t i) {
            element->vt = VT_I4;
            element->lVal = values[i];
            return S_OK;
        },
        target);
}

HRESULT ReturnFlags(const std::vector<bool>& flags, VARIANT* target) {
    return Return(
        flags.size(),
        [&](VARIANT* element, size_t i) {
            element->vt = VT_BOOL;
            element->boolVal = flags[i] ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        },
        target);
}
