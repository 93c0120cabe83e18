// COM on the host's calling thread when, and only when, the host has not initialised it there:
// the proxy then joins the process's multithreaded apartment for as long as it needs, and
// leaves it again on the same thread. Where the host chose an apartment, that one is used.
#pragma once

#include <windows.h>
#include <objbase.h>

class HostThreadCom {
public:
    HostThreadCom() : thread_(::GetCurrentThreadId()) {}
    // Uninitialises what the constructor initialised, on its own thread only: COM counts its
    // initialisations per thread, so one undone elsewhere would undo the host's.
    ~HostThreadCom() {
        if (initialised_ && ::GetCurrentThreadId() == thread_) {
            ::CoUninitialize();
        }
    }
    HostThreadCom(const HostThreadCom&) = delete;
    HostThreadCom& operator=(const HostThreadCom&) = delete;

    // Makes COM usable on the thread, once: the host's apartment, or the process's
    // multithreaded one joined here. S_OK, or the platform's failure.
    HRESULT Join() {
        if (joined_) {
            return S_OK;
        }
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        // The multithreaded apartment rather than a single-threaded one: it keeps no window and
        // pumps none of the host's messages while a call waits for the server.
        if (::CoGetApartmentType(&type, &qualifier) == CO_E_NOTINITIALIZED) {
            const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (FAILED(hr)) return hr;
            initialised_ = true;
        }
        joined_ = true;
        return S_OK;
    }

private:
    DWORD thread_;
    bool joined_ = false;
    bool initialised_ = false;
};
