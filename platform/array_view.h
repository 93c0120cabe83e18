// ArrayView: a VARIANT that shows a safe array to a callee as an [in] argument.
#pragma once

#include <windows.h>
#include <oleauto.h>

// VT_ARRAY | `elements` over `array`, which stays the caller's: the VARIANT owns nothing and is
// never cleared.
inline VARIANT ArrayView(VARTYPE elements, SAFEARRAY* array) {
    VARIANT view;
    ::VariantInit(&view);
    view.vt = VT_ARRAY | elements;
    view.parray = array;
    return view;
}
