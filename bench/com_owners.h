// Owners for the COM values the benchmark programs hold, beside the project's owners of
// interface pointers (ScopedInterface): VARIANTs, as an alias of the one owner template.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "scoped_resource.h"

inline void ClearVariant(VARIANT* value) {
    ::VariantClear(value);
}
// Clears the VARIANT it points to (which lives elsewhere) when it goes out of scope.
using ScopedVariantClear = ScopedResource<VARIANT*, &ClearVariant>;
