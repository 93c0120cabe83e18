// The methods that reach the provider with the context and plain numbers: what they check,
// what the provider receives, and what comes back.
#include <gtest/gtest.h>

#include <functional>

#include "bridge_under_test.h"
#include "expected_results.h"
#include "null_option_callback.h"
#include "provider_record_view.h"
#include "scoped_resource.h"
#include "test_paths.h"

using testprovider::Entry;

namespace {

constexpr LONG kUntouched = 0x0BADF00D;

struct Method {
    const char* name;
    Entry entry;
    std::function<HRESULT(CPlimoWrapper&, LONG* pResult)> call;
};

void PrintTo(const Method& method, std::ostream* os) {
    *os << method.name;
}

const Method kMethods[] = {
    {"SccUninitialize", Entry::Uninitialize,
     [](CPlimoWrapper& b, LONG* r) { return b.SccUninitialize(r); }},
    {"SccGetVersion", Entry::GetVersion,
     [](CPlimoWrapper& b, LONG* r) { return b.SccGetVersion(r); }},
    {"SccCloseProject", Entry::CloseProject,
     [](CPlimoWrapper& b, LONG* r) { return b.SccCloseProject(r); }},
    {"SccBeginBatch", Entry::BeginBatch,
     [](CPlimoWrapper& b, LONG* r) { return b.SccBeginBatch(r); }},
    {"SccEndBatch", Entry::EndBatch, [](CPlimoWrapper& b, LONG* r) { return b.SccEndBatch(r); }},
    {"SccSetOption", Entry::SetOption,
     [](CPlimoWrapper& b, LONG* r) { return b.SccSetOption(5, 6, r); }},
    {"SccSetOptionCallback", Entry::SetOption,
     [](CPlimoWrapper& b, LONG* r) { return b.SccSetOptionCallback(5, r); }},
    {"SccGetCommandOptions", Entry::GetCommandOptions,
     [](CPlimoWrapper& b, LONG* r) { return b.SccGetCommandOptions(1, 2, r); }},
    {"SccGetCommandOptionsByRef", Entry::GetCommandOptions,
     [](CPlimoWrapper& b, LONG* r) {
         LONG cookie = kUntouched;
         return b.SccGetCommandOptionsByRef(1, 2, &cookie, r);
     }},
};

class ContextForwarding : public ::testing::TestWithParam<Method> {
protected:
    void SetUp() override { record.Reset(); }
    void TearDown() override { ::SetDllDirectoryW(nullptr); }

    void Bind(const wchar_t* provider) {
        ScopedBstr path(::SysAllocString(BesideTest(provider).c_str()));
        ASSERT_EQ(S_OK, bridge->Init(path.get()));
    }

    ProviderRecordView record;
    BridgePtr bridge = MakeBridge();
};

TEST_P(ContextForwarding, BeforeInitFailsWithoutWritingTheResult) {
    LONG result = kUntouched;
    EXPECT_EQ(kNoEntry, GetParam().call(*bridge, &result));
    EXPECT_EQ(kUntouched, result);
}

TEST_P(ContextForwarding, NullResultPointerIsRefusedBeforeTheProvider) {
    Bind(kTestProvider);
    EXPECT_EQ(E_INVALIDARG, GetParam().call(*bridge, nullptr));
    EXPECT_EQ(0, record.Count());
}

TEST_P(ContextForwarding, ProviderResultArrivesUnchangedWithSOk) {
    Bind(kTestProvider);
    for (LONG code : {0L, -1L, 1L, static_cast<LONG>(0x80004005), 0x7FFFFFFFL}) {
        record.SetResult(GetParam().entry, code);
        LONG result = kUntouched;
        EXPECT_EQ(S_OK, GetParam().call(*bridge, &result)) << code;
        EXPECT_EQ(code, result);
        EXPECT_EQ(GetParam().entry, record.Last().entry);
    }
}

TEST_P(ContextForwarding, EveryCallIsForwardedWithTheNullContextBeforeSccInitialize) {
    Bind(kTestProvider);
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, GetParam().call(*bridge, &result));
    ASSERT_EQ(S_OK, GetParam().call(*bridge, &result));
    EXPECT_EQ(2, record.CountOf(GetParam().entry));
    EXPECT_EQ(0u, record.Last().context);
}

