// SccInitialize, SccGetProjPath and SccOpenProject beyond their in/out strings: the pointers they
// check, the arguments the provider receives, the context and the new-project flag.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bound_bridge.h"

using testprovider::Entry;

namespace {

int32_t Address(const void* p) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

// The arguments of one SccInitialize call, each pointer present unless a test clears it.
struct InitializeArguments {
    ScopedBstr caller{::SysAllocString(L"client")};
    BSTR name = nullptr;
    BSTR label = nullptr;
    LONG caps = kUntouched, checkoutLength = kUntouched, commentLength = kUntouched;
    LONG result = kUntouched;
    BSTR* namePtr = &name;
    BSTR* labelPtr = &label;
    LONG* capsPtr = &caps;
    LONG* checkoutLengthPtr = &checkoutLength;
    LONG* commentLengthPtr = &commentLength;
    LONG* resultPtr = &result;
    BSTR callerName = caller.get();

    ~InitializeArguments() {
        ::SysFreeString(name);
        ::SysFreeString(label);
    }
    HRESULT Call(CPlimoWrapper& bridge, LONG hWnd = 0) {
        return bridge.SccInitialize(hWnd, callerName, namePtr, capsPtr, labelPtr, checkoutLengthPtr,
                                    commentLengthPtr, resultPtr);
    }
};

class SessionStart : public BoundBridge {};

TEST_F(SessionStart, EachNullPointerIsRefusedBeforeAnythingHappens) {
    Bind();
    const std::function<void(InitializeArguments&)> clear[] = {
        [](auto& a) { a.callerName = nullptr; },
        [](auto& a) { a.namePtr = nullptr; },
        [](auto& a) { a.capsPtr = nullptr; },
        [](auto& a) { a.labelPtr = nullptr; },
        [](auto& a) { a.checkoutLengthPtr = nullptr; },
        [](auto& a) { a.commentLengthPtr = nullptr; },
        [](auto& a) { a.resultPtr = nullptr; },
    };
    for (const auto& clearOne : clear) {
        InitializeArguments arguments;
        arguments.label = ::SysAllocString(L"label");
        BSTR label = arguments.label;
        clearOne(arguments);
        EXPECT_EQ(E_INVALIDARG, arguments.Call(*bridge));
        EXPECT_EQ(kUntouched, arguments.result);
        EXPECT_EQ(label, arguments.label);
        EXPECT_EQ(nullptr, arguments.name);
    }
    EXPECT_EQ(0, record.Count());
}

TEST_F(SessionStart, AProviderWithoutTheEntryLeavesEveryOutputAlone) {
    Bind(kSparseTestProvider);
    InitializeArguments arguments;
    EXPECT_EQ(kNoEntry, arguments.Call(*bridge));
    EXPECT_EQ(kUntouched, arguments.result);
    EXPECT_EQ(nullptr, arguments.name);
    EXPECT_EQ(kUntouched, arguments.caps);
    EXPECT_EQ(0, record.Count());
}

TEST_F(SessionStart, HandsTheProviderTheClientsPointersAndTheContextsAddress) {
    Bind();
    record.script().writeLongMask = 7;
    record.script().writeLong[0] = 0x28;
    record.script().writeLong[1] = 64;
    record.script().writeLong[2] = 128;
    record.SetResult(Entry::Initialize, -2);
    InitializeArguments arguments;
    ASSERT_EQ(S_OK, arguments.Call(*bridge, 0x4321));
    const auto& call = record.Last();
    EXPECT_EQ(0x4321, call.args[0]);
    EXPECT_EQ(Address(&arguments.caps), call.args[1]);
    EXPECT_EQ(Address(&arguments.checkoutLength), call.args[2]);
    EXPECT_EQ(Address(&arguments.commentLength), call.args[3]);
    EXPECT_NE(0, call.args[4]);
    EXPECT_STREQ("client", call.text[0]);
    EXPECT_EQ(-2, arguments.result);
    EXPECT_EQ(0x28, arguments.caps);
    EXPECT_EQ(64, arguments.checkoutLength);
    EXPECT_EQ(128, arguments.commentLength);
}

TEST_F(SessionStart, TheProvidersContextGoesToLaterCallsUntilItReplacesIt) {
    Bind();
    record.script().storeContext = 1;
    record.script().contextToStore = 0x1111;
    InitializeArguments first;
    ASSERT_EQ(S_OK, first.Call(*bridge));
    EXPECT_EQ(0u, record.Last().context);

    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccUninitialize(&result));
    EXPECT_EQ(0x1111u, record.Last().context);
    ASSERT_EQ(S_OK, bridge->SccGetVersion(&result));
    EXPECT_EQ(0x1111u, record.Last().context) << "SccUninitialize does not reset the context";

