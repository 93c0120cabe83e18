// Safe arrays and VARIANTs in the shapes the file-list methods take, built for tests.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>

#include "scoped_resource.h"

// A one-dimensional array of BSTR from `lowerBound`; a null name becomes a null element.
inline ScopedSafeArray BstrArray(std::initializer_list<const wchar_t*> names, LONG lowerBound = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(names.size()), lowerBound};
    ScopedSafeArray array(::SafeArrayCreate(VT_BSTR, 1, &bound));
    LONG index = lowerBound;
    for (const wchar_t* name : names) {
        ScopedBstr element(name != nullptr ? ::SysAllocString(name) : nullptr);
        ::SafeArrayPutElement(array.get(), &index, element.get()); // copies the string
        ++index;
    }
    return array;
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
