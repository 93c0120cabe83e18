// Running plimo-scc from a test, the 64-bit or the 32-bit build, with its standard output and
// standard error apart; every server it reached must have ended before the next run registers
// the server again (see served_processes.h).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "served_processes.h"
#include "test_paths.h"

constexpr DWORD kServerExitTimeoutMs = 30000;

enum class Build { k64, k32 };

inline std::wstring ToolPath(Build build) {
    return BesideTest(build == Build::k64 ? L"plimo-scc.exe" : L"x86\\plimo-scc.exe");
}

inline const char* BuildName(Build build) {
    return build == Build::k64 ? "Build64" : "Build32";
}

struct ToolRun {
    bool finished = false;
    DWORD exitCode = 0;
    std::string out;
    std::string err;

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        return lines;
    }
    std::vector<std::string> OutLines() const { return Lines(out); }
    std::string FirstErrorLine() const {
        std::vector<std::string> lines = Lines(err);
        return lines.empty() ? std::string() : lines.front();
    }
};

// The run ended with `exitCode`, and standard error starts with the line `line`.
inline void ExpectError(const ToolRun& run, DWORD exitCode, const std::string& line) {
    EXPECT_EQ(exitCode, run.exitCode) << run.err;
    EXPECT_EQ(line, run.FirstErrorLine());
}

// Runs plimo-scc with `arguments` in `folder` (empty: the test program's folder).
inline ToolRun RunTool(const std::wstring& arguments, const std::wstring& folder = L"",
                       Build build = Build::k64) {
    const std::wstring tool = ToolPath(build);
    ChildResult child =
        RunChildInFolder(Quoted(tool) + L" " + arguments, folder.empty() ? FolderOf(tool) : folder);
    EXPECT_TRUE(child.finished) << "plimo-scc did not end (start error " << child.startError << ")";
    return ToolRun{child.finished, child.exitCode, child.output, child.errors};
}

// A test that runs the tool against the real server.
class ToolSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterServer(); }
    void TearDown() override { EndServers(); }

    ToolRun Run(const std::wstring& arguments, const std::wstring& folder = L"",
                Build build = Build::k64) {
        return RunTool(arguments, folder, build);
    }

    // Every server a test started must have ended after it.
    void EndServers() {
        servers_.TrackRunning();
        servers_.ExpectAllEnded(kServerExitTimeoutMs);
    }

private:
    ServedProcesses servers_;
};

// The ASCII text of a test's path, as the tool prints it and the provider receives it.
inline std::string Ascii(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}
