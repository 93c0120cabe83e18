// The variable table: copies, first match ignoring case, refusals.
#include <gtest/gtest.h>

#include <string>

#include "reg_object.h"

namespace {

TEST(RegObject, RefusesNullNameOrValueAndAddsNothing) {
    RegObject table;
    EXPECT_EQ(E_INVALIDARG, table.AddVariable(nullptr, L"value"));
    EXPECT_EQ(E_INVALIDARG, table.AddVariable(L"Name", nullptr));
    EXPECT_EQ(nullptr, table.FindVariable(L"Name"));
}

TEST(RegObject, FirstPairOfANameWinsIgnoringCase) {
    RegObject table;
    ASSERT_EQ(S_OK, table.AddVariable(L"Module", L"first"));
    ASSERT_EQ(S_OK, table.AddVariable(L"MODULE", L"second"));
    ASSERT_EQ(S_OK, table.AddVariable(L"Module_Raw", L"raw"));
    EXPECT_STREQ(L"first", table.FindVariable(L"module"));
    EXPECT_STREQ(L"raw", table.FindVariable(L"MODULE_RAW"));
    EXPECT_EQ(nullptr, table.FindVariable(L"Modul"));
}

TEST(RegObject, KeepsCopiesOfWhatItWasGiven) {
    RegObject table;
    std::wstring name = L"APPID", value = L"{guid}";
    ASSERT_EQ(S_OK, table.AddVariable(name.c_str(), value.c_str()));
    name.assign(L"XXXXX");
    value.assign(L"changed");
    EXPECT_STREQ(L"{guid}", table.FindVariable(L"AppId"));
}

TEST(RegObject, ClearVariablesForgetsEveryPair) {
    RegObject table;
    ASSERT_EQ(S_OK, table.AddVariable(L"A", L"1"));
    ASSERT_EQ(S_OK, table.AddVariable(L"B", L"2"));
    EXPECT_EQ(S_OK, table.ClearVariables());
    EXPECT_EQ(nullptr, table.FindVariable(L"A"));
    EXPECT_EQ(nullptr, table.FindVariable(L"B"));
    ASSERT_EQ(S_OK, table.AddVariable(L"A", L"again"));
    EXPECT_STREQ(L"again", table.FindVariable(L"A"));
}

} // namespace
