// Safe arrays and VARIANTs in the shapes the file-list methods take, built for tests.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "scoped_resource.h"
#include "scoped_variant.h"

namespace test_arrays {

inline const wchar_t* Text(const wchar_t* name) {
    return name;
}
inline const wchar_t* Text(const std::wstring& name) {
    return name.c_str();
}

template <class Names> ScopedSafeArray BstrArrayOf(const Names& names, LONG lowerBound) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(names.size()), lowerBound};
    ScopedSafeArray array(::SafeArrayCreate(VT_BSTR, 1, &bound));
    LONG index = lowerBound;
    for (const auto& name : names) {
        const wchar_t* text = Text(name);
        ScopedBstr element(text != nullptr ? ::SysAllocString(text) : nullptr);
        ::SafeArrayPutElement(array.get(), &index, element.get()); // copies the string
        ++index;
    }
    return array;
}

} // namespace test_arrays

// A one-dimensional array of BSTR from `lowerBound`; a null name becomes a null element.
inline ScopedSafeArray BstrArray(std::initializer_list<const wchar_t*> names, LONG lowerBound = 0) {
    return test_arrays::BstrArrayOf(names, lowerBound);
}
inline ScopedSafeArray BstrArray(const std::vector<std::wstring>& names, LONG lowerBound = 0) {
    return test_arrays::BstrArrayOf(names, lowerBound);
}

// A one-dimensional array of LONG from `lowerBound`.
inline ScopedSafeArray LongArray(std::initializer_list<LONG> values, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(values.size()), lowerBound};
    ScopedSafeArray array(::SafeArrayCreate(VT_I4, 1, &bound));
    LONG index = lowerBound;
    for (LONG value : values) {
        ::SafeArrayPutElement(array.get(), &index, &value);
        ++index;
    }
    return array;
}

// A VARIANT of type `type` whose array pointer is `array`; it does not own the array.
inline VARIANT ArrayArgument(SAFEARRAY* array, VARTYPE type = VT_ARRAY | VT_BSTR) {
    VARIANT value;
    ::VariantInit(&value);
    value.vt = type;
    value.parray = array;
    return value;
}

// A VARIANT of type `type` that owns `array`.
inline ScopedVariant OwnedArgument(ScopedSafeArray array, VARTYPE type = VT_ARRAY | VT_BSTR) {
    return ScopedVariant::Adopt(ArrayArgument(array.release(), type));
}