    record.script().contextToStore = 0x2222;
    InitializeArguments second;
    ASSERT_EQ(S_OK, second.Call(*bridge));
    EXPECT_EQ(0x1111u, record.Last().context) << "the provider sees its old context at the address";
    ASSERT_EQ(S_OK, bridge->SccEndBatch(&result));
    EXPECT_EQ(0x2222u, record.Last().context);
}

struct NewFlagCase {
    const char* name;
    VARIANT_BOOL entry;
    bool providerWrites;
    LONG written;
    int32_t seen;
    VARIANT_BOOL returned;
};

class NewProjectFlag : public BoundBridge, public ::testing::WithParamInterface<NewFlagCase> {};

TEST_P(NewProjectFlag, TravelsAsABoolAndComesBackAsAVariantBool) {
    Bind();
    const NewFlagCase& c = GetParam();
    record.script().writeLongMask = c.providerWrites ? 1 : 0;
    record.script().writeLong[0] = c.written;
    ScopedBstr user, project, local, aux;
    VARIANT_BOOL isNew = c.entry;
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccGetProjPath(0, user.put(), project.put(), local.put(), aux.put(),
                                           VARIANT_FALSE, &isNew, &result));
    EXPECT_EQ(c.seen, record.Last().args[3]);
    EXPECT_EQ(c.returned, isNew);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, NewProjectFlag,
    ::testing::Values(NewFlagCase{"TrueIsOne", VARIANT_TRUE, false, 0, 1, VARIANT_TRUE},
                      NewFlagCase{"FalseIsZero", VARIANT_FALSE, false, 0, 0, VARIANT_FALSE},
                      NewFlagCase{"OneIsTrueToo", 1, false, 0, 1, VARIANT_TRUE},
                      NewFlagCase{"ClearedByTheProvider", VARIANT_TRUE, true, 0, 1, VARIANT_FALSE},
                      NewFlagCase{"TwoFromTheProviderIsTrue", VARIANT_FALSE, true, 2, 0,
                                  VARIANT_TRUE}),
    [](const auto& info) { return std::string(info.param.name); });

class ProjectCalls : public BoundBridge {};

TEST_F(ProjectCalls, AllowChangePathReachesTheProviderAsZeroOrOne) {
    Bind();
    for (auto [allow, seen] :
         {std::pair<VARIANT_BOOL, int32_t>{VARIANT_TRUE, 1}, {1, 1}, {0, 0}, {0x7FFF, 1}}) {
        ScopedBstr user, project, local, aux;
        VARIANT_BOOL isNew = VARIANT_FALSE;
        LONG result = kUntouched;
        ASSERT_EQ(S_OK, bridge->SccGetProjPath(0x77, user.put(), project.put(), local.put(),
                                               aux.put(), allow, &isNew, &result));
        EXPECT_EQ(seen, record.Last().args[1]) << allow;
        EXPECT_EQ(0x77, record.Last().args[0]);
    }
}

