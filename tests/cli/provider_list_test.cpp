// The machine's list of providers as plimo-scc reads it (the 32-bit view, from either build),
// the sample provider entering and leaving it through regsvr32, and the choice of a provider by
// name or by the machine's default.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "json_value.h"
#include "provider_list_entries.h"
#include "provider_record_view.h"
#include "tool_runs.h"

using testprovider::Entry;

namespace {

constexpr wchar_t kSampleProvider[] = L"plimo_sample_provider.dll";
constexpr wchar_t kTestKey[] = L"SOFTWARE\\PlimoCliTest\\TestProvider";
constexpr wchar_t kBrokenKey[] = L"SOFTWARE\\PlimoCliTest\\Broken";

// The entries a JSON list of providers holds, by name.
std::map<std::string, JsonValue> ByName(const std::string& json) {
    std::map<std::string, JsonValue> entries;
    std::optional<JsonValue> list = JsonReader::Parse(json);
    EXPECT_TRUE(list.has_value()) << json;
    if (list) {
        for (const JsonValue& entry : (*list)["providers"].items) {
            entries[entry["name"].text] = entry;
        }
    }
    return entries;
}

ChildResult RunRegsvr32(const wchar_t* switches) {
    return RunChild(L"regsvr32 " + std::wstring(switches) + L" " +
                    Quoted(BesideTest(kSampleProvider)));
}

class ProviderListTest : public ToolSessionTest {
protected:
    void SetUp() override {
        ChildResult registered = RunRegsvr32(L"/s");
        ASSERT_TRUE(registered.finished);
        ASSERT_EQ(0u, registered.exitCode);
        entries.Add(L"Plimo test provider", kTestKey, BesideTest(kTestProvider).c_str());
        entries.Add(L"Plimo broken provider", kBrokenKey, nullptr);
        entries.SetDefault(kTestKey);
        record.Reset();
    }

