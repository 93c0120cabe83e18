// Counting the handles this process holds, to catch a handle that a code path forgets to close;
// the bench's provider and baseline server count their own with it too.
#pragma once

#include <windows.h>

#include "scoped_resource.h"

inline void FreePages(void* pages) {
    ::VirtualFree(pages, 0, MEM_RELEASE);
}
// Pages, not heap, for the system's table: a count taken between two readings of the process's
// heap and private bytes must leave the heap as it found it.
using ScopedPages = ScopedResource<void*, &FreePages>;

// How many handles of any kind this process holds now, or -1 when the system does not say.
// Wine's GetProcessHandleCount always reports 0, so the count comes from the system's list of
// all handles, filtered by this process's id; it moves by one with every opened registry key.
inline long ProcessHandleCount() {
    struct HandleEntry {
        ULONG ownerProcessId;
        UCHAR objectType;
        UCHAR flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct HandleList {
        ULONG count;
        HandleEntry entries[1];
    };
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

    void* address = reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
    auto query = reinterpret_cast<QuerySystemInformation>(address);
    if (query == nullptr) {
        return -1;
    }
    for (ULONG size = 1 << 16; size <= (1u << 26); size *= 2) {
        ScopedPages table(::VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        ULONG needed = 0;
        const LONG status =
            table ? query(kSystemHandleInformation, table.get(), size, &needed) : -1;
        if (status == kInfoLengthMismatch) {
            continue;
        }
        if (status != 0) {
            return -1;
        }
        const auto* list = static_cast<const HandleList*>(table.get());
        const ULONG self = ::GetCurrentProcessId();
        long count = 0;
        for (ULONG i = 0; i < list->count; ++i) {
            if (list->entries[i].ownerProcessId == self) {
                ++count;
            }
        }
        return count;
    }
    return -1;
}
