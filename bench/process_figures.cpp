#include "process_figures.h"

#include <psapi.h>

#include "scoped_resource.h"

namespace {

// NtQuerySystemInformation's table of every handle in the system (class 64), as documented for
// both word sizes.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

void FreePages(void* pages) {
    ::VirtualFree(pages, 0, MEM_RELEASE);
}
// Pages, not heap: a table taken and given back must not leave the heap grown, which the next
// reading of the private bytes would count.
using ScopedPages = ScopedResource<void*, &FreePages>;

// Counts this process's entries in the system's handle table.
LONG CountInSystemTable() {
    auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) {
        return -1;
    }
    ULONG size = 64 * 1024;
    for (int attempt = 0; attempt < 8; ++attempt) {
        ScopedPages table(::VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
        if (!table) {
            return -1;
        }
        ULONG needed = 0;
        const LONG status = query(kSystemExtendedHandleInformation, table.get(), size, &needed);
        if (status == kInfoLengthMismatch) {
            // Handles come and go meanwhile: ask for room to spare.
            size = (needed > size ? needed : 2 * size) + 16 * 1024;
            continue;
        }
        if (status < 0) {
            return -1;
        }
        const auto* handles = static_cast<const HandleTable*>(table.get());
        const ULONG_PTR self = ::GetCurrentProcessId();
        LONG own = 0;
        for (ULONG_PTR i = 0; i < handles->count; ++i) {
            own += handles->entries[i].processId == self ? 1 : 0;
        }
        return own;
    }
    return -1;
}

} // namespace

LONG OwnPrivateBytes() {
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

LONG OwnHeapBytes() {
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

LONG OwnHandleCount() {
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count != 0) {
        return static_cast<LONG>(count);
    }
    // Every process holds some handles: a count of 0 is Wine 8's stub answering. The system's
    // handle table, which Wine does fill in, has the true figure.
    return CountInSystemTable();
}
