// The server a process test runs against: the 32-bit PlimoCOMWrapper.exe, or the 64-bit
// PlimoCOMWrapper64.exe when the environment says PLIMO_SERVER=64. One test program checks
// either, and ctest runs it once for each. Each server loads the test providers of its own width.
#pragma once

#include <windows.h>

#include <string>

#include "server_description.h"
#include "child_process.h"
#include "emulation.h"
#include "overflow_containment.h"
#include "test_paths.h"

struct ServerUnderTest {
    const ServerDescription& description;
    const wchar_t* folder; // of the server and its providers, beside the test programs
    int bits;
    const CLSID* clsid; // the class a client activates

    ServerUnderTest(const ServerDescription& server, const wchar_t* serverFolder)
        : description(server), folder(serverFolder), bits(server.bits),
          clsid(server.classes[0].clsid) {}

    std::wstring Executable() const {
        return BesideTest((std::wstring(folder) + description.fileName).c_str());
    }
    std::wstring Provider(const wchar_t* name) const {
        return BesideTest((std::wstring(folder) + name).c_str());
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
    static const ServerUnderTest server32(kServer32, L"");
    static const ServerUnderTest server64(kServer64, L"x64\\");
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
