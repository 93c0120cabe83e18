// The replacement variables: copies, first match ignoring case, refusals.
#include <gtest/gtest.h>

#include <string>

#include "replacement_variables.h"

namespace {

TEST(ReplacementVariables, RefusesNullNameOrValueAndAddsNothing) {
    ReplacementVariables table;
    EXPECT_EQ(E_INVALIDARG, table.Add(nullptr, L"value"));
    EXPECT_EQ(E_INVALIDARG, table.Add(L"Name", nullptr));
    EXPECT_EQ(nullptr, table.Find(L"Name"));
}

TEST(ReplacementVariables, FirstPairOfANameWinsIgnoringCase) {
    ReplacementVariables table;
    ASSERT_EQ(S_OK, table.Add(L"Module", L"first"));
    ASSERT_EQ(S_OK, table.Add(L"MODULE", L"second"));
    ASSERT_EQ(S_OK, table.Add(L"Module_Raw", L"raw"));
    EXPECT_STREQ(L"first", table.Find(L"module"));
    EXPECT_STREQ(L"raw", table.Find(L"MODULE_RAW"));
    EXPECT_EQ(nullptr, table.Find(L"Modul"));
}

TEST(ReplacementVariables, KeepsCopiesOfWhatItWasGiven) {
    ReplacementVariables table;
    std::wstring name = L"APPID", value = L"{guid}";
    ASSERT_EQ(S_OK, table.Add(name.c_str(), value.c_str()));
    name.assign(L"XXXXX");
    value.assign(L"changed");
    EXPECT_STREQ(L"{guid}", table.Find(L"AppId"));
}

TEST(ReplacementVariables, ClearForgetsEveryPair) {
    ReplacementVariables table;
    ASSERT_EQ(S_OK, table.Add(L"A", L"1"));
    ASSERT_EQ(S_OK, table.Add(L"B", L"2"));
    EXPECT_EQ(S_OK, table.Clear());
    EXPECT_EQ(nullptr, table.Find(L"A"));
    EXPECT_EQ(nullptr, table.Find(L"B"));
    ASSERT_EQ(S_OK, table.Add(L"A", L"again"));
    EXPECT_STREQ(L"again", table.Find(L"A"));
}

} // namespace
