// Command lines plimo-scc refuses: exit code 2, one line saying why on standard error followed
// by the usage, nothing on standard output, and no server or provider reached.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "exit_status.h"
#include "provider_record_view.h"
#include "tool_runs.h"

namespace {

struct UsageCase {
    const char* name;
    std::wstring arguments;
    const char* reason; // the error line after "plimo-scc: "; a '*' at either end matches any text
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

// Every case names the test provider where a provider could be named, so that a command
// line taken for a session would show in the provider's record.
#define PROVIDER L"--provider .\\plimo_test_provider.dll "
const UsageCase kCases[] = {
    {"Nothing", L"", "no command given"},
    {"UnknownCommand", PROVIDER L"frobnicate", "unknown command \"frobnicate\""},
    {"UnknownOption", PROVIDER L"--frob info", "unknown option --frob"},
    {"OptionWithoutValue", L"info --provider", "--provider needs a value"},
    {"EmptyValue", L"--project= --local . status a.txt", "--project needs a value"},
    {"OptionTwice", PROVIDER L"--project p --project q --local . status a.txt",
     "--project is given twice"},
    {"NoFiles", PROVIDER L"--project p --local . checkin", "checkin needs at least one file"},
    {"NoProject", PROVIDER L"--local . get a.txt", "get needs --project"},
    {"NoLocalFolder", PROVIDER L"--project p uncheckout a.txt", "uncheckout needs --local"},
    {"CommentWithoutComment", PROVIDER L"--project p --local . status --comment x a.txt",
     "--comment does not apply to status"},
    {"ProjectForVersion", PROVIDER L"--project p version", "--project does not apply to version"},
    {"FilesForInfo", PROVIDER L"info a.txt", "info takes no files"},
    {"ProviderForProviders", PROVIDER L"providers", "--provider does not apply to providers"},
    {"EmptyFileName", PROVIDER L"--project p --local . add a.txt \"\"", "an empty file name"},
    {"RenameWithOneName", PROVIDER L"--project p --local . rename a.txt",
     "rename takes exactly two files: OLD NEW"},
    {"PropertiesOfTwoFiles", PROVIDER L"--project p --local . properties a.txt b.txt",
     "properties takes exactly one file"},
    {"CommentForRename", PROVIDER L"--project p --local . rename --comment x a.txt b.txt",
     "--comment does not apply to rename"},
    {"ListOfFilesAndFolders", PROVIDER L"--project p --local . list . a.txt",
     "list takes files or folders, not both"},
    {"UnknownProviderName", L"--provider \"no such provider\" info",
     "no provider named \"no such provider\" is installed (\"plimo-scc providers\" lists them)"},
    {"MissingProviderDll", L"--provider .\\no_such_provider.dll info", "no provider DLL at *"},
    // The 64-bit build sees the system's 64-bit DLLs in system32.
    {"SixtyFourBitProviderOnThe32BitServer",
     L"--provider C:\\windows\\system32\\kernel32.dll --server 32 info",
     "C:\\windows\\system32\\kernel32.dll is a 64-bit x64 DLL; the 32-bit server loads 32-bit "
     "providers only"},
    {"ThirtyTwoBitProviderOnThe64BitServer", PROVIDER L"--server 64 info",
     "*plimo_test_provider.dll is a 32-bit x86 DLL; the 64-bit server loads 64-bit providers only"},
    {"NoSuchServer", PROVIDER L"--server 16 info", "--server takes 32 or 64"},
    // Longer than the provider's buffers, which would cut them: a cut path names another folder.
    {"AuxPathTooLong",
     PROVIDER L"--project p --local . --aux " + std::wstring(301, L'a') + L" status a.txt",
     "--aux is too long: 301 bytes in the ANSI code page, and the provider takes at most 300"},
    {"ProjectTooLong", PROVIDER L"--project=" + std::wstring(400, L'p') + L" --local . get a.txt",
     "--project is too long: 400 bytes in the ANSI code page, and the provider takes at most 300"},
    {"UserTooLong", PROVIDER L"--project p --local . --user " + std::wstring(32, L'u') + L" get a",
     "--user is too long: 32 bytes in the ANSI code page, and the provider takes at most 31"},
};
#undef PROVIDER

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, ExitWithCodeTwoAReasonAndTheUsage) {
    const UsageCase& c = GetParam();
    ProviderRecordView record;
    record.Reset();
    ToolRun run = RunTool(c.arguments);

    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ("", run.out);
    const std::string expected = std::string("plimo-scc: ") + c.reason;
    const std::string line = run.FirstErrorLine();
    if (c.reason[0] == '*') {
        const std::string end = expected.substr(std::strlen("plimo-scc: *"));
        EXPECT_EQ(0u, line.rfind("plimo-scc: ", 0)) << line;
        EXPECT_TRUE(line.size() >= end.size() &&
                    line.compare(line.size() - end.size(), end.size(), end) == 0)
            << line;
    } else if (expected.back() == '*') {
        EXPECT_EQ(0u, run.FirstErrorLine().rfind(expected.substr(0, expected.size() - 1), 0))
            << run.FirstErrorLine();
    } else {
        EXPECT_EQ(expected, run.FirstErrorLine());
    }
    EXPECT_NE(std::string::npos, run.err.find("\nusage: plimo-scc providers [--json]"));
    EXPECT_EQ(0, record.Count()) << "a refused command line reached the provider";
}

INSTANTIATE_TEST_SUITE_P(CommandLines, UsageErrors, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Scripts read the exit code: the usage names every one the tool can end with.
TEST(Help, ListsEveryExitCode) {
    const std::string usage = RunTool(L"--help").out;
    const size_t from = usage.find("Exit codes:");
    ASSERT_NE(std::string::npos, from) << usage;
    const std::string codes = usage.substr(from);
    for (int code :
         {kExitSuccess, kExitProviderError, kExitUsage, kExitNotReached, kExitNotEnded}) {
        const std::string number = std::to_string(code) + " ";
        EXPECT_TRUE(codes.find(" " + number) != std::string::npos ||
                    codes.find("\n" + number) != std::string::npos)
            << code << " is not listed in:\n"
            << codes;
    }
}

TEST(Help, PrintsTheUsageOnStandardOutputAndSucceeds) {
    for (const wchar_t* arguments : {L"--help", L"-h", L"help", L"status --help"}) {
        ToolRun run = RunTool(arguments);
        EXPECT_EQ(0u, run.exitCode) << Ascii(arguments);
        EXPECT_EQ(0u, run.out.rfind("usage: plimo-scc providers [--json]", 0)) << Ascii(arguments);
        EXPECT_EQ("", run.err);
    }
}

} // namespace
