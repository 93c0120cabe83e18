// Per-user registration mode: the server's scripts land under HKCU\Software\Classes and leave the
// machine's classes untouched, and unregistering removes the emptied Software\Classes keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reg_object.h"
#include "reg_script_parser.h"
#include "registry_image.h"
#include "scratch_key.h"
#include "server_scripts.h"
#include "variable_expansion.h"

namespace {

HRESULT ApplyServerScript(const wchar_t* script, bool doRegister) {
    RegObject variables;
    variables.AddVariable(L"APPID", kAppId);
    variables.AddVariable(L"Module", kModuleVariable);
    RegScriptParser parser(variables, RegistryScope::PerUser);
    return parser.ApplyScript(script, doRegister);
}

// Every parser of these tests is made for the per-user scope.
class PerUserMode : public ::testing::Test {};

TEST_F(PerUserMode, ParserExpandsTheAppIdScriptToThePerUserText) {
    RegObject variables;
    ASSERT_EQ(S_OK, variables.AddVariable(L"APPID", kAppId));
    RegScriptParser parser(variables, RegistryScope::PerUser);
    LPOLESTR expanded = nullptr;
    ASSERT_EQ(S_OK, parser.ExpandVariables(AppIdScript(), &expanded));
    const ScopedTaskText owned(expanded);
    EXPECT_EQ(std::wstring(kPerUserAppIdScript), std::wstring(owned.get()));
}

// On the real registry: HKCU\Software\Classes is saved and put back; the machine's classes, of
// which HKCR is made, are compared before and after.
class ServerScriptsPerUser : public PerUserMode {
protected:
    static std::vector<std::vector<std::wstring>> ListAll(HKEY root) {
        std::vector<std::vector<std::wstring>> listings;
        for (const std::wstring& path : ServerKeyPaths()) {
            listings.push_back(Listing(root, L"Software\\Classes\\" + path));
        }
        return listings;
    }

    SavedKeys saved{HKEY_CURRENT_USER, {L"Software\\Classes"}};
    const std::vector<std::vector<std::wstring>> machineBefore = ListAll(HKEY_LOCAL_MACHINE);
    const std::vector<std::wstring> userBefore = Listing(HKEY_CURRENT_USER, L"Software\\Classes");
};

TEST_F(ServerScriptsPerUser, RegisteringWritesTheTableUnderTheUsersClassesOnly) {
    ASSERT_EQ(S_OK, ApplyServerScript(AppIdScript(), true));
    ASSERT_EQ(S_OK, ApplyServerScript(ClassScript(), true));
    EXPECT_EQ(RegisteredServerKeys(), ListAll(HKEY_CURRENT_USER));
    EXPECT_EQ(machineBefore, ListAll(HKEY_LOCAL_MACHINE));
}

TEST_F(ServerScriptsPerUser, UnregisteringLeavesOnlyTheNoRemoveKeysBehind) {
    ASSERT_EQ(S_OK, ApplyServerScript(AppIdScript(), true));
    ASSERT_EQ(S_OK, ApplyServerScript(ClassScript(), true));
    ASSERT_EQ(S_OK, ApplyServerScript(ClassScript(), false));
    ASSERT_EQ(S_OK, ApplyServerScript(AppIdScript(), false));
    for (const std::wstring& path : ServerKeyPaths()) {
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + path)) << path.c_str();
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\AppID"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID"));
    // Everything that was there before is there still.
    const std::vector<std::wstring> userNow = Listing(HKEY_CURRENT_USER, L"Software\\Classes");
    for (const std::wstring& line : userBefore) {
        EXPECT_NE(userNow.end(), std::find(userNow.begin(), userNow.end(), line)) << line.c_str();
    }
    EXPECT_EQ(machineBefore, ListAll(HKEY_LOCAL_MACHINE));
}

// With the root keys of this process pointed into the test's own key, the whole per-user
// effect is visible, down to the removal of an emptied HKCU\Software.
class PerUserRewrite : public PerUserMode {
protected:
    static HRESULT Apply(const std::wstring& script, bool doRegister) {
        RegObject variables;
        RegScriptParser parser(variables, RegistryScope::PerUser);
        return parser.ApplyScript(script.c_str(), doRegister);
    }
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, user.result());
        ASSERT_EQ(ERROR_SUCCESS, classes.result());
        ASSERT_EQ(ERROR_SUCCESS, machine.result());
    }
    std::vector<std::wstring> State() const { return Listing(scratch.get(), L""); }

    ScratchKey scratch;
    PredefinedKeyOverride user{HKEY_CURRENT_USER, scratch.get(), L"CU"};
    PredefinedKeyOverride classes{HKEY_CLASSES_ROOT, scratch.get(), L"CR"};
    PredefinedKeyOverride machine{HKEY_LOCAL_MACHINE, scratch.get(), L"LM"};
};

const std::wstring kMixedRoots = L"HKCR { X = s 'x' { Sub } }\r\n"
                                 L"HKEY_CLASSES_ROOT { Y }\r\n"
                                 L"hkcr { W }\r\n"
                                 L"HKLM { Z }\r\n";

TEST_F(PerUserRewrite, OnlyBlocksWrittenHkcrMoveUnderSoftwareClasses) {
    ASSERT_EQ(S_OK, Apply(kMixedRoots, true));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"CR", L"CR\\W", L"CR\\Y", L"CU", L"CU\\Software",
                                         L"CU\\Software\\Classes", L"CU\\Software\\Classes\\X",
                                         L"CU\\Software\\Classes\\X|@=S:x",
                                         L"CU\\Software\\Classes\\X\\Sub", L"LM", L"LM\\Z"}),
              State());
}

TEST_F(PerUserRewrite, UnregisteringRemovesSoftwareAndClassesOnceEmpty) {
    ASSERT_EQ(S_OK, Apply(kMixedRoots, true));
    ASSERT_EQ(S_OK, Apply(kMixedRoots, false));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"CR", L"CU", L"LM"}), State());
}

TEST_F(PerUserRewrite, UnregisteringKeepsSoftwareThatHoldsOtherKeys) {
    MakeKey(scratch.get(), L"CU\\Software\\Vendor");
    ASSERT_EQ(S_OK, Apply(L"HKCR { X }", true));
    ASSERT_EQ(S_OK, Apply(L"HKCR { X }", false));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"CR", L"CU", L"CU\\Software",
                                         L"CU\\Software\\Vendor", L"LM"}),
              State());
}

} // namespace

namespace {

// A quote inside a plain token is a character of it, as the tokenizer reads it, so it opens no
// quoted stretch that would hide the next root block from the rewrite.
TEST_F(PerUserRewrite, AnApostropheInsideAPlainTokenLeavesTheNextRootBlockRewritten) {
    ASSERT_EQ(S_OK, Apply(L"HKCR { O'Brien }\r\nHKCR { Z = s 'it''s' }", true));
    EXPECT_EQ(
        (std::vector<std::wstring>{L"", L"CR", L"CU", L"CU\\Software", L"CU\\Software\\Classes",
                                   L"CU\\Software\\Classes\\O'Brien", L"CU\\Software\\Classes\\Z",
                                   L"CU\\Software\\Classes\\Z|@=S:it's", L"LM"}),
        State());
}

} // namespace
