// COM on the host's calling thread when, and only when, the host has not initialised it there:
// the proxy then joins the process's multithreaded apartment for as long as it needs, and
// leaves it again on the same thread. Where the host chose an apartment, that one is used.
#pragma once

#include <windows.h>
#include <objbase.h>

class HostThreadCom {
public:
    HostThreadCom() : thread_(::GetCurrentThreadId()) {
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        // The multithreaded apartment rather than a single-threaded one: it keeps no window and
        // pumps none of the host's messages while a call waits for the server.
        if (::CoGetApartmentType(&type, &qualifier) == CO_E_NOTINITIALIZED) {
            hr_ = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            initialised_ = SUCCEEDED(hr_);
        }
    }
    // Uninitialises what the constructor initialised, on its own thread only: COM counts its
    // initialisations per thread, so one undone elsewhere would undo the host's.
    ~HostThreadCom() {
        if (initialised_ && ::GetCurrentThreadId() == thread_) {
            ::CoUninitialize();
        }
    }
    HostThreadCom(const HostThreadCom&) = delete;
    HostThreadCom& operator=(const HostThreadCom&) = delete;

    // S_OK when COM is usable on the thread (the host's, or initialised here); else the
    // platform's failure.
    HRESULT hr() const { return hr_; }

private:
    DWORD thread_;
    bool initialised_ = false;
    HRESULT hr_ = S_OK;
};
