#include "returned_arrays.h"

#include "scoped_resource.h"
#include "wide_text.h"

namespace {

// Makes an array of `count` elements of `type` and fills element i with fill(data, i); on
// success it replaces *target.
template <typename Element, typename Fill>
HRESULT Return(VARTYPE type, size_t count, Fill fill, VARIANT* target) {
    ScopedSafeArray array(::SafeArrayCreateVector(type, 0, static_cast<ULONG>(count)));
    if (!array) {
        return E_OUTOFMEMORY;
    }
    Element* data = nullptr;
    HRESULT hr = ::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data));
    if (FAILED(hr)) {
        return hr;
    }
    {
        ScopedSafeArrayAccess access(array.get());
        for (size_t i = 0; i < count; ++i) {
            hr = fill(data, i);
            if (FAILED(hr)) {
                return hr; // the array frees what was filled
            }
        }
    }
    ::VariantClear(target);
    target->vt = VT_ARRAY | type;
    target->parray = array.release();
    return S_OK;
}

} // namespace

HRESULT ReturnTexts(const std::vector<std::string>& texts, VARIANT* target) {
    return Return<BSTR>(
        VT_BSTR, texts.size(),
        [&](BSTR* data, size_t i) {
            WideText wide = NarrowToWide(texts[i].c_str());
            data[i] = ::SysAllocString(wide ? wide.get() : L"");
            return data[i] != nullptr ? S_OK : E_OUTOFMEMORY;
        },
        target);
}

HRESULT ReturnLongs(const std::vector<LONG>& values, VARIANT* target) {
    return Return<LONG>(
        VT_I4, values.size(),
        [&](LONG* data, size_t i) {
            data[i] = values[i];
            return S_OK;
        },
        target);
}

HRESULT ReturnFlags(const std::vector<bool>& flags, VARIANT* target) {
    return Return<VARIANT_BOOL>(
        VT_BOOL, flags.size(),
        [&](VARIANT_BOOL* data, size_t i) {
            data[i] = flags[i] ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        },
        target);
}
