// Reading a client's safe array where it stands: every read goes through a SafeArrayAccess scope,
// which keeps the array locked, so that it can be neither freed nor resized while it is read.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "safe_array_access.h"

// The positions of `array` to read as a list of elements of `type`: dimension 1's count, never
// more than the elements the whole array holds (another dimension may be empty). S_OK; E_INVALIDARG
// for a null array, elements of another type, or elements read from a dimension 1 that does not
// start at 0 (a position would lie outside its bounds); the platform's HRESULT when the type or
// the bounds cannot be read.
HRESULT ClientArrayPositions(SAFEARRAY* array, VARTYPE type, ULONG* count);

// Opens `array` as a list of `type` (see ClientArrayPositions): on S_OK, *count positions of
// `*elements` may be read until it closes. On failure nothing is held.
template <class T>
HRESULT OpenClientArray(SAFEARRAY* array, VARTYPE type, SafeArrayAccess<T>* elements,
                        ULONG* count) {
    *count = 0;
    ULONG positions = 0;
    HRESULT hr = ClientArrayPositions(array, type, &positions);
    if (FAILED(hr)) return hr;
    if (positions != 0) {
        hr = elements->Open(array);
        if (FAILED(hr)) return hr;
    }
    *count = positions;
    return S_OK;
}
