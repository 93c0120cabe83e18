// The server processes a test reached, each of which must have ended after it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "child_process.h"
#include "scoped_resource.h"
#include "server_paths.h"

// Registers the server per machine. A test program does it once, before its first activation:
// the programs that test registration itself leave the server unregistered.
inline void RegisterServer() {
    ChildResult registered = RunChild(ServerCommand(L"/RegServer"));
    ASSERT_TRUE(registered.finished);
    ASSERT_EQ(0u, registered.exitCode);
}

// Registers the 64-bit server too, whichever server is under test.
inline void RegisterServer64() {
    ChildResult registered = RunChild(ServerCommand(L"/RegServer", ServerOfWidth(64).Executable()));
    ASSERT_TRUE(registered.finished);
    ASSERT_EQ(0u, registered.exitCode);
}

class ServedProcesses {
public:
    // Opens the process `id` to watch (and, if need be, end) it; null when it is already gone.
    HANDLE Track(DWORD id) {
        ScopedHandle process(::OpenProcess(
            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id));
        HANDLE handle = process.get();
        if (process) {
            servers_.push_back(std::move(process));
        }
        return handle;
    }

    // Tracks every server process running now, found by its image name: for a test whose
    // client ran in another process and could not tell which server it reached.
    void TrackRunning() {
        ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) {
            ADD_FAILURE() << "cannot list the running processes";
            return;
        }
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
             more = ::Process32NextW(snapshot.get(), &entry)) {
            if (::lstrcmpiW(entry.szExeFile, kServer32.fileName) == 0 ||
                ::lstrcmpiW(entry.szExeFile, kServer64.fileName) == 0) {
                Track(entry.th32ProcessID);
            }
        }
    }

    // Each tracked server must end within `timeoutMs`; one that does not is reported and ended.
    void ExpectAllEnded(DWORD timeoutMs) {
        for (ScopedHandle& server : servers_) {
            DWORD exitCode = 0;
            if (!WaitForExit(server.get(), timeoutMs, &exitCode)) {
                ADD_FAILURE() << "a server outlived its test";
                ::TerminateProcess(server.get(), 1);
                ::WaitForSingleObject(server.get(), timeoutMs);
            }
        }
        servers_.clear();
    }

private:
    std::vector<ScopedHandle> servers_;
};
