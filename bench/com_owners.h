// Owners for the COM values the benchmark programs hold: interface pointers and VARIANTs, as
// aliases of the project's one owner template.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "scoped_resource.h"

inline void ReleaseInterface(IUnknown* object) {
    object->Release();
}
// One reference to an interface of type I.
template <class I> using ScopedInterface = ScopedResource<I*, &ReleaseInterface>;

inline void ClearVariant(VARIANT* value) {
    ::VariantClear(value);
}
// Clears the VARIANT it points to (which lives elsewhere) when it goes out of scope.
using ScopedVariantClear = ScopedResource<VARIANT*, &ClearVariant>;
