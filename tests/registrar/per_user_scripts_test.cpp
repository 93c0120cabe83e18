// The per-user scope: a script's HKCR blocks land under HKCU\Software\Classes, and
// unregistering removes the emptied Software\Classes keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "replacement_variables.h"
#include "reg_script_parser.h"
#include "registry_image.h"
#include "scratch_key.h"
#include "product_scripts.h"
#include "variable_expansion.h"

namespace {

// Every parser of these tests is made for the per-user scope.
class PerUserMode : public ::testing::Test {};

TEST_F(PerUserMode, ParserExpandsTheAppIdScriptToThePerUserText) {
    ReplacementVariables variables;
    AddScriptVariables(variables);
    RegScriptParser parser(variables, RegistryScope::PerUser);
    LPOLESTR expanded = nullptr;
    ASSERT_EQ(S_OK, parser.ExpandVariables(AppIdScript(), &expanded));
    const ScopedTaskText owned(expanded);
    EXPECT_EQ(std::wstring(kPerUserAppIdScript), std::wstring(owned.get()));
}

// With the root keys of this process pointed into the test's own key, the whole per-user
// effect is visible, down to the removal of an emptied HKCU\Software.
class PerUserRewrite : public PerUserMode {
protected:
    static HRESULT Apply(const std::wstring& script, bool doRegister) {
        ReplacementVariables variables;
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
