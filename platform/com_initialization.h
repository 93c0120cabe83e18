// ComInitialization: COM for the calling thread, for as long as the owner lives.
#pragma once

#include <windows.h>
#include <objbase.h>

// Initialises COM on construction and uninitialises it on destruction, only if the
// initialisation succeeded (S_FALSE included: the platform counts it too). Not movable: it
// belongs to the thread and the scope that made it.
class ComInitialization {
public:
    explicit ComInitialization(DWORD model = COINIT_APARTMENTTHREADED)
        : hr_(::CoInitializeEx(nullptr, model)) {}
    ~ComInitialization() {
        if (SUCCEEDED(hr_)) {
            ::CoUninitialize();
        }
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

    // The platform's answer: S_OK, S_FALSE (already initialised here), or the failure.
    HRESULT hr() const { return hr_; }

private:
    HRESULT hr_;
};
