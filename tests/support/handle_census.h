// Counting the handles this process holds, to catch a handle that a code path forgets to close.
#pragma once

#include <windows.h>

#include <vector>

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
    std::vector<BYTE> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) {
        return -1;
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    const ULONG self = ::GetCurrentProcessId();
    long count = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        if (list->entries[i].ownerProcessId == self) {
            ++count;
        }
    }
    return count;
}
