// The one translation of a C++ exception into an HRESULT. Failures travel as HRESULT returns;
// the only exceptions are the standard library's (a failed allocation), and an operation that
// uses the library turns them into its HRESULT here, before anything crosses an interface.
#pragma once

#include <windows.h>

#include <new>

// The HRESULT for the exception being handled; call it only inside a catch block. A failed
// allocation gives E_OUTOFMEMORY, anything else E_FAIL.
inline HRESULT HResultFromCaughtException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
