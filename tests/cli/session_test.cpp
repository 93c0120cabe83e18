// Whole sessions through the real server: what each command hands the provider, how the
// provider's answers become the exit code and the output, a list of 1,000 files, the failures
// that keep a call from the provider, and real work with the sample provider from both builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "json_value.h"
#include "provider_session.h"
#include "server_paths.h"
#include "temp_folder.h"
#include "tool_runs.h"

using testprovider::Entry;

namespace {

constexpr LONG kControlled = 0x0001;
constexpr LONG kOutByUser = 0x0001 | 0x0002 | 0x0800 | 0x1000; // and modified

// What one provider answer makes of the session: which calls still come, the exit code and
// the one line on standard error.
struct AnswerCase {
    const char* name;
    Entry answering; // Entry::None: every call answers SCC_OK
    LONG code;
    DWORD exitCode;
    const char* errorLine; // "" when there is none
    bool filesDone;        // "a.txt: checked out" on standard output
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<Entry> kWholeSession = {Entry::Initialize, Entry::OpenProject, Entry::Checkout,
                                          Entry::CloseProject, Entry::Uninitialize};

const AnswerCase kAnswers[] = {
    {"AllSucceed", Entry::None, 0, 0, "", true},
    {"InitializeFails", Entry::Initialize, -1, 1,
     "plimo-scc: SccInitialize answered SCC_E_INITIALIZEFAILED (-1): the provider could not "
     "start a session",
     false},
    {"OpenProjectFails", Entry::OpenProject, -2, 1,
     "plimo-scc: SccOpenProject answered SCC_E_UNKNOWNPROJECT (-2): the provider knows no such "
     "project",
     false},
    {"CommandFails", Entry::Checkout, -11, 1,
     "plimo-scc: SccCheckout answered SCC_E_FILENOTCONTROLLED (-11): the file is not under "
     "source control",
     false},
    {"UnpublishedError", Entry::Checkout, -999, 1,
     "plimo-scc: SccCheckout answered -999: an error the interface does not publish", false},
    {"CloseFails", Entry::CloseProject, -25, 1,
     "plimo-scc: SccCloseProject (after the command had done its work) answered "
     "SCC_E_PROJNOTOPEN (-25): no project is open",
     true},
    {"UninitializeFails", Entry::Uninitialize, -15, 1,
     "plimo-scc: SccUninitialize (after the command had done its work) answered "
     "SCC_E_NONSPECIFICERROR (-15): the provider failed without saying why",
     true},
    {"Information", Entry::Checkout, 4, 0, "", true},
    // A provider that wanted a dialog, and had no window for it, cancelled: nothing was done.
    {"Cancelled", Entry::Checkout, 2, 1,
     "plimo-scc: SccCheckout answered SCC_I_OPERATIONCANCELED (2): the operation was cancelled; "
     "the provider may have wanted a window for a dialog, and plimo-scc has none",
     false},
};

class ProviderAnswers : public ProviderSession, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(ProviderAnswers, DecideTheExitCodeAndEndWhatWasStarted) {
    const AnswerCase& c = GetParam();
    if (c.answering != Entry::None) {
        record.SetResult(c.answering, c.code);
    }
    ToolRun run = Run(Project() + L"checkout --comment \"the reason\" a.txt");

    ExpectError(run, c.exitCode, c.errorLine);
    EXPECT_EQ(1u + (c.errorLine[0] != '\0'), ToolRun::Lines(run.err).size() + 1u)
        << "at most one line on standard error: " << run.err;
    std::vector<std::string> out;
    if (c.filesDone) {
        out.push_back("a.txt: checked out");
    }
    if (c.exitCode == 0 && c.code > 0) {
        out.push_back("note: SccCheckout answered SCC_I_FILENOTAFFECTED (4): the file was not "
                      "affected");
    }
    EXPECT_EQ(out, run.OutLines());

