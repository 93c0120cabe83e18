// What plimo-scc's exit code says, and a failed HRESULT explained in words with what to do.
#pragma once

#include <windows.h>

#include <string>

#include "scc_session.h"

// The exit codes scripts test; their meanings never change.
enum ExitCode : int {
    kExitSuccess = 0,       // every provider call answered success
    kExitProviderError = 1, // the provider answered an error code, cancelled the command, or
                            // faulted (or ended the server) during a call
    kExitUsage = 2,         // the command line is wrong or names no usable provider
    kExitNotReached = 3,    // the call never reached the provider: the server could not be
                            // reached, or could not load the provider or make the call
    kExitNotEnded = 4,      // the command was done, but a step after it (closing the project,
                            // ending the provider's session) never reached the provider
};

// Whether a failed HRESULT of a call says that the call reached the provider, which then faulted
// or ended the server process under it.
bool ReachedTheProvider(HRESULT hr);

// A failed HRESULT for a person: its symbolic name (empty when unknown), what it means and, when
// there is one, what to do about it, in the words of the server of `serverBits` (32 or 64): its
// executable, the width of the providers it loads.
struct HResultText {
    std::wstring name;
    std::wstring meaning;
    std::wstring remedy;
};
HResultText DescribeHResult(HRESULT hr, int serverBits = 32);

// "0x80040154 REGDB_E_CLASSNOTREG: <meaning>. <remedy>." on one line.
std::wstring HResultLine(HRESULT hr, int serverBits = 32);

// The exit code of a session, from its first failure: 1 when the provider answered an error,
// cancelled or faulted; 3 when a call never reached the provider, or 4 when that call came after
// the command had done its work; else 0.
int SessionExitCode(const SessionResult& result);

// The one line on standard error that says which step failed and why, in the words of the
// server of `serverBits` that ran the session; empty after success.
std::wstring SessionFailureLine(const SessionResult& result, int serverBits);
