#include "host_text.h"

#include <cstring>

#include "safe_array_access.h"

namespace {

// The elements of a one-dimensional array, after its shape is checked.
HRESULT ElementCount(SAFEARRAY* array, ULONG* count) {
    LONG lower = 0, upper = -1;
    if (array == nullptr || ::SafeArrayGetDim(array) != 1 ||
        FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper))) {
        return E_UNEXPECTED;
    }
    *count = static_cast<ULONG>(upper - lower + 1);
    return S_OK;
}

LONG NumberOf(const VARIANT& element, bool* ok) {
    *ok = true;
    if (element.vt == VT_I4) return element.lVal;
    if (element.vt == VT_BOOL) return element.boolVal != VARIANT_FALSE ? 1 : 0;
    *ok = false;
    return 0;
}

} // namespace

std::string NarrowText(const wchar_t* text, size_t length) {
    if (text == nullptr || length == 0) {
        return std::string();
    }
    const int wide = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, text, wide, &narrow[0], bytes, nullptr, nullptr);
    }
    return narrow;
}

HRESULT BstrFromHost(const char* text, size_t limit, bool keepNull, ScopedBstr* out) {
    if (text == nullptr) {
        out->reset(keepNull ? nullptr : ::SysAllocString(L""));
        return keepNull || *out ? S_OK : E_OUTOFMEMORY;
    }
    size_t length = 0;
    while (length < limit && text[length] != '\0') {
        ++length;
    }
    const int bytes = static_cast<int>(length);
    const int wide = bytes > 0 ? ::MultiByteToWideChar(CP_ACP, 0, text, bytes, nullptr, 0) : 0;
    out->reset(::SysAllocStringLen(nullptr, static_cast<UINT>(wide)));
    if (!*out) {
        return E_OUTOFMEMORY;
    }
    if (wide > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, text, bytes, out->get(), wide);
    }
    return S_OK;
}

void CopyToHost(BSTR text, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return;
    }
    const std::string narrow = NarrowText(text, text != nullptr ? ::SysStringLen(text) : 0);
    size_t length = 0;
    // Whole characters only: a lead byte is copied only with the byte that follows it.
    while (length < narrow.size() && narrow[length] != '\0') {
        const size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(narrow[length])) ? 2 : 1;
        if (length + step > size - 1) {
            break;
        }
        length += step;
    }
    std::memcpy(buffer, narrow.data(), length);
    buffer[length] = '\0';
}

HRESULT NameArray(LONG count, const char* const* names, ScopedSafeArray* out) {
    if (count < 0 || count > kMaxHostNames || (count > 0 && names == nullptr)) {
        return E_POINTER;
    }
    out->reset(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(count)));
    if (!*out) {
        return E_OUTOFMEMORY;
    }
    SafeArrayAccess<BSTR> elements;
    HRESULT hr = elements.Open(out->get());
    if (FAILED(hr)) return hr;
    for (LONG i = 0; i < count; ++i) {
        ScopedBstr name;
        hr = BstrFromHost(names[i], SIZE_MAX, false, &name);
        if (FAILED(hr)) return hr;
        elements[i] = name.release(); // the array owns it now
    }
    return S_OK;
}

HRESULT NumberArray(LONG count, const LONG* numbers, ScopedSafeArray* out) {
    if (count < 0 || count > kMaxHostNames) {
        return E_POINTER;
    }
    out->reset(::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(count)));
    if (!*out) {
        return E_OUTOFMEMORY;
    }
    SafeArrayAccess<LONG> elements;
    HRESULT hr = elements.Open(out->get());
    if (FAILED(hr)) return hr;
    for (LONG i = 0; i < count; ++i) {
        elements[i] = numbers != nullptr ? numbers[i] : 0;
    }
    return S_OK;
}

HRESULT ReadNumbers(const VARIANT& value, std::vector<LONG>* numbers) {
    numbers->clear();
    ULONG count = 0;
    if (value.vt != (VT_ARRAY | VT_I4) && value.vt != (VT_ARRAY | VT_VARIANT)) {
        return E_UNEXPECTED;
    }
    HRESULT hr = ElementCount(value.parray, &count);
    if (FAILED(hr)) return hr;
    if (value.vt == (VT_ARRAY | VT_I4)) {
        SafeArrayAccess<LONG> elements;
        hr = elements.Open(value.parray);
        if (FAILED(hr)) return hr;
        numbers->assign(elements.data(), elements.data() + count);
        return S_OK;
    }
    SafeArrayAccess<VARIANT> elements;
    hr = elements.Open(value.parray);
    if (FAILED(hr)) return hr;
    for (ULONG i = 0; i < count; ++i) {
        bool ok = false;
        numbers->push_back(NumberOf(elements[i], &ok));
        if (!ok) {
            return E_UNEXPECTED;
        }
    }
    return S_OK;
}

HRESULT ReadTexts(const VARIANT& value, std::vector<std::string>* texts) {
    texts->clear();
    ULONG count = 0;
    if (value.vt != (VT_ARRAY | VT_BSTR) && value.vt != (VT_ARRAY | VT_VARIANT)) {
        return E_UNEXPECTED;
    }
    HRESULT hr = ElementCount(value.parray, &count);
    if (FAILED(hr)) return hr;
    if (value.vt == (VT_ARRAY | VT_BSTR)) {
        SafeArrayAccess<BSTR> elements;
        hr = elements.Open(value.parray);
        if (FAILED(hr)) return hr;
        for (ULONG i = 0; i < count; ++i) {
            BSTR text = elements[i];
            texts->push_back(NarrowText(text, text != nullptr ? ::SysStringLen(text) : 0));
        }
        return S_OK;
    }
    SafeArrayAccess<VARIANT> elements;
    hr = elements.Open(value.parray);
    if (FAILED(hr)) return hr;
    for (ULONG i = 0; i < count; ++i) {
        const VARIANT& element = elements[i];
        if (element.vt != VT_BSTR) {
            return E_UNEXPECTED;
        }
        texts->push_back(
            NarrowText(element.bstrVal, element.bstrVal ? ::SysStringLen(element.bstrVal) : 0));
    }
    return S_OK;
}
