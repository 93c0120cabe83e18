// Reading the command line: where switch words start, how they compare, and which lines serve.
#include <gtest/gtest.h>

#include "command_line.h"
#include "plimo_com_wrapper_module.h"

namespace {

TEST(FindSwitchStart, ReturnsThePositionAfterTheFirstDashOrSlash) {
    const wchar_t text[] = L"C:\\my-server\\x.exe /RegServer";
    const wchar_t* first = FindSwitchStart(text);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(text + 6, first) << "a dash inside the program's own path starts a word too";
    const wchar_t* second = FindSwitchStart(first);
    ASSERT_NE(nullptr, second);
    EXPECT_STREQ(L"RegServer", second);
    EXPECT_EQ(nullptr, FindSwitchStart(second));
    EXPECT_EQ(nullptr, FindSwitchStart(L""));
}

struct Comparison {
    const wchar_t* word;
    const wchar_t* name;
    int expected;
};

class CompareSwitchWordCases : public ::testing::TestWithParam<Comparison> {};

TEST_P(CompareSwitchWordCases, MatchesAWholeWordInAnyCase) {
    EXPECT_EQ(GetParam().expected, CompareSwitchWord(GetParam().word, GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Words, CompareSwitchWordCases,
                         ::testing::Values(Comparison{L"RegServer", L"RegServer", 0},
                                           Comparison{L"regserver", L"RegServer", 0},
                                           Comparison{L"REGSERVER -x", L"RegServer", 0},
                                           Comparison{L"RegServer\tx", L"RegServer", 0},
                                           Comparison{L"RegServerX", L"RegServer", 1},
                                           Comparison{L"RegServer:", L"RegServer", 1},
                                           Comparison{L"RegServerPerUser", L"RegServer", 1},
                                           Comparison{L"RegServer", L"RegServerPerUser", -1},
                                           Comparison{L"Reg", L"RegServer", -1},
                                           Comparison{L"", L"RegServer", -1},
                                           Comparison{L"-RegServer", L"RegServer", -1}));

TEST(ProcessCommandLine, LinesWithoutARecognisedSwitchServe) {
    for (const wchar_t* line : {L"C:\\PlimoCOMWrapper.exe", L"C:\\PlimoCOMWrapper.exe -Embedding",
                                L"x.exe -RegServerX", L"x.exe /RegServer:", L"x.exe -Foo /Bar",
                                L"x.exe RegServer", L"x.exe - RegServer", L""}) {
        HRESULT result = E_FAIL;
        EXPECT_TRUE(TheModule().ProcessCommandLine(line, &result)) << line;
        EXPECT_EQ(S_OK, result) << line;
    }
}

} // namespace
