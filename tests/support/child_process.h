// Running Windows programs from a test: command lines, exit codes and output, with bounded
// waits only.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "scoped_resource.h"

constexpr DWORD kProcessTimeoutMs = 60000;

struct ChildResult {
    bool finished = false; // false: still running after the timeout (then it was killed)
    DWORD exitCode = 0;
    DWORD processId = 0;
    std::string output;   // standard output, when captured
    std::string errors;   // standard error, when captured apart (RunChildInFolder)
    DWORD startError = 0; // the platform's error when the child could not be started
};

// Runs `commandLine` to its end (at most `timeoutMs`), optionally capturing its output.
ChildResult RunChild(const std::wstring& commandLine, bool captureOutput = false,
                     DWORD timeoutMs = kProcessTimeoutMs);

// Runs `commandLine` to its end (at most kProcessTimeoutMs) in the folder `directory`, capturing
// its standard output and its standard error apart.
ChildResult RunChildInFolder(const std::wstring& commandLine, const std::wstring& directory);

// Starts `commandLine` without waiting; the caller owns the returned process handle.
ScopedHandle StartChild(const std::wstring& commandLine);

// The key=value lines of a program's output.
std::map<std::string, std::string> ParseKeyValues(const std::string& output);

// Waits at most `milliseconds` for `process` to end; its exit code, or nothing on a timeout.
bool WaitForExit(HANDLE process, DWORD milliseconds, DWORD* exitCode);

std::wstring Quoted(const std::wstring& path);
