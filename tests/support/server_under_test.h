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
#include "overflow_containment.h"
#include "test_paths.h"

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

    // Null when the platform lets the server contain a stack overflow, else why not (see
    // overflow_containment.h).
    const char* OverflowsCannotBeContained() const {
        return ::OverflowsCannotBeContained(bits, BesideTest(L"x64\\overflow_probe.exe"));
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
