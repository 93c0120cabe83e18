// Conversion of a platform error code into the HRESULT that clients see.
#pragma once

#include <windows.h>

// A code above 0 becomes 0x8007xxxx with the code in the low 16 bits; 0 or below (a value that
// already is an HRESULT, or no error at all) passes unchanged.
constexpr HRESULT HResultFromWin32(long error) {
    return error > 0
               ? static_cast<HRESULT>((static_cast<unsigned long>(error) & 0xFFFFu) | 0x80070000u)
               : static_cast<HRESULT>(error);
}

// The last platform error of the calling thread, as an HRESULT.
inline HRESULT HResultFromLastError() {
    return HResultFromWin32(static_cast<long>(::GetLastError()));
}

// The last platform error as a failure HRESULT: E_FAIL when the platform reported failure
// without setting an error, so that a failed call never comes back as S_OK.
inline HRESULT FailureFromLastError() {
    HRESULT hr = HResultFromLastError();
    return FAILED(hr) ? hr : E_FAIL;
}
