// plimo-scc proxy add, list and remove against scratch entries in both registry views: what each
// writes and takes out again, the default it sets and gives back, and the copy of the proxy that
// a host then loads (the 32-bit one, driving the 64-bit test provider, from this test itself).
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "json_value.h"
#include "provider_entry_points.h"
#include "provider_list_entries.h"
#include "provider_record_view.h"
#include "scc_proxy_registry.h"
#include "tool_runs.h"

using testprovider::Entry;

namespace {

constexpr wchar_t kName[] = L"Plimo proxy test provider";
constexpr wchar_t kListName[] = L"Plimo proxy test provider (through PlimoCOMWrapper)";
constexpr wchar_t kEntryKey[] = L"SOFTWARE\\PlimoCOMWrapper\\SccProxy\\Plimo proxy test provider";
constexpr wchar_t kOtherDefault[] = L"SOFTWARE\\PlimoCliTest\\SomeoneElses";

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The scratch provider listed in the view of its width, and the other view's default saved and
// set to another provider's key; both views as they were afterwards.
class ProxyCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const bool is64 = ProviderBits() == 64;
        own_ = std::make_unique<ProviderListEntries>(is64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
        other_ = std::make_unique<ProviderListEntries>(is64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
        own_->Add(kName, L"SOFTWARE\\PlimoCliTest\\ProxyTest",
                  BesideTest(is64 ? L"x64\\plimo_test_provider.dll" : kTestProvider).c_str());
        other_->SetDefault(kOtherDefault);
        record_.Reset();
    }
    void TearDown() override { RunTool(L"proxy remove \"" + std::wstring(kName) + L"\""); }

    virtual int ProviderBits() const = 0;
    REGSAM HostView() const { return ProviderBits() == 64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }
    // The value in the hosts' view; reading creates no key (a key left behind would be an
    // entry).
    std::optional<std::wstring> Read(const wchar_t* key, const wchar_t* value) const {
        ScopedRegKey opened;
        wchar_t text[MAX_PATH] = {};
        DWORD bytes = sizeof text - sizeof(wchar_t);
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | HostView(), opened.put()) !=
                ERROR_SUCCESS ||
            ::RegGetValueW(opened.get(), nullptr, value, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
                ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::wstring(text);
    }

    std::unique_ptr<ProviderListEntries> own_, other_;
    ProviderRecordView record_;
};

class ProxyCommands : public ProxyCommandsTest, public ::testing::WithParamInterface<int> {
protected:
    int ProviderBits() const override { return GetParam(); }
};

// A 64-bit provider, whose proxy is the 32-bit one this test can load.
class ProxyCopy : public ProxyCommandsTest {
protected:
    int ProviderBits() const override { return 64; }
};

TEST_P(ProxyCommands, AddEntersTheProviderForHostsOfTheOtherWidthAndRemoveTakesItOut) {
    const std::wstring proxy =
        ProviderBits() == 64 ? BesideTest(L"proxied\\Plimo proxy test provider\\PlimoSccProxy.dll")
                             : BesideTest(L"x64\\proxied\\Plimo proxy test provider\\"
                                          L"PlimoSccProxy64.dll");
    const std::wstring provider =
        BesideTest(ProviderBits() == 64 ? L"x64\\plimo_test_provider.dll" : kTestProvider);
    // Either build of the tool does it: the 32-bit one finds the proxies from its own folder.
    const Build build = ProviderBits() == 64 ? Build::k32 : Build::k64;
    ToolRun added = RunTool(L"proxy add \"PLIMO PROXY TEST PROVIDER\" --default", L"", build);
    ASSERT_EQ(0u, added.exitCode) << added.err;

    EXPECT_EQ(std::wstring(kEntryKey), Read(kInstalledProvidersKey, kListName).value_or(L""));
    EXPECT_EQ(std::wstring(kListName), Read(kEntryKey, sccproxy::kServerNameValue).value_or(L""));
    EXPECT_EQ(proxy, Read(kEntryKey, sccproxy::kServerPathValue).value_or(L""));
    EXPECT_EQ(provider, Read(kEntryKey, sccproxy::kProviderPathValue).value_or(L""));
    EXPECT_EQ(std::wstring(kName), Read(kEntryKey, sccproxy::kProviderNameValue).value_or(L""));
    EXPECT_TRUE(FileExists(proxy)) << "the entry's own copy of the proxy";
    EXPECT_EQ(std::wstring(kEntryKey), Read(kProviderRootKey, kDefaultProviderValue).value_or(L""));
    EXPECT_EQ(std::wstring(kOtherDefault),
              Read(kEntryKey, sccproxy::kPreviousDefaultValue).value_or(L""));
    EXPECT_FALSE(
        ProviderListEntries::Read(kInstalledProvidersKey, kListName,
                                  ProviderBits() == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY))
        << "the provider's own view is left alone";

    ToolRun listed = RunTool(L"proxy list --json");
    ASSERT_EQ(0u, listed.exitCode) << listed.err;
    std::optional<JsonValue> list = JsonReader::Parse(listed.out);
    ASSERT_TRUE(list.has_value()) << listed.out;
    // Other entries (the README's session leaves the sample's) are listed beside it.
    const JsonValue* found = nullptr;
    for (const JsonValue& item : (*list)["proxies"].items) {
        found = item["name"].text == Ascii(kListName) ? &item : found;
    }
    ASSERT_NE(nullptr, found) << listed.out;
    const JsonValue& entry = *found;
    EXPECT_EQ(Ascii(kListName), entry["name"].text);
    EXPECT_EQ(Ascii(provider), entry["providerPath"].text);
    EXPECT_EQ(Ascii(proxy), entry["proxy"].text);
    EXPECT_EQ(ProviderBits() == 64 ? 32 : 64, entry["hostBits"].number);
    EXPECT_TRUE(entry["default"].boolean);

    ToolRun removed = RunTool(L"proxy remove \"" + std::wstring(kListName) + L"\"");
    ASSERT_EQ(0u, removed.exitCode) << removed.err;
    EXPECT_FALSE(Read(kInstalledProvidersKey, kListName));
    EXPECT_FALSE(Read(kEntryKey, sccproxy::kServerPathValue));
    EXPECT_FALSE(FileExists(proxy));
    EXPECT_EQ(std::wstring(kOtherDefault),
              Read(kProviderRootKey, kDefaultProviderValue).value_or(L""))
        << "the default it replaced is back";
    ExpectError(RunTool(L"proxy remove \"" + std::wstring(kName) + L"\""), 2u,
                "plimo-scc: proxy: no provider named \"Plimo proxy test provider\" runs through "
                "the proxy (\"plimo-scc proxy list\" lists them)");
}

// The copy that add made is the provider a 32-bit host loads: it runs the 64-bit provider it
// stands for in the 64-bit server.
TEST_F(ProxyCopy, TheCopyAddMakesRunsTheRealProviderForAHost) {
    RegisterServer64();
    ASSERT_EQ(0u, RunTool(L"proxy add \"" + std::wstring(kName) + L"\"").exitCode);
    const std::optional<std::wstring> copy = Read(kEntryKey, sccproxy::kServerPathValue);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(Read(kProviderRootKey, kDefaultProviderValue) == std::wstring(kEntryKey))
        << "without --default the default stays";
    {
        ScopedLibrary host(::LoadLibraryW(copy->c_str()));
        ASSERT_TRUE(host);
        auto initialize = reinterpret_cast<provider::SccInitializeFn>(
            reinterpret_cast<void*>(::GetProcAddress(host.get(), "SccInitialize")));
        auto uninitialize = reinterpret_cast<provider::SccContextFn>(
            reinterpret_cast<void*>(::GetProcAddress(host.get(), "SccUninitialize")));
        ASSERT_TRUE(initialize && uninitialize);
        void* context = nullptr;
        char name[32] = {}, label[32] = {};
        LONG caps = 0, a = 0, b = 0;
        record_.SetResult(Entry::Initialize, 0);
        ASSERT_EQ(0, initialize(&context, nullptr, "host", name, &caps, label, &a, &b));
        EXPECT_EQ(0, uninitialize(context));
    }
    ASSERT_EQ(2, record_.Count());
    EXPECT_EQ(Entry::Initialize, record_.Call(0).entry);
    EXPECT_STREQ("host", record_.Call(0).text[0]);
    EXPECT_NE(::GetCurrentProcessId(), record_.Call(0).processId);
}

INSTANTIATE_TEST_SUITE_P(ProviderWidths, ProxyCommands, ::testing::Values(32, 64),
                         [](const auto& info) {
                             return info.param == 64 ? std::string("Provider64")
                                                     : std::string("Provider32");
                         });

TEST(ProxyCommandLine, RefusesWhatItCannotDo) {
    struct Refusal {
        const wchar_t* arguments;
        const char* line;
    };
    const Refusal refusals[] = {
        {L"proxy add \"No such provider\"",
         "plimo-scc: proxy: no provider named \"No such provider\" is installed (\"plimo-scc "
         "providers\" lists them)"},
        {L"proxy add",
         "plimo-scc: proxy: takes add NAME [--default], remove NAME or list [--json]"},
        {L"proxy list --default", "plimo-scc: proxy: unknown option --default"},
        {L"proxy frob x", "plimo-scc: proxy: takes add NAME [--default], remove NAME or list "
                          "[--json]"},
    };
    for (const Refusal& refusal : refusals) {
        ExpectError(RunTool(refusal.arguments), 2u, refusal.line);
    }
}

} // namespace
