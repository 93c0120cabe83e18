// The server a process test runs against: the 32-bit PlimoCOMWrapper.exe, or the 64-bit
// PlimoCOMWrapper64.exe when the environment says PLIMO_SERVER=64. One test program checks
// either, and ctest runs it once for each. Each server loads the test providers of its own width.
#pragma once

#include <windows.h>

#include <string>

#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper64.h"
#include "child_process.h"
#include "emulation.h"
#include "test_paths.h"

// What overflow_probe.exe exits with when its handler saw its own stack overflow.
constexpr DWORD kOverflowProbeHandled = 0x5AFE;

// Why an overflow check of the 64-bit server is skipped where its platform cannot handle one.
constexpr char kPlatformEndsOnStackOverflow64[] =
    "skipped: this platform ends a 64-bit thread whose stack overflows, whatever handles it "
    "(overflow_probe.exe did not survive its own overflow)";

struct ServerUnderTest {
    int bits;
    const CLSID* clsid;        // the class a client activates
    const wchar_t* executable; // beside the test programs
    const wchar_t* providers;  // the folder of its providers, beside the test programs

    std::wstring Executable() const { return BesideTest(executable); }
    std::wstring Provider(const wchar_t* name) const {
        return BesideTest((std::wstring(providers) + name).c_str());
    }
    // Whether its provider code runs under emulation, which cannot contain every fault.
    bool Emulated() const { return bits == 32 && ThirtyTwoBitCodeIsEmulated(); }

    // Whether the platform lets the server contain a stack overflow at all, and if not, why:
    // 32-bit code under emulation cannot, nor can 64-bit code where a probe program that
    // overflows its own stack beneath a handler does not survive (Wine 8's dispatcher needs more
    // room than the overflow leaves). Null when it can.
    const char* OverflowsCannotBeContained() const {
        if (Emulated()) {
            return kEmulationEndsOnStackOverflow;
        }
        if (bits == 64) {
            static const bool survived = [] {
                ChildResult probe = RunChild(Quoted(BesideTest(L"overflow_probe.exe")));
                return probe.finished && probe.exitCode == kOverflowProbeHandled;
            }();
            return survived ? nullptr : kPlatformEndsOnStackOverflow64;
        }
        return nullptr;
    }
};

// The 32-bit or the 64-bit server.
inline const ServerUnderTest& ServerOfWidth(int bits) {
    static const ServerUnderTest server32{32, &CLSID_TovikPlimoWrapper, L"PlimoCOMWrapper.exe",
                                          L""};
    static const ServerUnderTest server64{64, &CLSID_TovikPlimoWrapper64,
                                          L"x64\\PlimoCOMWrapper64.exe", L"x64\\"};
    return bits == 64 ? server64 : server32;
}

inline const ServerUnderTest& CurrentServer() {
    wchar_t bits[8] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"PLIMO_SERVER", bits, 8);
    return ServerOfWidth(length == 2 && ::lstrcmpW(bits, L"64") == 0 ? 64 : 32);
}

// The server of the other width.
inline const ServerUnderTest& OtherServer() {
    return ServerOfWidth(CurrentServer().bits == 64 ? 32 : 64);
}
