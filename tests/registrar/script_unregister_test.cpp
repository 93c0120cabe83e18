// Unregistration removes what a script names and nothing else; ForceRemove and Delete clear keys
// before registration, except the protected shared names.
#include <string>

#include "script_test_fixture.h"

namespace {

class ScriptUnregister : public ScriptTest {};

const std::wstring kScript = L"A = s 'a'\r\n"
                             L"{\r\n"
                             L"\tVal named = d 7\r\n"
                             L"\tB = s 'b' { Val x = b 0102 }\r\n"
                             L"\tC\r\n"
                             L"}\r\n";

TEST_F(ScriptUnregister, RemovesEveryKeyItRegisteredValuesAndAll) {
    ASSERT_EQ(S_OK, Register(kScript));
    ASSERT_EQ((Lines{L"", L"A", L"A|@=S:a", L"A|named=D:7", L"A\\B", L"A\\B|@=S:b",
                     L"A\\B|x=T3:0102", L"A\\C"}),
              State());
    EXPECT_EQ(S_OK, Unregister(kScript));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptUnregister, KeyWithAForeignSubkeyStaysAndLosesOnlyTheScriptsValues) {
    ASSERT_EQ(S_OK, Register(kScript));
    MakeString(scratch.get(), L"A\\Foreign", L"", L"theirs");
    MakeString(scratch.get(), L"A", L"theirs", L"kept");
    EXPECT_EQ(S_OK, Unregister(kScript));
    EXPECT_EQ(
        (Lines{L"", L"A", L"A|@=S:a", L"A|theirs=S:kept", L"A\\Foreign", L"A\\Foreign|@=S:theirs"}),
        State());
}

TEST_F(ScriptUnregister, WhatDoesNotExistIsNoErrorAndNothingIsCreated) {
    EXPECT_EQ(S_OK, Unregister(kScript));
    EXPECT_EQ(S_OK, Unregister(L"Missing { Val v = s 'x' Deeper { Deepest } } Delete Gone"));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptUnregister, MissingValueOfAnExistingKeyIsNoError) {
    MakeKey(scratch.get(), L"K\\Sub");
    EXPECT_EQ(S_OK, Unregister(L"K { Val absent = s 'x' }"));
    EXPECT_EQ((Lines{L"", L"K", L"K\\Sub"}), State());
}

TEST_F(ScriptUnregister, NoRemoveKeyStaysWhileItsEntriesGo) {
    const std::wstring script = L"NoRemove N = s 'n' { Val v = s 1\r\nNoRemove Val kept = s 2\r\n"
                                L"Child { Val w = s 3 } }";
    ASSERT_EQ(S_OK, Register(script));
    EXPECT_EQ(S_OK, Unregister(script));
    EXPECT_EQ((Lines{L"", L"N", L"N|@=S:n", L"N|kept=S:2"}), State());
}

TEST_F(ScriptUnregister, ValuesOfTheBlocksOwnKeyGoWithoutTheKey) {
    ASSERT_EQ(S_OK, Register(L"Val top = s 't'"));
    EXPECT_EQ(S_OK, Unregister(L"Val top = s 't'"));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptUnregister, DeleteActsLikeAPlainKeyEntry) {
    MakeString(scratch.get(), L"X", L"v", L"1");
    MakeKey(scratch.get(), L"Y\\Sub");
    EXPECT_EQ(S_OK, Unregister(L"Delete X = s 'ignored'\r\nDelete Y { Sub }"));
    EXPECT_EQ(Lines{L""}, State());
}

// The protected names play no part in unregistration.
TEST_F(ScriptUnregister, ProtectedNameIsRemovedWhenEmpty) {
    MakeKey(scratch.get(), L"CLSID");
    EXPECT_EQ(S_OK, Unregister(L"CLSID"));
    EXPECT_EQ(Lines{L""}, State());
}

class ScriptForceRemove : public ScriptTest {};

TEST_F(ScriptForceRemove, DeletesTheWholeTreeThenRegisters) {
    MakeString(scratch.get(), L"F\\Old\\Older", L"", L"old");
    MakeString(scratch.get(), L"F", L"stale", L"old");
    ASSERT_EQ(S_OK, Register(L"ForceRemove F = s 'new' { New }"));
    EXPECT_EQ((Lines{L"", L"F", L"F|@=S:new", L"F\\New"}), State());
}

TEST_F(ScriptForceRemove, DeleteRemovesTheTreeAndCreatesNothing) {
    MakeString(scratch.get(), L"D\\Below", L"", L"old");
    ASSERT_EQ(S_OK, Register(L"Delete D = s 'ignored'\r\nDelete NeverThere\r\nAfter"));
    EXPECT_EQ((Lines{L"", L"After"}), State());
}

class ScriptProtectedName : public ScriptTest,
                            public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(ScriptProtectedName, ForceRemoveAndDeleteLeaveItStanding) {
    const std::wstring name = GetParam();
    MakeString(scratch.get(), name + L"\\Theirs", L"", L"kept");
    ASSERT_EQ(S_OK, Register(L"ForceRemove '" + name + L"' { Mine }"));
    ASSERT_EQ(S_OK, Register(L"Delete '" + name + L"'"));
    const std::wstring stored = State()[1]; // the key's own spelling
    EXPECT_EQ(0, ::lstrcmpiW(name.c_str(), stored.c_str()));
    EXPECT_EQ((Lines{L"", stored, stored + L"\\Mine", stored + L"\\Theirs",
                     stored + L"\\Theirs|@=S:kept"}),
              State());
}

// The twelve names, in mixed case where the comparison has to ignore it.
INSTANTIATE_TEST_SUITE_P(Names, ScriptProtectedName,
                         ::testing::Values(L"AppID", L"clsid", L"Component Categories", L"FILETYPE",
                                           L"Interface", L"Hardware", L"Mime", L"SAM", L"Security",
                                           L"system", L"Software", L"TypeLib"));

TEST_F(ScriptForceRemove, NameThatOnlyResemblesAProtectedOneIsDeleted) {
    MakeKey(scratch.get(), L"CLSIDs\\Below");
    ASSERT_EQ(S_OK, Register(L"Delete CLSIDs"));
    EXPECT_EQ(Lines{L""}, State());
}

} // namespace