    ProviderListEntries entries;
    ProviderRecordView record;
};

class ProviderList : public ProviderListTest, public ::testing::WithParamInterface<Build> {};

TEST_P(ProviderList, ListsEveryProviderWithItsDllAndTheDefault) {
    ToolRun json = RunTool(L"providers --json", L"", GetParam());
    ASSERT_EQ(0u, json.exitCode) << json.err;
    std::map<std::string, JsonValue> listed = ByName(json.out);
    ASSERT_EQ(1u, listed.count("Plimo sample provider")) << json.out;
    ASSERT_EQ(1u, listed.count("Plimo test provider")) << json.out;
    ASSERT_EQ(1u, listed.count("Plimo broken provider")) << json.out;
    EXPECT_EQ(Ascii(BesideTest(kSampleProvider)), listed["Plimo sample provider"]["path"].text);
    EXPECT_EQ("SOFTWARE\\PlimoSampleProvider", listed["Plimo sample provider"]["key"].text);
    EXPECT_FALSE(listed["Plimo sample provider"]["default"].boolean);
    EXPECT_EQ(Ascii(BesideTest(kTestProvider)), listed["Plimo test provider"]["path"].text);
    EXPECT_TRUE(listed["Plimo test provider"]["default"].boolean);
    EXPECT_EQ("", listed["Plimo broken provider"]["path"].text);

    ToolRun text = RunTool(L"providers", L"", GetParam());
    ASSERT_EQ(0u, text.exitCode) << text.err;
    std::vector<std::string> lines = text.OutLines();
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Plimo test provider: " + Ascii(BesideTest(kTestProvider)) + " (default)"))
        << text.out;
    EXPECT_TRUE(has("Plimo broken provider: (no SCCServerPath)")) << text.out;
    EXPECT_TRUE(has("Plimo sample provider: " + Ascii(BesideTest(kSampleProvider)))) << text.out;
}

TEST_P(ProviderList, UnregisteringTheSampleTakesOnlyItsOwnEntry) {
    ChildResult unregistered = RunRegsvr32(L"/u /s");
    ASSERT_TRUE(unregistered.finished);
    EXPECT_EQ(0u, unregistered.exitCode);
    std::map<std::string, JsonValue> listed =
        ByName(RunTool(L"providers --json", L"", GetParam()).out);
    EXPECT_EQ(0u, listed.count("Plimo sample provider"));
    EXPECT_EQ(1u, listed.count("Plimo test provider")) << "another provider's entry went too";
    EXPECT_EQ(std::wstring(kTestKey),
              ProviderListEntries::Read(kProviderRootKey, kDefaultProviderValue))
        << "another provider's default went too";

    // Registering twice leaves one entry, and keeps the default another provider holds.
    ASSERT_EQ(0u, RunRegsvr32(L"/s").exitCode);
    ASSERT_EQ(0u, RunRegsvr32(L"/s").exitCode);
    listed = ByName(RunTool(L"providers --json", L"", GetParam()).out);
    EXPECT_EQ(1u, listed.count("Plimo sample provider"));
    EXPECT_EQ(std::wstring(kTestKey),
              ProviderListEntries::Read(kProviderRootKey, kDefaultProviderValue));
}

// A 64-bit provider writes in the 64-bit view: listed with its width from either build, and run
// by name in the 64-bit server.
TEST_P(ProviderList, ListsTheSixtyFourBitViewTooAndRunsItsProvidersThere) {
    ProviderListEntries view64(KEY_WOW64_64KEY);
    view64.Add(L"Plimo test provider 64", L"SOFTWARE\\PlimoCliTest\\TestProvider64",
               BesideTest(L"x64\\plimo_test_provider.dll").c_str());
    std::map<std::string, JsonValue> listed =
        ByName(RunTool(L"providers --json", L"", GetParam()).out);
    ASSERT_EQ(1u, listed.count("Plimo test provider 64"));
    EXPECT_EQ(64, listed["Plimo test provider 64"]["bits"].number);
    EXPECT_EQ(32, listed["Plimo test provider"]["bits"].number);
    EXPECT_EQ(Ascii(BesideTest(L"x64\\plimo_test_provider.dll")),
              listed["Plimo test provider 64"]["path"].text);

    RegisterServer64();
    record.SetResult(Entry::GetVersion, 0x00010003);
    ToolRun run = RunTool(L"--provider \"Plimo test provider 64\" version", L"", GetParam());
    ASSERT_EQ(0u, run.exitCode) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ("server: 64-bit (PlimoCOMWrapper64.exe)", lines[lines.size() - 2]);
    EXPECT_EQ("interface version: 1.3 (0x00010003)", lines.back());
    EXPECT_EQ(1, record.CountOf(Entry::GetVersion)) << "the 64-bit provider answered";
}

INSTANTIATE_TEST_SUITE_P(Builds, ProviderList, ::testing::Values(Build::k64, Build::k32),
                         [](const auto& info) { return std::string(BuildName(info.param)); });

// A provider chosen by its name (case ignored) or as the machine's default is the one the
// session binds.
struct Choice {
    const char* name;
    const wchar_t* arguments;
};

using ChosenProvider = ProviderListTest;

TEST_F(ChosenProvider, ByNameOrByDefaultBindsThatProvider) {
    const Choice choices[] = {{"by name", L"--provider \"PLIMO TEST PROVIDER\" version"},
                              {"by default", L"version"}};
    for (const Choice& choice : choices) {
        record.Reset();
        record.SetResult(Entry::GetVersion, 0x00010002);
        ToolRun run = Run(choice.arguments);
        EXPECT_EQ(0u, run.exitCode) << choice.name << ": " << run.err;
        const std::vector<std::string> expected = {
            "plimo-scc " PLIMO_PRODUCT_VERSION,
            "provider: Plimo test provider (" + Ascii(BesideTest(kTestProvider)) + ")",
            "server: 32-bit (PlimoCOMWrapper.exe)", "interface version: 1.2 (0x00010002)"};
        EXPECT_EQ(expected, run.OutLines()) << choice.name;
        ASSERT_EQ(3, record.Count()) << choice.name;
        EXPECT_EQ(Entry::Initialize, record.Call(0).entry);
        EXPECT_STREQ("plimo-scc", record.Call(0).text[0]) << "the caller's name";
        EXPECT_EQ(Entry::GetVersion, record.Call(1).entry);
        EXPECT_EQ(Entry::Uninitialize, record.Call(2).entry);
    }
}

TEST_F(ChosenProvider, AnEntryWithoutDllIsAUsageError) {
    ToolRun run = RunTool(L"--provider \"Plimo broken provider\" info");
    ExpectError(run, 2u,
                "plimo-scc: the provider \"Plimo broken provider\" names no DLL: "
                "HKLM\\SOFTWARE\\PlimoCliTest\\Broken has no SCCServerPath");
    EXPECT_EQ(0, record.Count());
}

TEST_F(ChosenProvider, WithoutADefaultVersionStillTellsTheProductVersion) {
    entries.ClearDefault();
    ToolRun version = RunTool(L"version");
    EXPECT_EQ(0u, version.exitCode) << version.err;
    EXPECT_EQ(std::vector<std::string>{"plimo-scc " PLIMO_PRODUCT_VERSION}, version.OutLines());

    ToolRun json = RunTool(L"version --json");
    std::optional<JsonValue> parsed = JsonReader::Parse(json.out);
    ASSERT_TRUE(parsed.has_value()) << json.out;
    EXPECT_EQ(PLIMO_PRODUCT_VERSION, (*parsed)["product"].text);
    EXPECT_EQ(JsonValue::Kind::Null, (*parsed)["provider"].kind);

    ToolRun info = RunTool(L"info");
    ExpectError(info, 2u,
                "plimo-scc: no --provider given and the machine has no default provider "
                "(HKLM\\SOFTWARE\\SourceCodeControlProvider\\ProviderRegKey)");
    EXPECT_EQ(0, record.Count());
}

} // namespace
