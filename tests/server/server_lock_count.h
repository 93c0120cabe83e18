// The platform's per-process server count, read without changing it.
#pragma once

#include <objbase.h>

inline LONG ServerLockCount() {
    LONG count = static_cast<LONG>(::CoAddRefServerProcess()) - 1;
    ::CoReleaseServerProcess();
    return count;
}
