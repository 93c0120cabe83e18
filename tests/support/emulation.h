// What the harness says about how 32-bit programs run on this machine: natively, or under
// user-mode emulation, which cannot hand some faults to Wine as a real CPU does.
#pragma once

#include <windows.h>

// True when the harness ran this program with PLIMO_32BIT_CODE=emulated.
inline bool ThirtyTwoBitCodeIsEmulated() {
    wchar_t mode[16] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"PLIMO_32BIT_CODE", mode, 16);
    return length > 0 && length < 16 && ::lstrcmpiW(mode, L"emulated") == 0;
}

// Why a check is skipped under emulation; tools/test.sh lists every skip by its "skipped:" line.
constexpr char kEmulationEndsOnStackOverflow[] =
    "skipped: 32-bit code runs under emulation, which ends the process on a stack overflow";
constexpr char kEmulationEndsOnUnguardedFault[] =
    "skipped: 32-bit code runs under emulation, which ends the process on a fault outside any "
    "guard";
