// Expansion of %NAME% references and the per-user rewrite of HKCR root blocks.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "replacement_variables.h"
#include "reg_script_parser.h"
#include "product_scripts.h"
#include "variable_expansion.h"

namespace {

const LPOLESTR kUnset = reinterpret_cast<LPOLESTR>(static_cast<INT_PTR>(-1));

struct Expansion {
    HRESULT hr;
    std::wstring text;
};

Expansion Expand(const ReplacementVariables& variables, const std::wstring& text, bool perUser) {
    LPOLESTR result = kUnset;
    const RegistryScope scope = perUser ? RegistryScope::PerUser : RegistryScope::PerMachine;
    const HRESULT hr = ExpandScriptVariables(variables, text.c_str(), scope, &result);
    ScopedTaskText owned(SUCCEEDED(hr) ? result : nullptr);
    if (FAILED(hr)) {
        EXPECT_EQ(nullptr, result) << "a failed expansion hands out nothing";
    }
    return {hr, owned ? std::wstring(owned.get()) : std::wstring(L"<none>")};
}

struct ExpansionCase {
    const char* what;
    std::wstring input;
    bool perUser;
    HRESULT hr;
    std::wstring expected;
};

// Failures name the case, not its bytes.
void PrintTo(const ExpansionCase& c, std::ostream* os) {
    *os << c.what;
}

class VariableExpansion : public ::testing::TestWithParam<ExpansionCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, variables.Add(L"Module", L"\"C:\\it''s\\x.exe\""));
        ASSERT_EQ(S_OK, variables.Add(L"MODULE", L"shadowed"));
        ASSERT_EQ(S_OK, variables.Add(L"APPID", L"{id}"));
        ASSERT_EQ(S_OK, variables.Add(std::wstring(31, L'N').c_str(), L"longest"));
        ASSERT_EQ(S_OK, variables.Add(std::wstring(32, L'L').c_str(), L"too long"));
    }
    ReplacementVariables variables;
};

const std::wstring kPrefix = L"HKCU\r\n{\tSoftware\r\n\t{\r\n\t\tClasses";
const std::wstring kSuffix = L"\r\n\t}\r\n}\r\n";

const ExpansionCase kExpansionCases[] = {
    {"empty text", L"", false, S_OK, L""},
    {"plain text", L"HKCU { A = s 'b' }", false, S_OK, L"HKCU { A = s 'b' }"},
    {"two percent signs are one", L"100%% 'a%%b' %%%%", false, S_OK, L"100% 'a%b' %%"},
    {"names ignore case, first wins", L"%module%|%MoDuLe%", false, S_OK,
     L"\"C:\\it''s\\x.exe\"|\"C:\\it''s\\x.exe\""},
    {"inside quotes too, value verbatim", L"'%APPID%' = s '%Module%'", false, S_OK,
     L"'{id}' = s '\"C:\\it''s\\x.exe\"'"},
    {"31 characters is a name", L"<%" + std::wstring(31, L'n') + L"%>", false, S_OK, L"<longest>"},
    {"32 characters is too long", L"%" + std::wstring(32, L'L') + L"%", false, E_FAIL, L"<none>"},
    {"unknown name", L"a %Nope% b", false, DISP_E_EXCEPTION, L"<none>"},
    {"no closing percent", L"HKCU { A = s '%Module' }", false, DISP_E_EXCEPTION, L"<none>"},
    {"no closing percent after a long name", L"%" + std::wstring(40, L'x'), false, DISP_E_EXCEPTION,
     L"<none>"},
    {"HKCR stays without per-user mode", L"HKCR { A }", false, S_OK, L"HKCR { A }"},
    {"HKCR block moves under Software\\Classes", L"HKCR { A }", true, S_OK,
     kPrefix + L" { A " + kSuffix + L"}"},
    {"only HKCR in capitals", L"hkcr { A } HKEY_CLASSES_ROOT { B } HKLM { C }", true, S_OK,
     L"hkcr { A } HKEY_CLASSES_ROOT { B } HKLM { C }"},
    {"each HKCR root block, not others", L"HKCR { A } HKCU { B } HKCR { C }", true, S_OK,
     kPrefix + L" { A " + kSuffix + L"} HKCU { B } " + kPrefix + L" { C " + kSuffix + L"}"},
    {"HKCR inside a block stays", L"HKCU { HKCR { x } }", true, S_OK, L"HKCU { HKCR { x } }"},
    {"braces in quotes do not count", L"HKCR { 'a}b' = s '}{' }", true, S_OK,
     kPrefix + L" { 'a}b' = s '}{' " + kSuffix + L"}"},
    {"doubled quotes keep the stretch open", L"HKCR { 'it''s }' }", true, S_OK,
     kPrefix + L" { 'it''s }' " + kSuffix + L"}"},
    {"variables are expanded per user too", L"HKCR { '%APPID%' }", true, S_OK,
     kPrefix + L" { '{id}' " + kSuffix + L"}"},
    {"unbalanced braces do not upset the pass", L"} } HKCR { {", true, S_OK, L"} } HKCR { {"},
};

TEST_P(VariableExpansion, ExpandsAsTheRulesSay) {
    const ExpansionCase& c = GetParam();
    const Expansion got = Expand(variables, c.input, c.perUser);
    EXPECT_EQ(c.hr, got.hr) << c.what;
    EXPECT_EQ(c.expected, got.text) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, VariableExpansion, ::testing::ValuesIn(kExpansionCases));

TEST(VariableExpansionPerUser, TurnsTheAppIdScriptIntoExactlyThePerUserText) {
    ReplacementVariables variables;
    AddScriptVariables(variables);
    EXPECT_EQ(std::wstring(kPerUserAppIdScript), Expand(variables, AppIdScript(), true).text);
}

TEST(VariableExpansionGrowth, GrowsPastItsFirstCapacity) {
    ReplacementVariables variables;
    const std::wstring big(100000, L'v');
    ASSERT_EQ(S_OK, variables.Add(L"Big", big.c_str()));
    std::wstring input, expected;
    for (int i = 0; i < 50; ++i) {
        input += L"[%Big%]";
        expected += L"[" + big + L"]";
    }
    const Expansion got = Expand(variables, input, false);
    EXPECT_EQ(S_OK, got.hr);
    EXPECT_EQ(expected, got.text);
}

TEST(VariableExpansionArguments, NullTextOrResultIsRefused) {
    ReplacementVariables variables;
    LPOLESTR result = kUnset;
    EXPECT_EQ(E_POINTER,
              ExpandScriptVariables(variables, nullptr, RegistryScope::PerMachine, &result));
    EXPECT_EQ(E_POINTER,
              ExpandScriptVariables(variables, L"x", RegistryScope::PerMachine, nullptr));
    RegScriptParser parser(variables, RegistryScope::PerMachine);
    EXPECT_EQ(E_POINTER, parser.ApplyScript(nullptr, true));
}

TEST(VariableExpansionMode, ParserLeavesHkcrAloneOutsidePerUserMode) {
    ReplacementVariables variables;
    AddScriptVariables(variables);
    RegScriptParser parser(variables, RegistryScope::PerMachine);
    LPOLESTR result = nullptr;
    ASSERT_EQ(S_OK, parser.ExpandVariables(AppIdScript(), &result));
    ScopedTaskText owned(result);
    const std::wstring text = owned.get();
    EXPECT_EQ(0u, text.find(L"HKCR\r\n{\r\n\tNoRemove AppID"));
    EXPECT_NE(std::wstring::npos, text.find(L"'{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}' = s"));
}

} // namespace
