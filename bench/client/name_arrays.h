// The arrays that benchmark and soak calls carry: file names of a realistic shape, option words,
// and the shapes the server refuses.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "scoped_resource.h"

// `count` file names as VT_BSTR from `lowerBound`, each like
// C:\work\project\src\module_004\file_00412.cpp; null when out of memory.
ScopedSafeArray FileNames(LONG count, LONG lowerBound = 0);

// The same names as VT_VARIANT elements each holding a BSTR: how scripting hosts pass arrays.
ScopedSafeArray FileNamesAsVariants(LONG count);

// `count` option words as VT_I4, each i % 4.
ScopedSafeArray OptionWords(LONG count);

// A VARIANT that shows `array` as VT_ARRAY | `type`; the caller still owns the array.
VARIANT ArrayView(SAFEARRAY* array, VARTYPE type);

// The length, in characters, of the `index`-th name that FileNames makes.
LONG FileNameLength(LONG index);
