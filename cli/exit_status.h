// What plimo-scc's exit code says, and a failed HRESULT explained in words with what to do.
#pragma once

#include <windows.h>

#include <string>

#include "scc_session.h"

// The exit codes scripts test; their meanings never change.
enum ExitCode : int {
    kExitSuccess = 0,       // every provider call answered success
    kExitProviderError = 1, // the provider answered an error code
    kExitUsage = 2,         // the command line is wrong or names no usable provider
    kExitNotReached = 3,    // the call never reached the provider: the server could not be
                            // reached, or could not load the provider or make the call
};

// A failed HRESULT for a person: its symbolic name (empty when unknown), what it means and, when
// there is one, what to do about it.
struct HResultText {
    std::wstring name;
    std::wstring meaning;
    std::wstring remedy;
};
HResultText DescribeHResult(HRESULT hr);

// "0x80040154 REGDB_E_CLASSNOTREG: <meaning>. <remedy>." on one line.
std::wstring HResultLine(HRESULT hr);

// The exit code of a session: 3 when a step did not reach the provider, 1 when the provider
// answered an error, else 0.
int SessionExitCode(const SessionResult& result);

// The one line on standard error that says which step failed and why; empty after success.
std::wstring SessionFailureLine(const SessionResult& result);
