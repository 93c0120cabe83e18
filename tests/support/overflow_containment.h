// Whether the platform lets a program contain a stack overflow at all, for the checks that need
// it to: 32-bit code under emulation cannot, nor can 64-bit code where the overflow probe (a 64-bit
// program that overflows its own stack beneath the bridge's guard) does not survive, as under
// Wine 8, whose dispatcher needs more room than the overflow leaves.
#pragma once

#include <windows.h>

#include <string>

#include "child_process.h"
#include "emulation.h"

// What overflow_probe.exe exits with when its guard saw its own stack overflow.
constexpr DWORD kOverflowProbeHandled = 0x5AFE;

// Why an overflow check of 64-bit code is skipped where its platform cannot handle one.
constexpr char kPlatformEndsOnStackOverflow64[] =
    "skipped: this platform ends a 64-bit thread whose stack overflows, whatever handles it "
    "(overflow_probe.exe did not survive its own overflow)";

// Null when code of `bits` can contain a stack overflow here, else why not. `probe` is the path
// of overflow_probe.exe, which runs (once per program) only for 64 bits.
inline const char* OverflowsCannotBeContained(int bits, const std::wstring& probe) {
    if (bits == 32) {
        return ThirtyTwoBitCodeIsEmulated() ? kEmulationEndsOnStackOverflow : nullptr;
    }
    static const bool survived = [&probe] {
        ChildResult run = RunChild(Quoted(probe));
        return run.finished && run.exitCode == kOverflowProbeHandled;
    }();
    return survived ? nullptr : kPlatformEndsOnStackOverflow64;
}