INSTANTIATE_TEST_SUITE_P(Methods, ContextForwarding, ::testing::ValuesIn(kMethods),
                         [](const auto& info) { return std::string(info.param.name); });

class OptionForwarding : public ContextForwarding {};

TEST_F(OptionForwarding, SetOptionPassesOptionAndValueUnchanged) {
    Bind(kTestProvider);
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccSetOption(-3, static_cast<LONG>(0xDEADBEEF), &result));
    EXPECT_EQ(-3, record.Last().args[0]);
    EXPECT_EQ(static_cast<int32_t>(0xDEADBEEF), record.Last().args[1]);
}

TEST_F(OptionForwarding, SetOptionCallbackHandsOverACallbackThatDoesNothing) {
    Bind(kTestProvider);
    record.script().misbehaving = Entry::SetOption;
    record.script().misbehaviour = testprovider::kCallCallback;
    record.SetResult(Entry::SetOption, 9);

    for (LONG option : {0L, 10L, -1L}) {
        LONG result = kUntouched;
        ASSERT_EQ(S_OK, bridge->SccSetOptionCallback(option, &result));
        EXPECT_EQ(9, result);
        EXPECT_EQ(option, record.Last().args[0]);
        EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(&NullOptionCallback)),
                  record.Last().args[1]);
    }
}

TEST_F(OptionForwarding, GetCommandOptionsPassesNoCookieAddress) {
    Bind(kTestProvider);
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccGetCommandOptions(0x1234, 7, &result));
    EXPECT_EQ(0x1234, record.Last().args[0]);
    EXPECT_EQ(7, record.Last().args[1]);
    EXPECT_EQ(0, record.Last().args[2]);
}

TEST_F(OptionForwarding, ByRefHandsAFreshZeroCookieAndReturnsWhatTheProviderStored) {
    Bind(kTestProvider);
    record.script().writeLongMask = 1;
    record.script().writeLong[0] = 0x5150;

    LONG cookie = 77;
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccGetCommandOptionsByRef(0x1234, 7, &cookie, &result));
    EXPECT_NE(0, record.Last().args[2]);
    EXPECT_EQ(0, record.Last().args[3]) << "the provider must not see the client's cookie";
    if (sizeof(LONG_PTR) == sizeof(LONG)) {
        EXPECT_EQ(0x5150, cookie);
    } else {
        EXPECT_NE(0, cookie) << "at 64 bits, a number the bridge issued for it";
    }
    EXPECT_EQ(0, result);
}

TEST_F(OptionForwarding, ByRefReturnsZeroWhenTheProviderLeavesTheCookieAlone) {
    Bind(kTestProvider);
    record.SetResult(Entry::GetCommandOptions, -11);
    LONG cookie = 77;
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccGetCommandOptionsByRef(0, 0, &cookie, &result));
    EXPECT_EQ(0, cookie);
    EXPECT_EQ(-11, result);
}

TEST_F(OptionForwarding, ByRefChecksTheCookiePointerAndKeepsItWhenTheEntryIsMissing) {
    LONG result = kUntouched;
    EXPECT_EQ(E_INVALIDARG, bridge->SccGetCommandOptionsByRef(0, 0, nullptr, &result));
    EXPECT_EQ(kUntouched, result);

    LONG cookie = 77;
    EXPECT_EQ(kNoEntry, bridge->SccGetCommandOptionsByRef(0, 0, &cookie, &result));
    EXPECT_EQ(77, cookie);
    EXPECT_EQ(kUntouched, result);
}

TEST_F(OptionForwarding, MissingBatchEntryFailsWhileTheOthersWork) {
    Bind(kSparseTestProvider);
    LONG result = kUntouched;
    EXPECT_EQ(kNoEntry, bridge->SccBeginBatch(&result));
    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(0, record.Count());

    record.SetResult(Entry::EndBatch, 3);
    EXPECT_EQ(S_OK, bridge->SccEndBatch(&result)); // no preceding SccBeginBatch is needed
    EXPECT_EQ(3, result);
    EXPECT_EQ(1, record.Last().variant);
}

} // namespace
