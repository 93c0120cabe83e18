// ComInitialization: COM for the calling thread, for as long as the owner lives.
#pragma once

#include <windows.h>
#include <objbase.h>

// Uninitialises COM at the end of the scope only if its own initialisation succeeded (S_FALSE
// included: the platform counts that one too). Not movable: it belongs to the thread and the
// scope that made it.
class ComInitialization {
public:
    ComInitialization() = default;
    ~ComInitialization() {
        if (initialised_) {
            ::CoUninitialize();
        }
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

    // Initialises COM on the calling thread, once. The platform's answer: S_OK, S_FALSE (already
    // initialised here), or the failure (RPC_E_CHANGED_MODE for a thread of the other model).
    HRESULT Initialize(DWORD model) {
        if (initialised_) {
            return E_UNEXPECTED;
        }
        const HRESULT hr = ::CoInitializeEx(nullptr, model);
        initialised_ = SUCCEEDED(hr);
        return hr;
    }

private:
    bool initialised_ = false;
};