TEST_F(ProjectCalls, GetProjPathRefusesEachNullPointerAndKeepsTheFlagWithoutTheEntry) {
    Bind();
    ScopedBstr user, project, local, aux;
    VARIANT_BOOL isNew = VARIANT_TRUE;
    LONG result = kUntouched;
    BSTR* strings[] = {user.put(), project.put(), local.put(), aux.put()};
    for (int i = 0; i < 6; ++i) {
        BSTR* s[4] = {strings[0], strings[1], strings[2], strings[3]};
        if (i < 4) {
            s[i] = nullptr;
        }
        EXPECT_EQ(E_INVALIDARG,
                  bridge->SccGetProjPath(0, s[0], s[1], s[2], s[3], VARIANT_TRUE,
                                         i == 4 ? nullptr : &isNew, i == 5 ? nullptr : &result));
    }
    EXPECT_EQ(0, record.Count());

    bridge = MakeBridge(); // a second Init would keep the first library loaded
    Bind(kSparseTestProvider);
    EXPECT_EQ(kNoEntry, bridge->SccGetProjPath(0, strings[0], strings[1], strings[2], strings[3],
                                               VARIANT_FALSE, &isNew, &result));
    EXPECT_EQ(VARIANT_TRUE, isNew);
    EXPECT_EQ(kUntouched, result);
}

TEST_F(ProjectCalls, OpenProjectPassesItsInOnlyTextsWholeAndNoCallback) {
    Bind();
    const std::wstring longName = L"$/" + std::wstring(498, L'p');
    ScopedBstr user, aux, project(::SysAllocString(longName.c_str()));
    ScopedBstr local(::SysAllocString(L"C:\\work")), comment(::SysAllocString(L"why"));
    LONG result = kUntouched;
    ASSERT_EQ(S_OK, bridge->SccOpenProject(0x55, user.put(), project.get(), local.get(), aux.put(),
                                           comment.get(), 0x10, &result));
    const auto& call = record.Last();
    EXPECT_EQ(0x55, call.args[0]);
    EXPECT_EQ(0, call.args[1]) << "no text-output callback";
    EXPECT_EQ(0x10, call.args[2]);
    EXPECT_EQ(500, call.textLength[1]);
    EXPECT_STREQ("C:\\work", call.text[2]);
    EXPECT_STREQ("why", call.text[4]);

    ASSERT_EQ(S_OK, bridge->SccOpenProject(0, user.put(), project.get(), local.get(), aux.put(),
                                           nullptr, 0, &result));
    EXPECT_TRUE(record.Last().textNull[4]) << "a null comment stays null";
}

TEST_F(ProjectCalls, OpenProjectRefusesNullNamesAndReturnsAFailingProvidersUser) {
    Bind();
    ScopedBstr user, aux, project(::SysAllocString(L"$/p")), local(::SysAllocString(L"C:\\w"));
    LONG result = kUntouched;
    EXPECT_EQ(E_INVALIDARG, bridge->SccOpenProject(0, user.put(), nullptr, local.get(), aux.put(),
                                                   nullptr, 0, &result));
    EXPECT_EQ(E_INVALIDARG, bridge->SccOpenProject(0, user.put(), project.get(), nullptr, aux.put(),
                                                   nullptr, 0, &result));
    EXPECT_EQ(E_INVALIDARG, bridge->SccOpenProject(0, nullptr, project.get(), local.get(),
                                                   aux.put(), nullptr, 0, &result));
    EXPECT_EQ(E_INVALIDARG, bridge->SccOpenProject(0, user.put(), project.get(), local.get(),
                                                   nullptr, nullptr, 0, &result));
    EXPECT_EQ(E_INVALIDARG, bridge->SccOpenProject(0, user.put(), project.get(), local.get(),
                                                   aux.put(), nullptr, 0, nullptr));
    EXPECT_EQ(0, record.Count());
    EXPECT_EQ(kUntouched, result);

    record.SetResult(Entry::OpenProject, -7);
    record.script().writeTextMask = 1;
    std::strcpy(record.script().writeText[0], "changed");
    ASSERT_EQ(S_OK, bridge->SccOpenProject(0, user.put(), project.get(), local.get(), aux.put(),
                                           nullptr, 0, &result));
    EXPECT_EQ(-7, result);
    EXPECT_STREQ(L"changed", user.get());
}

} // namespace
