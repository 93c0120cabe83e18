// The program's one exception type, HResultError: a failure carried as an HRESULT inside an
// operation, and the one translation of whatever an operation caught back into an HRESULT.
#pragma once

#include <windows.h>

#include <new>

// Thrown by value by internal helpers, caught by the operation that owns them; it never crosses
// an interface method.
class HResultError {
public:
    explicit HResultError(HRESULT hr) : hr_(hr) {}
    HRESULT hr() const { return hr_; }

private:
    HRESULT hr_;
};

// Throws `hr` as a HResultError when it is a failure.
inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) {
        throw HResultError(hr);
    }
}

// The HRESULT for the exception being handled; call it only inside a catch block. A
// HResultError gives its own, a failed allocation E_OUTOFMEMORY, anything else E_FAIL.
inline HRESULT HResultFromCaughtException() noexcept {
    try {
        throw;
    } catch (const HResultError& e) {
        return e.hr();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
