// The scripting hosts that Windows ships, 32-bit and 64-bit, running the VBScript and JScript
// sessions of the examples against the server, late bound.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "provider_record_view.h"
#include "served_processes.h"
#include "server_paths.h"
#include "temp_folder.h"

using testprovider::Entry;

namespace {

struct ScriptRun {
    const char* name;
    const wchar_t* host;
    const wchar_t* script;
    const char* caller;      // what the script names itself to the provider
    const char* refusedList; // how the script reports a list of the wrong shape
};

void PrintTo(const ScriptRun& run, std::ostream* os) {
    *os << run.name;
}

// From this 32-bit process, system32 is the 32-bit folder; sysnative reaches the 64-bit one.
constexpr wchar_t kHost32[] = L"C:\\windows\\syswow64\\cscript.exe";
constexpr wchar_t kHost64[] = L"C:\\windows\\sysnative\\cscript.exe";

const ScriptRun kRuns[] = {
    {"VBScript32", kHost32, L"session.vbs", "VBScript", "error 5"},
    {"VBScript64", kHost64, L"session.vbs", "VBScript", "error 5"},
    {"JScript32", kHost32, L"session.js", "JScript", "error 0x80070057"},
    {"JScript64", kHost64, L"session.js", "JScript", "error 0x80070057"},
};

std::vector<std::string> Lines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        std::string line = output.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end == std::string::npos ? output.size() : end + 1;
    }
    return lines;
}

class ScriptClients : public ::testing::TestWithParam<ScriptRun> {
protected:
    static void SetUpTestSuite() { RegisterServer(); }

    void SetUp() override {
        record.Reset();
        record.SetResult(Entry::Initialize, 0);
        record.SetResult(Entry::GetVersion, 0x10002);
        record.SetResult(Entry::SetOption, 3);
        record.SetResult(Entry::GetCommandOptions, -14);
        record.SetResult(Entry::BeginBatch, 1);
        record.SetResult(Entry::EndBatch, 2);
        record.SetResult(Entry::Uninitialize, -1);
    }

    ProviderRecordView record;
};

TEST_P(ScriptClients, RunTheSessionLateBoundAgainstTheProviderInsideTheServer) {
    const ScriptRun& run = GetParam();
    ChildResult script =
        RunChild(Quoted(run.host) + L" //nologo " + Quoted(BesideTest(run.script)) + L" " +
                     Quoted(BesideTest(kTestProvider)),
                 true);
    ASSERT_TRUE(script.finished);
    EXPECT_EQ(0u, script.exitCode) << script.output;

    const std::wstring provider = BesideTest(kTestProvider);
    const std::vector<std::string> expected = {
        "Init " + std::string(provider.begin(), provider.end()),
        "SccInitialize result=0",
        "SccGetVersion result=65538",
        "SccSetOption result=3",
        "SccGetCommandOptions result=-14",
        "SccBeginBatch result=1",
        "SccEndBatch result=2",
        std::string("SccQueryInfo with a script array: ") + run.refusedList,
        "SccUninitialize result=-1",
    };
    EXPECT_EQ(expected, Lines(script.output));

    ASSERT_EQ(7, record.Count()) << "the refused list never reached the provider";
    const Entry order[] = {Entry::Initialize,        Entry::GetVersion, Entry::SetOption,
                           Entry::GetCommandOptions, Entry::BeginBatch, Entry::EndBatch,
                           Entry::Uninitialize};
    const DWORD server = record.Call(0).processId;
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(order[i], record.Call(i).entry) << i;
        EXPECT_EQ(server, record.Call(i).processId);
    }
    EXPECT_NE(script.processId, server) << "the provider must not run in the scripting host";
    EXPECT_STREQ(run.caller, record.Call(0).text[0]);
    EXPECT_EQ(7, record.Call(2).args[0]);
    EXPECT_EQ(1, record.Call(2).args[1]);
    EXPECT_EQ(3, record.Call(3).args[1]);

    // The host released its object: the server ends, and must have before the next run
    // registers again.
    ScopedHandle process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, server));
    if (process) {
        DWORD exitCode = 0xDEAD;
        EXPECT_TRUE(WaitForExit(process.get(), kProcessTimeoutMs, &exitCode));
        EXPECT_EQ(0u, exitCode);
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, ScriptClients, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

// The whole interface's example, with the sample provider: VBScript's own arrays go in as file
// and option lists, and what the provider reported comes back as arrays VBScript indexes.
class WholeInterfaceScript : public ::testing::TestWithParam<const wchar_t*> {
protected:
    static void SetUpTestSuite() { RegisterServer(); }
};

TEST_P(WholeInterfaceScript, ListsAFolderRemovesAFileAndPrintsTheProvidersMessages) {
    TempFolder temp;
    const std::wstring work = temp.path() + L"\\work";
    ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
    ASSERT_TRUE(WriteText(work + L"\\a.txt", "alpha\r\n"));
    ASSERT_TRUE(WriteText(work + L"\\b.txt", "beta\r\n"));
    ChildResult script =
        RunChild(Quoted(GetParam()) + L" //nologo " + Quoted(BesideTest(L"whole_session.vbs")) +
                     L" " + Quoted(BesideTest(L"plimo_sample_provider.dll")) + L" " + Quoted(work) +
                     L" a.txt b.txt",
                 true);
    ASSERT_TRUE(script.finished);
    EXPECT_EQ(0u, script.exitCode) << script.output;

    const std::string a = "  " + std::string(work.begin(), work.end()) + "\\a.txt status=1";
    const std::string b = "  " + std::string(work.begin(), work.end()) + "\\b.txt status=1";
    const std::vector<std::string> expected = {
        "SccInitialize result=0",
        "SccOpenProject result=0",
        "SccAdd result=0",
        "  message (info): added a.txt as version 1",
        "  message (info): added b.txt as version 1",
        "SccPopulateList result=0",
        a,
        b,
        "SccRemove result=0",
        "  message (info): removed b.txt from the project",
        "SccPopulateList result=0",
        a,
        "SccCloseProject result=0",
        "SccUninitialize result=0",
    };
    EXPECT_EQ(expected, Lines(script.output));
    EXPECT_FALSE(IsReadOnly(work + L"\\b.txt")) << "b.txt left source control";
}

INSTANTIATE_TEST_SUITE_P(Hosts, WholeInterfaceScript, ::testing::Values(kHost32, kHost64),
                         [](const auto& info) {
                             return std::string(info.param == kHost32 ? "Host32" : "Host64");
                         });

} // namespace
