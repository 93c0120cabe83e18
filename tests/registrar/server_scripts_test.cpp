// The server's AppID and class scripts applied per machine to the real classes root: what they
// leave, what unregistering takes away, and that registering twice changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reg_object.h"
#include "reg_script_parser.h"
#include "registry_image.h"
#include "scratch_key.h"
#include "server_scripts.h"

namespace {

class ServerScriptsPerMachine : public ::testing::Test {
protected:
    void SetUp() override {
        // Start from no registration; whatever was there comes back at the end.
        for (const std::wstring& path : ServerKeyPaths()) {
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
            ::RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
        }
    }

    // As registration applies them: the AppID operation adds APPID twice (its own pair and the
    // common one), every operation adds Module and Module_Raw.
    static HRESULT ApplyServerScript(const wchar_t* script, bool doRegister, bool appIdPair) {
        CRegObject variables;
        if (appIdPair) {
            variables.AddVariable(L"APPID", kAppId);
        }
        variables.AddVariable(L"APPID", kAppId);
        variables.AddVariable(L"Module", kModuleVariable);
        variables.AddVariable(L"Module_Raw", L"C:\\it''s here\\PlimoCOMWrapper.exe");
        CRegScriptParser parser(variables);
        return parser.ApplyScript(script, doRegister);
    }
    static HRESULT RegisterAll() {
        HRESULT hr = ApplyServerScript(AppIdScript(), true, true);
        return FAILED(hr) ? hr : ApplyServerScript(ClassScript(), true, false);
    }
    static HRESULT UnregisterAll() {
        HRESULT hr = ApplyServerScript(ClassScript(), false, false);
        return FAILED(hr) ? hr : ApplyServerScript(AppIdScript(), false, true);
    }

    static std::vector<std::vector<std::wstring>> ServerKeys() {
        std::vector<std::vector<std::wstring>> listings;
        for (const std::wstring& path : ServerKeyPaths()) {
            listings.push_back(Listing(HKEY_CLASSES_ROOT, path));
        }
        return listings;
    }

    SavedKeys saved{HKEY_CLASSES_ROOT, ServerKeyPaths()};
    const std::vector<std::wstring> perUserBefore =
        Listing(HKEY_CURRENT_USER, L"Software\\Classes");
};

TEST_F(ServerScriptsPerMachine, RegisteringLeavesExactlyTheTableOfEntries) {
    ASSERT_EQ(S_OK, RegisterAll());
    EXPECT_EQ(RegisteredServerKeys(), ServerKeys());
    EXPECT_EQ(perUserBefore, Listing(HKEY_CURRENT_USER, L"Software\\Classes"));
}

TEST_F(ServerScriptsPerMachine, UnregisteringRemovesAllButTheAppIdAndClsidKeys) {
    ASSERT_EQ(S_OK, RegisterAll());
    ASSERT_EQ(S_OK, UnregisterAll());
    for (const std::wstring& path : ServerKeyPaths()) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, path)) << path.c_str();
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

TEST_F(ServerScriptsPerMachine, RegisteringTwiceGivesTheSameStateAndRebuildsTheClassKey) {
    ASSERT_EQ(S_OK, RegisterAll());
    // What a stale registration may have left below the class key goes with its rebuild.
    const std::wstring classKey = L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}";
    MakeString(HKEY_CLASSES_ROOT, classKey + L"\\Stale", L"", L"old");
    MakeString(HKEY_CLASSES_ROOT, classKey + L"\\Programmable", L"stale", L"old");
    ASSERT_EQ(S_OK, RegisterAll());
    EXPECT_EQ(RegisteredServerKeys(), ServerKeys());
}

TEST_F(ServerScriptsPerMachine, UnregisteringWhatIsNotRegisteredSucceeds) {
    EXPECT_EQ(S_OK, UnregisterAll());
    for (const std::wstring& path : ServerKeyPaths()) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, path)) << path.c_str();
    }
}

TEST_F(ServerScriptsPerMachine, ClassKeyWithAForeignSubkeySurvivesUnregistration) {
    ASSERT_EQ(S_OK, RegisterAll());
    const std::wstring classKey = L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}";
    MakeKey(HKEY_CLASSES_ROOT, classKey + L"\\InprocHandler32");
    ASSERT_EQ(S_OK, UnregisterAll());
    EXPECT_EQ((std::vector<std::wstring>{L"", L"|@=S:TovikPlimoWrapper Class", L"InprocHandler32"}),
              Listing(HKEY_CLASSES_ROOT, classKey));
}

} // namespace
