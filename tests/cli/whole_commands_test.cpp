// The commands that reach past a basic session, through the real server and the test provider:
// what each hands the provider and prints, the provider's messages on standard error and in the
// JSON, and a provider that opens no project unless it has somewhere to write its messages.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "json_value.h"
#include "provider_session.h"

using testprovider::Entry;

namespace {

constexpr LONG kDiffers = 6;          // SCC_I_FILEDIFFERS
constexpr int32_t kQuickDiff = 0x38;  // SCC_DIFF_QUICK_DIFF
constexpr int32_t kFolders = 0x1;     // SCC_PL_DIR
constexpr int32_t kNonspecific = -15; // SCC_E_NONSPECIFICERROR

struct CommandCase {
    const char* name;
    const wchar_t* arguments; // after the project; "dir" is a folder in the project's folder
    Entry entry;
    std::vector<std::string> out;
    // Looks at what the provider received; `full` makes a name in the project's folder full.
    std::function<void(const testprovider::Call&, const std::function<std::string(const char*)>&)>
        check;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

const CommandCase kCommands[] = {
    {"Remove",
     L"remove --comment gone a.txt b.txt",
     Entry::Remove,
     {"a.txt: removed", "b.txt: removed"},
     [](const testprovider::Call& call, const auto& full) {
         ASSERT_EQ(2, call.fileCount);
         EXPECT_EQ(full("b.txt"), call.files[1]);
         EXPECT_STREQ("gone", call.text[0]);
     }},
    {"Rename",
     L"rename a.txt c.txt",
     Entry::Rename,
     {"a.txt: renamed to c.txt"},
     [](const testprovider::Call& call, const auto& full) {
         EXPECT_EQ(full("a.txt"), call.text[0]);
         EXPECT_EQ(full("c.txt"), call.text[1]);
     }},
    {"History",
     L"history a.txt",
     Entry::History,
     {"a.txt: history shown"},
     [](const testprovider::Call& call, const auto& full) {
         ASSERT_EQ(1, call.fileCount);
         EXPECT_EQ(full("a.txt"), call.files[0]);
     }},
    {"Diff",
     L"diff a.txt b.txt",
     Entry::Diff,
     {"a.txt: differs from the stored version", "b.txt: differs from the stored version"},
     [](const testprovider::Call& call, const auto& full) {
         EXPECT_EQ(full("a.txt"), call.text[0]);
         EXPECT_EQ(kQuickDiff, call.args[1]) << "an answer, not a window";
     }},
    {"Properties",
     L"properties a.txt",
     Entry::Properties,
     {"a.txt: properties shown"},
     [](const testprovider::Call& call, const auto& full) {
         EXPECT_EQ(full("a.txt"), call.text[0]);
     }},
    {"Changes",
     L"changes a.txt",
     Entry::QueryChanges,
     {"item0: unknown", "item1: unchanged", "item2: different"},
     [](const testprovider::Call& call, const auto& full) {
         ASSERT_EQ(1, call.fileCount);
         EXPECT_EQ(full("a.txt"), call.files[0]);
     }},
    {"ListOfFiles",
     L"list a.txt b.txt",
     Entry::PopulateList,
     {"a.txt: controlled", "b.txt: controlled, checkedout", "item0: notcontrolled",
      "item1: left out (controlled)", "item2: checkedout"},
     [](const testprovider::Call& call, const auto&) {
         ASSERT_EQ(2, call.fileCount);
         EXPECT_EQ(0, call.args[3]) << "names of files";
     }},
    {"ListOfAFolder",
     L"list dir",
     Entry::PopulateList,
     {"dir: controlled", "item0: notcontrolled", "item1: left out (controlled)",
      "item2: checkedout"},
     [](const testprovider::Call& call, const auto& full) {
         EXPECT_EQ(full("dir"), call.files[0]);
         EXPECT_EQ(kFolders, call.args[3]);
     }},
    {"DirStatus",
     L"dirstatus dir",
     Entry::DirQueryInfo,
     {"dir: controlled"},
     [](const testprovider::Call& call, const auto& full) {
         EXPECT_EQ(full("dir"), call.files[0]);
     }},
};

class WholeCommands : public ProviderSession, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(WholeCommands, HandTheProviderFullPathsAndPrintWhatItAnswered) {
    const CommandCase& c = GetParam();
    ASSERT_TRUE(::CreateDirectoryW((temp.path() + L"\\dir").c_str(), nullptr));
    record.script().reportCount = 3;
    record.script().statusCount = 2;
    record.script().status[0] = 1;
    record.script().status[1] = 3;
    record.SetResult(Entry::Diff, kDiffers);
    ToolRun run = Run(Project() + c.arguments, temp.path());

