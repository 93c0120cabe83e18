// Values of types S, M, D and B: what each text writes, and the texts that write nothing.
#include <ostream>
#include <string>

#include "script_test_fixture.h"

namespace {

struct ValueCase {
    const char* what;
    std::wstring assignment; // the type and text after "="
    std::wstring stored;     // as the listing shows it
};

// Failures name the case, not its bytes.
void PrintTo(const ValueCase& c, std::ostream* os) {
    *os << c.what;
}

class ScriptValues : public ScriptTest, public ::testing::WithParamInterface<ValueCase> {};

const ValueCase kValues[] = {
    {"string", L"s 'hello world'", L"S:hello world"},
    {"empty string", L"S ''", L"S:"},
    {"string keeps backslashes", L"s 'a\\0b'", L"S:a\\0b"},
    {"multi-string a\\0b", L"m 'a\\0b'", L"M:a\\0b\\0\\0"},
    {"multi-string ends at an empty string", L"M 'a\\0\\0b'", L"M:a\\0\\0"},
    {"multi-string keeps other backslashes", L"m 'a\\b'", L"M:a\\b\\0\\0"},
    {"multi-string with a trailing separator", L"m 'a\\0'", L"M:a\\0\\0"},
    {"empty multi-string", L"m ''", L"M:\\0"},
    {"number", L"d 123", L"D:123"},
    {"largest number", L"D '4294967295'", L"D:4294967295"},
    {"number in the conversion's hex form", L"d &H10", L"D:16"},
    {"binary", L"b 0A1b", L"T3:0a1b"},
    {"non-digits count as zero", L"B 0G", L"T3:00"},
    {"empty binary", L"b ''", L"T3:"},
};

TEST_P(ScriptValues, NamedValueIsStoredAsTheTypeSays) {
    ASSERT_EQ(S_OK, Register(L"K { Val v = " + GetParam().assignment + L" }")) << GetParam().what;
    EXPECT_EQ((Lines{L"", L"K", L"K|v=" + GetParam().stored}), State()) << GetParam().what;
}

TEST_P(ScriptValues, DefaultValueIsStoredAsTheTypeSays) {
    ASSERT_EQ(S_OK, Register(L"K = " + GetParam().assignment)) << GetParam().what;
    EXPECT_EQ((Lines{L"", L"K", L"K|@=" + GetParam().stored}), State()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptValues, ::testing::ValuesIn(kValues));

struct BadValueCase {
    const char* what;
    std::wstring assignment;
    HRESULT hr;
};

// Failures name the case, not its bytes.
void PrintTo(const BadValueCase& c, std::ostream* os) {
    *os << c.what;
}

class ScriptBadValues : public ScriptTest, public ::testing::WithParamInterface<BadValueCase> {};

const BadValueCase kBadValues[] = {
    {"odd number of binary digits", L"b ABC", E_FAIL},
    {"one binary digit", L"b 0", E_FAIL},
    {"number the conversion refuses", L"d abc", DISP_E_EXCEPTION},
    {"number too large", L"d 4294967296", DISP_E_EXCEPTION},
    {"negative number", L"d -1", DISP_E_EXCEPTION},
    {"empty number", L"d ''", DISP_E_EXCEPTION},
    {"unknown type", L"x 'a'", DISP_E_EXCEPTION},
    {"type token longer than one letter", L"ss 'a'", DISP_E_EXCEPTION},
};

// NoRemove keeps the undo of the failed block from deleting anything, so what is left is exactly
// what the block wrote: the key and its default value, and no value v.
TEST_P(ScriptBadValues, FailAndWriteNothingForThatValue) {
    EXPECT_EQ(GetParam().hr,
              Register(L"NoRemove K = s 'k' { NoRemove Val v = " + GetParam().assignment + L" }"))
        << GetParam().what;
    EXPECT_EQ((Lines{L"", L"K", L"K|@=S:k"}), State()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptBadValues, ::testing::ValuesIn(kBadValues));

} // namespace
