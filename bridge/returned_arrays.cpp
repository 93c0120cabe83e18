#include "returned_arrays.h"

#include "in_out_string.h"
#include "safe_array_access.h"
#include "scoped_resource.h"
#include "wide_text.h"

namespace {

// Makes an array of `count` variants and fills element i with fill(element, i).
template <typename Fill> HRESULT Make(size_t count, Fill fill, ScopedVariant* made) {
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
    VARIANT* value = made->put();
    value->vt = VT_ARRAY | VT_VARIANT;
    value->parray = array.release();
    return S_OK;
}

} // namespace

HRESULT MakeTexts(size_t count, const std::function<const char*(size_t)>& at, ScopedVariant* made) {
    return Make(
        count,
        [&](VARIANT* element, size_t i) {
            WideText wide = NarrowToWide(at(i));
            element->bstrVal = AllocateReturnedString(wide ? wide.get() : L"");
            if (element->bstrVal == nullptr) {
                return E_OUTOFMEMORY;
            }
            element->vt = VT_BSTR;
            return S_OK;
        },
        made);
}

HRESULT MakeLongs(size_t count, const std::function<LONG(size_t)>& at, ScopedVariant* made) {
    return Make(
        count,
        [&](VARIANT* element, size_t i) {
            element->vt = VT_I4;
            element->lVal = at(i);
            return S_OK;
        },
        made);
}

HRESULT MakeFlags(size_t count, const std::function<bool(size_t)>& at, ScopedVariant* made) {
    return Make(
        count,
        [&](VARIANT* element, size_t i) {
            element->vt = VT_BOOL;
            element->boolVal = at(i) ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        },
        made);
}

HRESULT MakeTexts(const std::vector<std::string>& texts, ScopedVariant* made) {
    return MakeTexts(
        texts.size(), [&](size_t i) { return texts[i].c_str(); }, made);
}

HRESULT MakeLongs(const std::vector<LONG>& values, ScopedVariant* made) {
    return MakeLongs(
        values.size(), [&](size_t i) { return values[i]; }, made);
}

HRESULT MakeFlags(const std::vector<bool>& flags, ScopedVariant* made) {
    return MakeFlags(
        flags.size(), [&](size_t i) { return static_cast<bool>(flags[i]); }, made);
}

void HandOver(ScopedVariant* made, VARIANT* target) {
    ::VariantClear(target);
    *target = made->release();
}
