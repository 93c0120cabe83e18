// The text conversions: what is null, what is cut, and how big a converted text may grow.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "wide_text.h"

namespace {

TEST(WideToNarrow, NullGivesNullAndEmptyGivesEmpty) {
    NarrowText narrow;
    EXPECT_EQ(S_OK, WideToNarrow(nullptr, &narrow));
    EXPECT_EQ(nullptr, narrow);
    EXPECT_EQ(S_OK, WideToNarrow(L"", &narrow));
    ASSERT_NE(nullptr, narrow);
    EXPECT_STREQ("", narrow.get());
}

TEST(WideToNarrow, StopsAtTheFirstNul) {
    const wchar_t text[] = L"abc\0def";
    NarrowText narrow;
    ASSERT_EQ(S_OK, WideToNarrow(text, &narrow));
    EXPECT_STREQ("abc", narrow.get());
}

TEST(WideToNarrow, RefusesWhatTheCodePageLacks) {
    // No single-byte Western or DBCS code page has all three of these.
    NarrowText narrow;
    EXPECT_EQ(E_INVALIDARG, WideToNarrow(L"a\x0416\x05D0\x0E01z", &narrow));
    EXPECT_EQ(nullptr, narrow);
}

// Every conversion is exact or refused, whichever function does it: no look-alike (the
// platform's best fit) and no default character. The code pages are named directly.
struct ExactCase {
    const char* name;
    UINT codePage;
    const wchar_t* wide;
    const char* narrow; // null: refused
};

class ExactConversion : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactConversion, GivesTheExactFormOrNothing) {
    const ExactCase& c = GetParam();
    NarrowText whole;
    EXPECT_EQ(c.narrow != nullptr ? S_OK : kUntranslatable,
              ConvertToNarrow(c.codePage, c.wide, &whole));
    EXPECT_EQ(c.narrow != nullptr ? std::string(c.narrow) : std::string("<none>"),
              whole ? std::string(whole.get()) : std::string("<none>"));

    char slice[64];
    std::memset(slice, 'x', sizeof slice);
    NarrowText larger;
    EXPECT_EQ(c.narrow != nullptr ? S_OK : kUntranslatable,
              ConvertToNarrowIn(c.codePage, c.wide, slice, sizeof slice, &larger));
    EXPECT_EQ(nullptr, larger);
    EXPECT_STREQ(c.narrow != nullptr ? c.narrow : "", slice);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExactConversion,
    ::testing::Values(ExactCase{"AccentedLetter", 1252, L"caf\x00E9.txt", "caf\xE9.txt"},
                      ExactCase{"EuroSignHasAByteOfItsOwn", 1252, L"\x20AC", "\x80"},
                      ExactCase{"QuestionMarkIsNoDefault", 1252, L"why?", "why?"},
                      ExactCase{"FullwidthReverseSolidus", 1252, L"..\xFF3C..\xFF3Cx.txt", nullptr},
                      ExactCase{"FullwidthSolidus", 1252, L"..\xFF0Fx", nullptr},
                      ExactCase{"FullwidthFullStop", 1252, L"\xFF0E\xFF0E", nullptr},
                      ExactCase{"FullwidthQuotationMark", 1252, L"fix \xFF02 -rf", nullptr},
                      ExactCase{"CyrillicUnder1252", 1252, L"\x0416", nullptr},
                      ExactCase{"CyrillicUnder1251", 1251, L"\x0416", "\xC6"},
                      ExactCase{"FullwidthUnderShiftJis", 932, L"\xFF3C", "\x81\x5F"},
                      ExactCase{"Utf8TakesEverything", CP_UTF8, L"\xFF3C\x4E2D",
                                "\xEF\xBC\xBC\xE4\xB8\xAD"},
                      ExactCase{"Utf8RefusesALoneSurrogate", CP_UTF8, L"a\xD800z", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NarrowToWide, RoundTripsTheThreadCodePage) {
    EXPECT_EQ(nullptr, NarrowToWide(nullptr));
    WideText wide = NarrowToWide("C:\\work\\file.c");
    ASSERT_NE(nullptr, wide);
    EXPECT_STREQ(L"C:\\work\\file.c", wide.get());
}

// The thread's ANSI code page cannot be made UTF-8 under Wine, so the sizing rule is tested
// with the code page named directly.
struct SizingCase {
    const char* name;
    const wchar_t* wide;
    const char* utf8;
};

class ConversionSizing : public ::testing::TestWithParam<SizingCase> {};

TEST_P(ConversionSizing, EveryTextTheCodePageCanExpressConvertsWhole) {
    NarrowText narrow;
    ASSERT_EQ(S_OK, ConvertToNarrow(CP_UTF8, GetParam().wide, &narrow));
    ASSERT_NE(nullptr, narrow);
    EXPECT_EQ(std::string(GetParam().utf8), narrow.get());

    WideText wide;
    ASSERT_EQ(S_OK, ConvertToWide(CP_UTF8, GetParam().utf8, &wide));
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(std::wstring(GetParam().wide), wide.get());
}

// A file name's slice of the list's buffer holds twice its units; what does not fit there comes
// back whole on its own.
TEST_P(ConversionSizing, ANameThatOutgrowsItsSliceConvertsWholeOnItsOwn) {
    const size_t slice = 2 * (std::wcslen(GetParam().wide) + 1);
    std::string buffer(slice, 'x');
    NarrowText larger;
    ASSERT_EQ(S_OK, ConvertToNarrowIn(CP_UTF8, GetParam().wide, &buffer[0], slice, &larger));
    const std::string whole = larger ? std::string(larger.get()) : std::string(buffer.c_str());
    EXPECT_EQ(std::string(GetParam().utf8), whole);
    EXPECT_EQ(std::strlen(GetParam().utf8) + 1 > slice, larger != nullptr)
        << "only what outgrows its slice has a text of its own";
}

// Three bytes per unit outgrow twice the units (terminator counted) from two units on.
INSTANTIATE_TEST_SUITE_P(
    Utf8, ConversionSizing,
    ::testing::Values(
        SizingCase{"Ascii", L"C:\\w\\a.c", "C:\\w\\a.c"},
        SizingCase{"OneThreeByteUnitFitsTwiceTheLength", L"\x4E2D", "\xE4\xB8\xAD"},
        SizingCase{"TwoThreeByteUnitsDoNot", L"\x4E2D\x6587", "\xE4\xB8\xAD\xE6\x96\x87"},
        SizingCase{"LongPathOfThreeByteUnits",
                   L"C:\\\x20AC\x20AC\x20AC\x20AC\x20AC\x20AC\x20AC\x20AC\\\x4E2D.c",
                   "C:\\\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82"
                   "\xAC\xE2\x82\xAC\xE2\x82\xAC\\\xE4\xB8\xAD.c"},
        SizingCase{"SurrogatePair", L"\xD83D\xDE00", "\xF0\x9F\x98\x80"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConversionSizing, AFailedConversionStillGivesNothing) {
    NarrowText narrow;
    EXPECT_EQ(kUntranslatable, ConvertToNarrow(0xFFFF, L"abc", &narrow));
    EXPECT_EQ(nullptr, narrow);
    WideText wide;
    EXPECT_EQ(kUntranslatable, ConvertToWide(0xFFFF, "abc", &wide));
    EXPECT_EQ(nullptr, wide);
    char slice[8] = "xxxxxxx";
    EXPECT_EQ(kUntranslatable, ConvertToNarrowIn(0xFFFF, L"abc", slice, sizeof slice, &narrow));
    EXPECT_STREQ("", slice);
    EXPECT_EQ(nullptr, narrow);
}

} // namespace
