// How scripts are read: root keys, tokens and quoting, the token limit, keywords, braces, and the
// syntax errors that stop a script.
#include <ostream>
#include <string>

#include "script_test_fixture.h"

namespace {

class ScriptSyntax : public ScriptTest {};

TEST_F(ScriptSyntax, EmptyScriptSucceedsAndBlankScriptWantsARootKey) {
    EXPECT_EQ(S_OK, Apply(L"", true));
    EXPECT_EQ(S_OK, Apply(L"", false));
    EXPECT_EQ(DISP_E_EXCEPTION, Apply(L" \r\n\t ", true));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptSyntax, BlanksAfterTheLastRootBlockAreFine) {
    EXPECT_EQ(S_OK, Apply(InScratch(L"A") + L"\r\n\t \r\n", true));
    EXPECT_EQ((Lines{L"", L"A"}), State());
}

TEST_F(ScriptSyntax, RootKeyNamesIgnoreCaseAndMayBeQuoted) {
    EXPECT_EQ(S_OK, Apply(L"hkey_current_user { NoRemove PlimoRegistrarTest { A } }", true));
    EXPECT_EQ(S_OK, Apply(L"'HkCu' { NoRemove PlimoRegistrarTest { B } }", true));
    EXPECT_EQ((Lines{L"", L"A", L"B"}), State());
}

TEST_F(ScriptSyntax, UnknownRootKeyFailsBeforeAnythingIsWritten) {
    EXPECT_EQ(DISP_E_EXCEPTION, Apply(L"HKXX { NoRemove PlimoRegistrarTest { A } }", true));
    EXPECT_EQ(DISP_E_EXCEPTION,
              Apply(L"HKCU\\Software { NoRemove PlimoRegistrarTest { A } }", true));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptSyntax, RootKeyMustBeFollowedByAnOpeningBrace) {
    EXPECT_EQ(DISP_E_EXCEPTION, Apply(L"HKCU NoRemove PlimoRegistrarTest { A }", true));
    EXPECT_EQ(DISP_E_EXCEPTION, Apply(L"HKCU", true));
    // After a root key any token that begins with a brace opens the block.
    EXPECT_EQ(S_OK, Apply(L"HKCU {x NoRemove PlimoRegistrarTest { A } }", true));
    EXPECT_EQ((Lines{L"", L"A"}), State());
}

TEST_F(ScriptSyntax, BracesDoNotSplitAPlainToken) {
    // "key{" is a key name; the braces that follow then close the blocks early, and the last
    // one stands where a root key is expected.
    EXPECT_EQ(DISP_E_EXCEPTION, Register(L"key{ }"));
    EXPECT_EQ((Lines{L"", L"key{"}), State());
}

TEST_F(ScriptSyntax, InsideABlockOnlyALoneBraceOpensABlock) {
    ASSERT_EQ(S_OK, Register(L"A {x B"));
    EXPECT_EQ((Lines{L"", L"A", L"B", L"{x"}), State());
}

TEST_F(ScriptSyntax, TokenBeginningWithAClosingBraceEndsTheBlock) {
    ASSERT_EQ(S_OK, Apply(L"HKCU { NoRemove PlimoRegistrarTest { A { B }x C }y }z", true));
    EXPECT_EQ((Lines{L"", L"A", L"A\\B", L"C"}), State());
}

TEST_F(ScriptSyntax, QuotedTokensHoldBlanksBracesAndDoubledQuotes) {
    ASSERT_EQ(S_OK, Register(L"'it''s { a } = b' = s 'x ''y'' {z}'\r\n''''"));
    EXPECT_EQ((Lines{L"", L"'", L"it's { a } = b", L"it's { a } = b|@=S:x 'y' {z}"}), State());
}

TEST_F(ScriptSyntax, KeywordsIgnoreCaseEvenWhenQuoted) {
    ASSERT_EQ(S_OK, Register(L"'VAL' v = s 1\r\nnoremove N\r\nForceREMOVE F"));
    EXPECT_EQ((Lines{L"", L"|v=S:1", L"F", L"N"}), State());
    ASSERT_EQ(S_OK, Unregister(L"'NOREMOVE' N\r\nF"));
    EXPECT_EQ((Lines{L"", L"|v=S:1", L"N"}), State());
}

TEST_F(ScriptSyntax, ForceRemoveTakesTheNextTokenAsTheNameEvenAKeyword) {
    MakeKey(scratch.get(), L"NoRemove\\Old");
    ASSERT_EQ(S_OK, Register(L"ForceRemove NoRemove X"));
    EXPECT_EQ((Lines{L"", L"X"}), State());
    // X is a NoRemove entry of that script, so unregistering it keeps X.
    ASSERT_EQ(S_OK, Unregister(L"ForceRemove NoRemove X"));
    EXPECT_EQ((Lines{L"", L"X"}), State());
    ASSERT_EQ(S_OK, Unregister(L"X"));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptSyntax, TokensHoldUpTo4094Characters) {
    const std::wstring longest(4094, L'a');
    ASSERT_EQ(S_OK, Register(L"Val v = s '" + longest + L"'"));
    ASSERT_EQ(S_OK, Register(L"Val w = s " + longest));
    EXPECT_EQ((Lines{L"", L"|v=S:" + longest, L"|w=S:" + longest}), State());
}

TEST_F(ScriptSyntax, TokenOf4095CharactersFailsAndWritesNothing) {
    const std::wstring tooLong(4095, L'a');
    EXPECT_EQ(DISP_E_EXCEPTION, Register(L"Val v = s " + tooLong));
    EXPECT_EQ(DISP_E_EXCEPTION, Register(L"Val v = s '" + tooLong + L"'"));
    // The limit counts characters after unquoting: 4094 doubled quotes read as 4094 quotes.
    EXPECT_EQ(S_OK, Register(L"Val q = s '" + std::wstring(2 * 4094, L'\'') + L"'"));
    EXPECT_EQ((Lines{L"", L"|q=S:" + std::wstring(4094, L'\'')}), State());
}

struct SyntaxErrorCase {
    const char* what;
    std::wstring body;
};

// Failures name the case, not its bytes.
void PrintTo(const SyntaxErrorCase& c, std::ostream* os) {
    *os << c.what;
}

class ScriptSyntaxError : public ScriptTest,
                          public ::testing::WithParamInterface<SyntaxErrorCase> {};

// Each of these fails with DISP_E_EXCEPTION; the failed root block is then taken back, so the
// key A written before the fault is gone again.
const SyntaxErrorCase kSyntaxErrors[] = {
    {"unclosed quote", L"A = s 'abc"},
    {"missing closing brace", L"A { B"},
    {"assignment without its value", L"A = "},
    {"backslash in a key name", L"A B\\C"},
    {"backslash in a ForceRemove name", L"A ForceRemove B\\C"},
    {"backslash in a Delete name", L"A Delete B\\C"},
    {"empty key name", L"A ''"},
    {"empty ForceRemove name", L"A ForceRemove ''"},
    {"value name without =", L"A Val v s 'x'"},
    {"unknown value type", L"A = x 'y'"},
    {"unknown value type of a value", L"A Val v = SZ 'y'"},
    {"block after a value entry", L"A Val v = s 'x' { B }"},
    {"block after a Delete entry", L"A Delete B { C }"},
};

TEST_P(ScriptSyntaxError, FailsWithDispExceptionAndLeavesNothing) {
    MakeString(scratch.get(), L"Existing", L"", L"kept");
    EXPECT_EQ(DISP_E_EXCEPTION, Register(L"A\r\n" + GetParam().body)) << GetParam().what;
    EXPECT_EQ((Lines{L"", L"Existing", L"Existing|@=S:kept"}), State()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptSyntaxError, ::testing::ValuesIn(kSyntaxErrors));

// An empty name would stand for the block's own key: ForceRemove would wipe everything below it
// and unregistration would delete the key itself.
TEST_F(ScriptSyntax, EmptyKeyNameNeverReachesTheParentKey) {
    MakeString(scratch.get(), L"Parent\\Child", L"", L"kept");
    EXPECT_EQ(DISP_E_EXCEPTION, Register(L"NoRemove Parent { ForceRemove '' }"));
    EXPECT_EQ(DISP_E_EXCEPTION, Unregister(L"NoRemove Parent { NoRemove Child { '' } }"));
    EXPECT_EQ((Lines{L"", L"Parent", L"Parent\\Child", L"Parent\\Child|@=S:kept"}), State());
}

std::wstring Nested(int levels) {
    std::wstring open, close;
    for (int i = 0; i < levels; ++i) {
        open += L"N { ";
        close += L"} ";
    }
    return open + close;
}

// The root block is level 1 and the test's key level 2, so 62 more levels make 64.
TEST_F(ScriptSyntax, NestingUpTo64LevelsIsRead) {
    ASSERT_EQ(S_OK, Register(Nested(62)));
    EXPECT_EQ(63u, State().size());
    ASSERT_EQ(S_OK, Unregister(Nested(62)));
    EXPECT_EQ(Lines{L""}, State());
}

TEST_F(ScriptSyntax, NestingDeeperThan64LevelsFailsWithoutExhaustingTheStack) {
    EXPECT_EQ(DISP_E_EXCEPTION, Register(Nested(63)));
    EXPECT_EQ(DISP_E_EXCEPTION, Register(Nested(100000)));
    EXPECT_EQ(DISP_E_EXCEPTION, Unregister(Nested(100000)));
}

} // namespace
