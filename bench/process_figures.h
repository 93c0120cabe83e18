// The figures a process reads of itself for the soak: its private bytes, the bytes in use in
// its heaps, and its handle count; each -1 when the platform will not say.
#pragma once

#include <windows.h>
#include <psapi.h>

#include "handle_census.h"

// The process's private (committed, unshared) bytes.
inline LONG OwnPrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(),
                                reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                sizeof counters)) {
        return -1;
    }
    // Windows reports the private bytes in both fields; Wine 8 leaves PrivateUsage 0 and gives
    // the resident anonymous memory (the process's private pages) as PagefileUsage.
    const SIZE_T bytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    // A 32-bit process stays below 2 GB unless it is large-address aware, which this one is not.
    return static_cast<LONG>(bytes);
}

// The bytes in use in all of the process's heaps (its busy blocks), to the byte: finer than the
// private bytes, which grow in whole pages and whole heap regions.
inline LONG OwnHeapBytes() {
    HANDLE heaps[64];
    const DWORD count = ::GetProcessHeaps(64, heaps);
    if (count == 0 || count > 64) {
        return -1;
    }
    LONG bytes = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!::HeapLock(heaps[i])) {
            return -1;
        }
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                bytes += static_cast<LONG>(entry.cbData);
            }
        }
        ::HeapUnlock(heaps[i]);
    }
    return bytes;
}

// The number of handles the process holds, from the system's handle table: Wine 8's
// GetProcessHandleCount always answers 0.
inline LONG OwnHandleCount() {
    return static_cast<LONG>(ProcessHandleCount());
}
