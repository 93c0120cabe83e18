#include "name_arrays.h"

#include <cwchar>

namespace {

void FormatName(LONG index, wchar_t* buffer, size_t size) {
    std::swprintf(buffer, size, L"C:\\work\\project\\src\\module_%03ld\\file_%05ld.cpp",
                  static_cast<long>(index / 100), static_cast<long>(index));
}

} // namespace

ScopedSafeArray FileNames(LONG count, LONG lowerBound) {
    ScopedSafeArray array(::SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(count)));
    if (!array) {
        return array;
    }
    BSTR* names = nullptr;
    if (FAILED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&names)))) {
        return ScopedSafeArray();
    }
    ScopedSafeArrayAccess access(array.get());
    for (LONG i = 0; i < count; ++i) {
        wchar_t name[64];
        FormatName(i, name, sizeof name / sizeof name[0]);
        names[i] = ::SysAllocString(name); // the array owns its elements
    }
    return array;
}

ScopedSafeArray FileNamesAsVariants(LONG count) {
    ScopedSafeArray array(::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(count)));
    if (!array) {
        return array;
    }
    VARIANT* names = nullptr;
    if (FAILED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&names)))) {
        return ScopedSafeArray();
    }
    ScopedSafeArrayAccess access(array.get());
    for (LONG i = 0; i < count; ++i) {
        wchar_t name[64];
        FormatName(i, name, sizeof name / sizeof name[0]);
        names[i].vt = VT_BSTR;
        names[i].bstrVal = ::SysAllocString(name);
    }
    return array;
}

ScopedSafeArray OptionWords(LONG count) {
    ScopedSafeArray array(::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(count)));
    if (!array) {
        return array;
    }
    LONG* words = nullptr;
    if (FAILED(::SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&words)))) {
        return ScopedSafeArray();
    }
    ScopedSafeArrayAccess access(array.get());
    for (LONG i = 0; i < count; ++i) {
        words[i] = i % 4;
    }
    return array;
}

VARIANT ArrayView(SAFEARRAY* array, VARTYPE type) {
    VARIANT view;
    ::VariantInit(&view);
    view.vt = static_cast<VARTYPE>(VT_ARRAY | type);
    view.parray = array;
    return view;
}

LONG FileNameLength(LONG index) {
    wchar_t name[64];
    FormatName(index, name, sizeof name / sizeof name[0]);
    return static_cast<LONG>(std::wcslen(name));
}
