// Calls through a server that a test watches with a deadline, so that a hung call is reported
// rather than waited out.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "scoped_resource.h"

inline DWORD WINAPI RunBoundedSteps(void* steps) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    (*static_cast<const std::function<void()>*>(steps))();
    ::CoUninitialize();
    return 0;
}

// Runs `steps` on a thread of its own, in the process's multithreaded apartment, and waits at
// most `milliseconds` for it. If it does not come back in time, `server` is ended, which fails
// whatever call still waits on it, and the result is false.
inline bool RunBounded(const std::function<void()>& steps, DWORD milliseconds, HANDLE server) {
    ScopedHandle thread(::CreateThread(nullptr, 0, RunBoundedSteps,
                                       const_cast<std::function<void()>*>(&steps), 0, nullptr));
    if (!thread) {
        ADD_FAILURE() << "cannot start a thread";
        return false;
    }
    if (::WaitForSingleObject(thread.get(), milliseconds) == WAIT_OBJECT_0) {
        return true;
    }
    ::TerminateProcess(server, 1);
    if (::WaitForSingleObject(thread.get(), milliseconds) != WAIT_OBJECT_0) {
        // The thread still uses `steps` and what it refers to: returning would pull them from
        // under it, and waiting on would never end.
        std::fprintf(stderr, "a call hung even after its server was ended\n");
        std::abort();
    }
    return false;
}