    // Whatever was started is ended: a session that did not start, or a project that did not
    // open, is not ended.
    std::vector<Entry> calls = kWholeSession;
    if (c.answering == Entry::Initialize) {
        calls = {Entry::Initialize};
    } else if (c.answering == Entry::OpenProject) {
        calls = {Entry::Initialize, Entry::OpenProject, Entry::Uninitialize};
    }
    EXPECT_EQ(calls, Entries());
}

INSTANTIATE_TEST_SUITE_P(Answers, ProviderAnswers, ::testing::ValuesIn(kAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

// A call that reached the provider and failed there, or a step after the command that could
// not reach it: the files the command did are still shown, and the line names the step.
struct FailedCallCase {
    const char* name;
    const wchar_t* provider;
    Entry misbehaving; // faults on a null pointer; Entry::None: nothing does
    const char* step;
    DWORD exitCode;
    const char* errorAfterStep; // how the line on standard error goes on after the step
    bool filesDone;             // "a.txt: checked in" on standard output
};

void PrintTo(const FailedCallCase& c, std::ostream* os) {
    *os << c.name;
}

const FailedCallCase kFailedCalls[] = {
    {"CommandFaults", kTestProvider, Entry::Checkin, "SccCheckin", 1,
     ": 0x80004005 E_FAIL: the provider faulted during the call", false},
    {"CloseProjectMissing", kUnclosingTestProvider, Entry::None, "SccCloseProject", 4,
     " (after the command had done its work): 0x800710DD ERROR_INVALID_OPERATION: the provider "
     "does not export the entry point this step needs",
     true},
    // Not guarded: COM's own handler fails the call, with a code that differs by platform.
    {"UninitializeFaults", kTestProvider, Entry::Uninitialize, "SccUninitialize", 1,
     " (after the command had done its work): 0x", true},
};

class FailedCalls : public ProviderSession, public ::testing::WithParamInterface<FailedCallCase> {
protected:
    ToolRun Checkin(const wchar_t* more) {
        record.Reset();
        record.script().misbehaving = GetParam().misbehaving;
        record.script().misbehaviour = testprovider::kFaultOnNull;
        return Run(L"--provider " + Quoted(BesideTest(GetParam().provider)) +
                   L" --project demo --local " + Quoted(temp.path()) +
                   L" checkin --comment done a.txt" + more);
    }
};

TEST_P(FailedCalls, ShowWhatWasDoneAndNameTheStepThatFailed) {
    const FailedCallCase& c = GetParam();
    ToolRun run = Checkin(L"");
    EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
    ASSERT_EQ(1u, ToolRun::Lines(run.err).size()) << run.err;
    EXPECT_EQ(0u, run.err.find(std::string("plimo-scc: ") + c.step + c.errorAfterStep)) << run.err;
    if (c.filesDone) {
        EXPECT_EQ(std::string::npos, run.err.find("run the command again"))
            << "no remedy that would do the work twice";
    }
    EXPECT_EQ(c.filesDone ? std::vector<std::string>{"a.txt: checked in"}
                          : std::vector<std::string>{},
              run.OutLines());

    // The same as JSON: whether the work was done, and the step that failed.
    ToolRun json = Checkin(L" --json");
    EXPECT_EQ(c.exitCode, json.exitCode);
    std::optional<JsonValue> value = JsonReader::Parse(json.out);
    ASSERT_TRUE(value.has_value()) << json.out;
    EXPECT_EQ(c.filesDone, (*value)["done"].boolean);
    ASSERT_EQ(1u, (*value)["files"].items.size());
    EXPECT_EQ("a.txt", (*value)["files"].items[0]["file"].text);
    EXPECT_EQ(c.step, (*value)["result"]["call"].text);
    EXPECT_EQ(0u, (*value)["result"]["hresult"].text.find("0x"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedCalls, ::testing::ValuesIn(kFailedCalls),
                         [](const auto& info) { return std::string(info.param.name); });

// What each file command hands the provider.
struct CommandCase {
    const wchar_t* command;
    Entry entry;
    const wchar_t* comment; // null: no --comment
    int32_t openFlags;      // SCC_OP_SILENTOPEN, with SCC_OP_CREATEIFNEW for add alone
    const char* done[2];    // the output line of each file after its name
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << Ascii(c.command);
}

const CommandCase kCommands[] = {
    {L"status",
     Entry::QueryInfo,
     nullptr,
     2,
     {"controlled", "controlled, checkedout, modified, outbyuser"}},
    {L"add", Entry::Add, L"first version", 3, {"added", "added"}},
    {L"checkout", Entry::Checkout, nullptr, 2, {"checked out", "checked out"}},
    {L"checkin", Entry::Checkin, L"", 2, {"checked in", "checked in"}},
    {L"uncheckout", Entry::Uncheckout, nullptr, 2, {"check-out undone", "check-out undone"}},
    {L"get", Entry::Get, nullptr, 2, {"got the latest version", "got the latest version"}},
};

class FileCommands : public ProviderSession, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(FileCommands, HandTheProviderFullPathsTheCommentAndTheProject) {
    const CommandCase& c = GetParam();
    record.script().statusCount = 2;
    record.script().status[0] = kControlled;
    record.script().status[1] = kOutByUser;
    std::wstring arguments = Project() + c.command;
    if (c.comment != nullptr) {
        arguments += L" --comment \"" + std::wstring(c.comment) + L"\"";
    }
    // Relative names are made full against the tool's current folder.
    ToolRun run = Run(arguments + L" a.txt sub\\..\\b.txt", temp.path());

    ASSERT_EQ(0u, run.exitCode) << run.err;
    EXPECT_EQ((std::vector<std::string>{std::string("a.txt: ") + c.done[0],
                                        std::string("sub\\..\\b.txt: ") + c.done[1]}),
              run.OutLines());

    const testprovider::Call* open = Find(Entry::OpenProject);
    ASSERT_NE(nullptr, open);
    EXPECT_STREQ("demo", open->text[1]);
    EXPECT_EQ(Ascii(temp.path()), open->text[2]);
    EXPECT_STREQ("", open->text[0]) << "no user given: the provider chooses";
    EXPECT_EQ(1, open->textNull[4]) << "no comment for opening";
    EXPECT_EQ(c.openFlags, open->args[2]);

    const testprovider::Call* call = Find(c.entry);
    ASSERT_NE(nullptr, call);
    ASSERT_EQ(2, call->fileCount);
    EXPECT_EQ(FullPath("a.txt"), call->files[0]);
    EXPECT_EQ(FullPath("b.txt"), call->files[1]);
    if (c.entry == Entry::Add || c.entry == Entry::Checkout || c.entry == Entry::Checkin) {
        EXPECT_EQ(c.comment == nullptr, call->textNull[0] != 0);
        if (c.comment != nullptr) {
            EXPECT_EQ(Ascii(c.comment), call->text[0]);
        }
    }
    if (c.entry == Entry::Add) {
        EXPECT_EQ(0, call->optionsNull);
        EXPECT_EQ(0, call->options[0]) << "one option word per file, automatic file type";
        EXPECT_EQ(0, call->options[1]);
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, FileCommands, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return Ascii(info.param.command); });

std::string Numbered(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%04d.txt", i);
    return name;
}

TEST_F(ProviderSession, AThousandFilesReachTheProviderInOrderAndComeBackAsJson) {
    constexpr int kFiles = 1000;
    record.script().statusCount = 2;
    record.script().status[0] = kControlled;
    record.script().status[1] = kOutByUser;
    std::wstring names;
    std::vector<std::string> full;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = Numbered(i);
        names += L" " + std::wstring(name.begin(), name.end());
        full.push_back(FullPath(name.c_str()));
    }
    ToolRun run = Run(Project() + L"status --json" + names, temp.path());
    ASSERT_EQ(0u, run.exitCode) << run.err;

    const testprovider::Call* query = Find(Entry::QueryInfo);
    ASSERT_NE(nullptr, query);
    ASSERT_EQ(kFiles, query->fileCount);
    std::vector<const char*> pointers;
    for (const std::string& name : full) {
        pointers.push_back(name.c_str());
    }
    EXPECT_EQ(testprovider::HashNames(pointers.data(), kFiles), query->filesHash)
        << "every name, full and in order";

    std::optional<JsonValue> json = JsonReader::Parse(run.out);
    ASSERT_TRUE(json.has_value()) << run.out.substr(0, 400);
    EXPECT_EQ("status", (*json)["command"].text);
    EXPECT_EQ("SCC_OK", (*json)["result"]["name"].text);
    EXPECT_EQ(Ascii(temp.path()), (*json)["project"]["localPath"].text);
    const std::vector<JsonValue>& files = (*json)["files"].items;
    ASSERT_EQ(static_cast<size_t>(kFiles), files.size());
    for (int i = 0; i < kFiles; ++i) {
        EXPECT_EQ(Numbered(i), files[i]["file"].text);
        EXPECT_EQ(full[i], files[i]["path"].text);
    }
    EXPECT_EQ(kControlled, files[0]["status"].number);
    EXPECT_EQ(kOutByUser, files[1]["status"].number);
    ASSERT_EQ(4u, files[1]["flags"].items.size());
    EXPECT_EQ("outbyuser", files[1]["flags"].items[3].text);
    EXPECT_EQ(0, files[999]["status"].number);
    ASSERT_EQ(1u, files[999]["flags"].items.size());
    EXPECT_EQ("notcontrolled", files[999]["flags"].items[0].text);
}

// Failures that keep the call from the provider: exit code 3, the HRESULT, what it means and
// what to do, on one line.
struct UnreachedCase {
    const char* name;
    const wchar_t* provider; // beside the test; null: a file that is not a DLL
    bool unregisterServer;
    const char* errorLine;
    const wchar_t* server = L""; // --server, when given
};

void PrintTo(const UnreachedCase& c, std::ostream* os) {
    *os << c.name;
}

const UnreachedCase kUnreached[] = {
    {"ServerNotRegistered", kTestProvider, true,
     "plimo-scc: activating the server: 0x80040154 REGDB_E_CLASSNOTREG: the PlimoCOMWrapper "
     "server is not registered; register the server: \"PlimoCOMWrapper.exe /RegServer\" as "
     "administrator, or \"PlimoCOMWrapper.exe /RegServerPerUser\" for this user only"},
    {"ProviderNotADll", nullptr, false,
     "plimo-scc: Init: 0x800700C1 ERROR_BAD_EXE_FORMAT: the provider is not a 32-bit DLL; name "
     "a 32-bit source-control provider DLL"},
    {"ProviderNotADllInThe64BitServer", nullptr, false,
     "plimo-scc: Init: 0x800700C1 ERROR_BAD_EXE_FORMAT: the provider is not a 64-bit DLL; name "
     "a 64-bit source-control provider DLL",
     L"64"},
    {"ProviderWithoutEntryPoint", kSparseTestProvider, false,
     "plimo-scc: SccInitialize: 0x800710DD ERROR_INVALID_OPERATION: the provider does not "
     "export the entry point this step needs; this provider cannot do this command"},
};

class NotReached : public ProviderSession, public ::testing::WithParamInterface<UnreachedCase> {
protected:
    void TearDown() override {
        ProviderSession::TearDown();
        RegisterServer(); // what the next test and the next session rely on
    }
};

TEST_P(NotReached, ExitWithCodeThreeTheHResultAndTheRemedy) {
    const UnreachedCase& c = GetParam();
    std::wstring provider =
        c.provider != nullptr ? BesideTest(c.provider) : temp.path() + L"\\not_a_provider.dll";
    ASSERT_TRUE(WriteText(temp.path() + L"\\not_a_provider.dll", "plain text\r\n"));
    std::wstring arguments = L"--provider " + Quoted(provider) + L" info";
    if (c.server[0] != L'\0') {
        RegisterServer64();
        arguments += L" --server " + std::wstring(c.server);
    }
    ToolRun run;
    if (c.unregisterServer) {
        ChildResult unregistered = RunChild(ServerCommand(L"/UnregServer"));
        ASSERT_TRUE(unregistered.finished);
        ASSERT_EQ(0u, unregistered.exitCode);
        run = RunTool(arguments);
    } else {
        run = Run(arguments);
    }
    ExpectError(run, 3u, c.errorLine);
    EXPECT_EQ(1u, ToolRun::Lines(run.err).size()) << run.err;
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0, record.Count()) << "the provider was called";
}

INSTANTIATE_TEST_SUITE_P(Failures, NotReached, ::testing::ValuesIn(kUnreached),
                         [](const auto& info) { return std::string(info.param.name); });

// Values that just fit the provider's buffers reach it whole: 300 bytes of project name and of
// auxiliary path, 31 of user name (one more of each is refused, see the usage tests).
TEST_F(ProviderSession, ValuesThatFillTheProvidersBuffersReachItWhole) {
    const std::string project(300, 'p');
    const std::string aux(300, 'a');
    const std::string user(31, 'u');
    auto wide = [](const std::string& text) { return std::wstring(text.begin(), text.end()); };
    ToolRun run = Run(L"--provider " + Quoted(BesideTest(kTestProvider)) + L" --project " +
                      wide(project) + L" --local " + Quoted(temp.path()) + L" --aux " + wide(aux) +
                      L" --user " + wide(user) + L" status a.txt");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    const testprovider::Call* open = Find(Entry::OpenProject);
    ASSERT_NE(nullptr, open);
    EXPECT_EQ(user, open->text[0]);
    EXPECT_EQ(project, open->text[1]);
    EXPECT_EQ(aux, open->text[3]);
}

// Real work with the sample provider, from either build: the project is made only by add, the
// status words follow the work, and the provider's refusal is exit code 1.
class SampleSession : public ToolSessionTest, public ::testing::WithParamInterface<Build> {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp.path().empty());
        work = temp.path() + L"\\work";
        ASSERT_TRUE(::CreateDirectoryW(work.c_str(), nullptr));
        ASSERT_TRUE(WriteText(work + L"\\a.txt", "alpha\r\n"));
        ASSERT_TRUE(WriteText(work + L"\\b.txt", "beta\r\n"));
    }
    ToolRun Scc(const std::wstring& command) {
        return Run(L"--provider " + Quoted(BesideTest(L"plimo_sample_provider.dll")) +
                       L" --project demo --local . " + command,
                   work, GetParam());
    }

    TempFolder temp;
    std::wstring work;
};

TEST_P(SampleSession, AddsChecksOutAndReportsWhatTheProviderRefuses) {
    ToolRun before = Scc(L"status a.txt");
    ExpectError(before, 1u,
                "plimo-scc: SccOpenProject answered SCC_E_UNKNOWNPROJECT (-2): the provider knows "
                "no such project");
    EXPECT_FALSE(Exists(work + L".store")) << "status made a project";

    ToolRun add = Scc(L"add --comment \"first version\" a.txt b.txt");
    ASSERT_EQ(0u, add.exitCode) << add.err;
    EXPECT_EQ((std::vector<std::string>{"a.txt: added", "b.txt: added"}), add.OutLines());
    EXPECT_TRUE(IsReadOnly(work + L"\\a.txt"));

    ToolRun checkout = Scc(L"checkout a.txt");
    ASSERT_EQ(0u, checkout.exitCode) << checkout.err;
    ASSERT_TRUE(WriteText(work + L"\\a.txt", "changed\r\n"));

    ToolRun status = Scc(L"status --json a.txt b.txt");
    ASSERT_EQ(0u, status.exitCode) << status.err;
    std::optional<JsonValue> json = JsonReader::Parse(status.out);
    ASSERT_TRUE(json.has_value()) << status.out;
    const std::vector<JsonValue>& files = (*json)["files"].items;
    ASSERT_EQ(2u, files.size());
    EXPECT_EQ(kOutByUser, files[0]["status"].number);
    EXPECT_EQ(kControlled, files[1]["status"].number);
    EXPECT_EQ(Ascii(work) + ".store", (*json)["project"]["auxPath"].text);

    // The provider's own reason comes first, as it wrote it, then the tool's line.
    ToolRun again = Scc(L"checkout a.txt");
    EXPECT_EQ(1u, again.exitCode);
    EXPECT_EQ((std::vector<std::string>{
                  "provider error: could not check out a.txt: it is already checked out to you",
                  "plimo-scc: SccCheckout answered SCC_E_ALREADYCHECKEDOUT (-5): the file is "
                  "already checked out"}),
              ToolRun::Lines(again.err));
    EXPECT_EQ("", again.out);
}

TEST_P(SampleSession, RenamesListsAndRemovesWithTheProvidersMessages) {
    ToolRun add = Scc(L"add a.txt b.txt");
    ASSERT_EQ(0u, add.exitCode) << add.err;
    EXPECT_EQ((std::vector<std::string>{"provider: added a.txt as version 1",
                                        "provider: added b.txt as version 1"}),
              ToolRun::Lines(add.err));

    ToolRun rename = Scc(L"rename b.txt c.txt");
    ASSERT_EQ(0u, rename.exitCode) << rename.err;
    EXPECT_EQ((std::vector<std::string>{"b.txt: renamed to c.txt"}), rename.OutLines());
    EXPECT_EQ("provider: renamed b.txt to c.txt", rename.FirstErrorLine());
    EXPECT_TRUE(Exists(work + L"\\c.txt"));
    EXPECT_FALSE(Exists(work + L"\\b.txt"));

    ToolRun list = Scc(L"list .");
    ASSERT_EQ(0u, list.exitCode) << list.err;
    EXPECT_EQ((std::vector<std::string>{".: controlled", "a.txt: controlled", "c.txt: controlled"}),
              list.OutLines());

    ToolRun remove = Scc(L"remove --json a.txt");
    ASSERT_EQ(0u, remove.exitCode) << remove.err;
    std::optional<JsonValue> json = JsonReader::Parse(remove.out);
    ASSERT_TRUE(json.has_value()) << remove.out;
    ASSERT_EQ(1u, (*json)["output"].items.size());
    EXPECT_EQ("removed a.txt from the project", (*json)["output"].items[0]["text"].text);
    EXPECT_FALSE(IsReadOnly(work + L"\\a.txt")) << "the working copy is the user's again";

    ToolRun changes = Scc(L"changes a.txt c.txt");
    ASSERT_EQ(0u, changes.exitCode) << changes.err;
    EXPECT_EQ((std::vector<std::string>{"a.txt: localadded", "c.txt: unchanged"}),
              changes.OutLines());
}

TEST_P(SampleSession, InfoAsJson) {
    ToolRun info =
        Run(L"--provider " + Quoted(BesideTest(L"plimo_sample_provider.dll")) + L" info --json",
            L"", GetParam());
    ASSERT_EQ(0u, info.exitCode) << info.err;
    std::optional<JsonValue> json = JsonReader::Parse(info.out);
    ASSERT_TRUE(json.has_value()) << info.out;
    EXPECT_EQ("Plimo sample provider", (*json)["sccName"].text);
    EXPECT_EQ("Store folder", (*json)["auxPathLabel"].text);
    EXPECT_EQ(0x0200B283, (*json)["capabilities"]["value"].number);
    std::vector<std::string> flags;
    for (const JsonValue& flag : (*json)["capabilities"]["flags"].items) {
        flags.push_back(flag.text);
    }
    EXPECT_EQ((std::vector<std::string>{"remove", "rename", "queryinfo", "getprojpath",
                                        "commentcheckin", "commentadd", "textout", "populatelist"}),
              flags);
    EXPECT_EQ(0, (*json)["checkoutCommentLength"].number);
    EXPECT_EQ(1024, (*json)["commentLength"].number);
}

INSTANTIATE_TEST_SUITE_P(Builds, SampleSession, ::testing::Values(Build::k64, Build::k32),
                         [](const auto& info) { return std::string(BuildName(info.param)); });

} // namespace