    ASSERT_EQ(0u, run.exitCode) << run.err;
    EXPECT_EQ(c.out, run.OutLines());
    EXPECT_EQ("", run.err);
    const testprovider::Call* call = Find(c.entry);
    ASSERT_NE(nullptr, call);
    c.check(*call, [&](const char* name) { return FullPath(name); });
    const std::vector<Entry> entries = Entries();
    ASSERT_LE(2u, entries.size());
    EXPECT_EQ((std::vector<Entry>{Entry::CloseProject, Entry::Uninitialize}),
              std::vector<Entry>(entries.end() - 2, entries.end()));
}

INSTANTIATE_TEST_SUITE_P(Commands, WholeCommands, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

// The provider's messages, of every type, on standard error as they come and in the JSON.
TEST_F(ProviderSession, TheProvidersMessagesGoToStandardErrorAndIntoTheJson) {
    record.script().messageCount = 4;
    record.script().cancelProtocol = 1;
    ToolRun run = Run(Project() + L"remove a.txt");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    // Every call from the project's opening on writes four, and the tool takes them all.
    const std::vector<std::string> four = {"provider: message 0", "provider warning: message 1",
                                           "provider error: message 2",
                                           "provider status: message 3"};
    std::vector<std::string> expected;
    for (int call = 0; call < 4; ++call) { // open, remove, close, uninitialise
        expected.insert(expected.end(), four.begin(), four.end());
    }
    EXPECT_EQ(expected, ToolRun::Lines(run.err));
    EXPECT_EQ(0, record.shared().doCancelAnswer) << "asked whether to cancel: go on";

    ToolRun json = Run(Project() + L"remove --json a.txt");
    std::optional<JsonValue> value = JsonReader::Parse(json.out);
    ASSERT_TRUE(value.has_value()) << json.out;
    const std::vector<JsonValue>& output = (*value)["output"].items;
    ASSERT_EQ(16u, output.size());
    EXPECT_EQ("warning", output[5]["type"].text);
    EXPECT_EQ("message 1", output[5]["text"].text);
}

// Whether `output` holds a character a terminal would obey: a C0 control other than the line
// break, DEL, or a C1 control (UTF-8 0xC2 0x80..0x9F).
bool HasRawControls(const std::string& output) {
    for (size_t i = 0; i < output.size(); ++i) {
        const auto c = static_cast<unsigned char>(output[i]);
        const auto next = i + 1 < output.size() ? static_cast<unsigned char>(output[i + 1]) : 0;
        if ((c < 0x20 && c != '\n') || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F)) {
            return true;
        }
    }
    return false;
}

// Text from the provider is shown, never obeyed: the name it reports and the messages it writes
// come escaped in the text output, line breaks, escape sequences and C1 controls alike (the code
// page gives 0x81 and 0x9D as U+0081 and U+009D). The JSON keeps the text whole.
TEST_F(ProviderSession, TheProvidersTextReachesTheTerminalEscaped) {
    // SccInitialize's name buffer holds 31 bytes.
    constexpr char kName[] = "\x1b[2J\x1b]0;t\x07\nplimo-scc: x\r\x81\x7f";
    constexpr char kMessage[] = "\x1b[31mred\x1b[0m\nplimo-scc: forged\t\x9d";
    record.script().writeTextMask = 1;
    std::strcpy(record.script().writeText[0], kName);
    const std::wstring provider = L"--provider " + Quoted(BesideTest(kTestProvider));
    ToolRun info = Run(provider + L" info");
    ASSERT_EQ(0u, info.exitCode) << info.err;
    EXPECT_EQ(R"(provider: \x1b[2J\x1b]0;t\x07\nplimo-scc: x\r\x81\x7f)", info.OutLines().at(0));
    EXPECT_FALSE(HasRawControls(info.out)) << info.out;
    ToolRun infoJson = Run(provider + L" info --json");
    std::optional<JsonValue> value = JsonReader::Parse(infoJson.out);
    ASSERT_TRUE(value.has_value()) << infoJson.out;
    EXPECT_EQ("\x1b[2J\x1b]0;t\x07\nplimo-scc: x\r\xC2\x81\x7f", (*value)["sccName"].text);

    record.script().writeTextMask = 0;
    record.script().messageCount = 1;
    std::strcpy(record.script().messageText, kMessage);
    ToolRun remove = Run(Project() + L"remove a.txt");
    ASSERT_EQ(0u, remove.exitCode) << remove.err;
    // One message from each call, the project's opening to the end of the session.
    const std::string shown = R"(provider: \x1b[31mred\x1b[0m\nplimo-scc: forged\t\x9d)";
    EXPECT_EQ(std::vector<std::string>(4, shown), ToolRun::Lines(remove.err));
    EXPECT_FALSE(HasRawControls(remove.err)) << remove.err;
    ToolRun removeJson = Run(Project() + L"remove --json a.txt");
    value = JsonReader::Parse(removeJson.out);
    ASSERT_TRUE(value.has_value()) << removeJson.out;
    ASSERT_EQ(4u, (*value)["output"].items.size());
    EXPECT_EQ("\x1b[31mred\x1b[0m\nplimo-scc: forged\t\xC2\x9D",
              (*value)["output"].items[0]["text"].text);
}

// A provider that opens no project without a text-output procedure works through the tool.
TEST_F(ProviderSession, AProviderThatNeedsSomewhereToWriteOpensItsProject) {
    record.script().requireTextOutput = 1;
    record.script().messageCount = 1;
    ToolRun run = Run(Project() + L"history a.txt");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    EXPECT_EQ((std::vector<std::string>{"a.txt: history shown"}), run.OutLines());
    EXPECT_EQ("provider: message 0", run.FirstErrorLine());
}

// What changed, from a provider that only queues events, and the reports as JSON.
TEST_F(ProviderSession, ChangesComeFromQueuedEventsWhenTheProviderHasNoQueryForThem) {
    auto& script = record.script();
    script.writeTextMask = 1;
    std::strcpy(script.writeText[0], "C:\\w\\a.c");
    script.writeLongMask = 0x3;
    script.writeLong[0] = 0x3; // controlled, checked out
    script.writeLong[1] = 0;   // no more events
    ToolRun run = Run(Project(kQueueingTestProvider) + L"changes --json a.txt");
    ASSERT_EQ(0u, run.exitCode) << run.err;
    std::optional<JsonValue> value = JsonReader::Parse(run.out);
    ASSERT_TRUE(value.has_value()) << run.out;
    EXPECT_EQ("SccGetEvents", (*value)["result"]["call"].text);
    const std::vector<JsonValue>& reported = (*value)["reported"].items;
    ASSERT_EQ(1u, reported.size());
    EXPECT_EQ("C:\\w\\a.c", reported[0]["name"].text);
    EXPECT_EQ(3, reported[0]["status"].number);
    EXPECT_TRUE((*value)["complete"].boolean);
}

// A 64-bit provider runs in the 64-bit server, chosen from its PE header: only that server can
// load it, and the provider recorded the call.
TEST_F(ProviderSession, ASixtyFourBitProviderRunsInTheSixtyFourBitServer) {
    RegisterServer64();
    record.script().messageCount = 1;
    ToolRun run = Run(Project(L"x64\\plimo_test_provider.dll") + L"remove a.txt", temp.path());
    ASSERT_EQ(0u, run.exitCode) << run.err;
    EXPECT_EQ((std::vector<std::string>{"a.txt: removed"}), run.OutLines());
    EXPECT_EQ("provider: message 0", run.FirstErrorLine());
    const testprovider::Call* remove = Find(Entry::Remove);
    ASSERT_NE(nullptr, remove);
    EXPECT_EQ(FullPath("a.txt"), remove->files[0]);
}

} // namespace
