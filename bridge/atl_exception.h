// The program's one exception type: a failure carried as an HRESULT inside an operation.
#pragma once

#include <windows.h>

// Thrown by value by internal helpers, caught by reference by the operation that owns them;
// it never crosses an interface method.
class CAtlException {
public:
    explicit CAtlException(HRESULT hr) : m_hr(hr) {}
    HRESULT hr() const { return m_hr; }

private:
    HRESULT m_hr;
};

// Throws `hr` as a CAtlException when it is a failure.
inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) {
        throw CAtlException(hr);
    }
}
