// The server processes a benchmark client starts and waits for: registration runs, activation,
// and the end of a served run, all with bounded waits.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "PlimoCOMWrapper.h"
#include "com_owners.h"

constexpr DWORD kProgramTimeoutMs = 120000;
constexpr DWORD kServerExitTimeoutMs = 30000;

// The full path of `fileName` in the running program's folder, where the build puts the server,
// the baseline and the bench provider.
std::wstring BesideProgram(const wchar_t* fileName);

struct ProgramRun {
    bool finished = false; // false: not started, or still running at the timeout (then ended)
    DWORD exitCode = 0;
    std::string output; // standard output, when captured
};

// Runs `commandLine` to its end, at most kProgramTimeoutMs.
ProgramRun RunProgram(const std::wstring& commandLine, bool captureOutput);

// The key=value lines of a program's output.
std::map<std::string, std::string> KeyValues(const std::string& output);

// Registers PlimoCOMWrapper.exe per machine (its /RegServer); its exit code as an HRESULT.
// Every served run of the server removes its registration on its way out, and under Wine that
// takes the type library that marshals IPlimoWrapper with it, for the baseline too: register
// before every activation of either.
HRESULT RegisterServer();

// Activates `clsid` as a local server for IPlimoWrapper.
HRESULT Activate(const CLSID& clsid, ScopedInterface<IPlimoWrapper>* wrapper);

// Releases `wrapper`, whose server process is `serverId`, and waits for that process to end, so
// that its clean-up cannot undo a registration made after it. False when it did not end in time.
bool ReleaseAndWaitForEnd(ScopedInterface<IPlimoWrapper>* wrapper, DWORD serverId, DWORD* exitCode);
