// A provider as providers really behave: calls that arrive while it is still running, a final
// release in the middle of its call, and recursion that overflows the stack again and again.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <iterator>
#include <thread>

#include "bound_bridge.h"
#include "overflow_containment.h"
#include "provider_call.h"
#include "provider_call_guard.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

// A call made from inside the provider's SccSetOption: the provider calls a function of the
// test's, which stands for whatever a message pumped there would run.
class InsideTheProvider : public BoundBridge {
protected:
    // Runs `inside` from within the provider's SccSetOption and returns SccSetOption's HRESULT.
    HRESULT CallFromInside(CPlimoWrapper* object, std::function<void()> inside) {
        record.script().misbehaving = Entry::SetOption;
        record.script().misbehaviour = testprovider::kCallCallback;
        record.script().callback = reinterpret_cast<uintptr_t>(&Inside);
        current = std::move(inside);
        LONG result = kUntouched;
        return object->SccSetOption(8, 0, &result);
    }

    static void __cdecl Inside(int, int, int) { current(); }
    static inline std::function<void()> current;
};

struct NestedCall {
    const char* name;
    std::function<HRESULT(CPlimoWrapper&)> call;
};

TEST_F(InsideTheProvider, EveryMethodCalledMeanwhileIsRefusedAsBusyAndWritesNothing) {
    Bind();
    ScopedSafeArray names = BstrArray({L"C:\\w\\a.c"});
    LONG result = kUntouched;
    VARIANT status;
    ::VariantInit(&status);
    BSTR user = nullptr;
    BSTR aux = nullptr;
    ScopedBstr project(::SysAllocString(L"$/p")), local(::SysAllocString(L"C:\\w"));
    const NestedCall nested[] = {
        {"Init",
         [](CPlimoWrapper& b) {
             ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
             return b.Init(path.get());
         }},
        {"SccGetVersion", [&](CPlimoWrapper& b) { return b.SccGetVersion(&result); }},
        {"SccSetOption", [&](CPlimoWrapper& b) { return b.SccSetOption(1, 2, &result); }},
        {"SccGet",
         [&](CPlimoWrapper& b) { return b.SccGet(0, ArrayArgument(names.get()), 0, 0, &result); }},
        {"SccQueryInfo",
         [&](CPlimoWrapper& b) {
             return b.SccQueryInfo(ArrayArgument(names.get()), &status, &result);
         }},
        {"SccOpenProject",
         [&](CPlimoWrapper& b) {
             return b.SccOpenProject(0, &user, project.get(), local.get(), &aux, nullptr, 0,
                                     &result);
         }},
    };
    HRESULT refused[std::size(nested)];
    bool inside = false;
    ASSERT_EQ(S_OK, CallFromInside(bridge.get(), [&] {
                  inside = ProviderCallInProgress();
                  for (size_t i = 0; i < std::size(nested); ++i) {
                      refused[i] = nested[i].call(*bridge);
                  }
              }));

    EXPECT_TRUE(inside) << "the server's message filter asks this";
    EXPECT_FALSE(ProviderCallInProgress());
    for (size_t i = 0; i < std::size(nested); ++i) {
        EXPECT_EQ(kProviderBusy, refused[i]) << nested[i].name;
    }
    EXPECT_EQ(kUntouched, result);
    EXPECT_EQ(VT_EMPTY, status.vt);
    EXPECT_EQ(nullptr, user);
    EXPECT_EQ(nullptr, aux);
    EXPECT_EQ(1, record.Count()) << "only the call in progress reached the provider";

    // Once the provider has returned, calls are served as before.
    record.script().misbehaviour = testprovider::kBehave;
    record.SetResult(Entry::GetVersion, 3);
    EXPECT_EQ(S_OK, bridge->SccGetVersion(&result));
    EXPECT_EQ(3, result);
}

TEST_F(InsideTheProvider, AFinalReleaseMeanwhileFreesTheProviderOnlyOnceItHasReturned) {
    Bind();
    BridgeUnderTest* object = bridge.release();
    HMODULE loadedDuringCall = nullptr;
    ASSERT_EQ(S_OK, CallFromInside(object, [&] {
                  EXPECT_EQ(1u, object->Release()) << "the call holds the object";
                  loadedDuringCall = ::GetModuleHandleW(BesideTest(kTestProvider).c_str());
              }));
    EXPECT_NE(nullptr, loadedDuringCall);
    EXPECT_EQ(nullptr, ::GetModuleHandleW(BesideTest(kTestProvider).c_str()))
        << "the object went, and the provider with it, when the call ended";
}

// A fault inside a method that puts no guard around the provider is handled further up (in the
// server, by COM's dispatch), which unwinds the method's frames without their destructors.
TEST_F(BoundBridge, AFaultHandledAboveAnUnguardedCallLeavesTheThreadFreeAndTheObjectUnheld) {
    Bind();
    record.script().misbehaving = Entry::GetVersion;
    record.script().misbehaviour = testprovider::kFaultOnNull;
    CPlimoWrapper* object = bridge.get();
    EXPECT_FALSE(CallGuarded(
        [](void* o) {
            LONG result = 0;
            static_cast<CPlimoWrapper*>(o)->SccGetVersion(&result);
        },
        object));
    EXPECT_FALSE(ProviderCallInProgress());
    EXPECT_EQ(2u, bridge->AddRef()) << "the call gave its reference back";
    bridge->Release();

    record.script().misbehaviour = testprovider::kBehave;
    LONG result = kUntouched;
    EXPECT_EQ(S_OK, bridge->SccGetVersion(&result));
}

// The width of this program and of the provider it loads.
constexpr int kBits = sizeof(void*) * 8;

// A provider with a recursion bug overflows its stack inside a file-list method.
class StackOverflow : public BoundBridge {
protected:
    void SetUp() override {
        BoundBridge::SetUp();
        Bind();
        record.script().misbehaving = Entry::Get;
        record.script().misbehaviour = testprovider::kOverflowStack;
        record.SetResult(Entry::GetVersion, 9);
    }

    HRESULT Get() {
        ScopedSafeArray names = BstrArray({L"C:\\w\\a.c"});
        LONG result = kUntouched;
        HRESULT hr = bridge->SccGet(0, ArrayArgument(names.get()), 0, 0, &result);
        EXPECT_EQ(kUntouched, result);
        return hr;
    }
};

TEST_F(StackOverflow, IsContainedEveryTimeAndTheObjectStaysUsable) {
    // Under QEMU the overflow is caught, but putting the guard page back faults in a way Wine
    // cannot handle there, and no second overflow would be caught anyway (docs/building.md).
    if (const char* why = OverflowsCannotBeContained(kBits, BesideTest(L"overflow_probe.exe"))) {
        GTEST_SKIP() << why;
    }
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(E_FAIL, Get()) << round;
    }
    EXPECT_EQ(3, record.CountOf(Entry::Get));
    EXPECT_FALSE(GuardedStackLost());
    LONG version = 0;
    EXPECT_EQ(S_OK, bridge->SccGetVersion(&version));
    EXPECT_EQ(9, version);
}

TEST_F(StackOverflow, WhenTheGuardPageCannotBePutBackEveryLaterCallFailsAtOnce) {
    // The first overflow is caught under emulation too; a 64-bit one only where the platform can.
    if (kBits == 64) {
        if (const char* why = OverflowsCannotBeContained(64, BesideTest(L"overflow_probe.exe"))) {
            GTEST_SKIP() << why;
        }
    }
    // On a thread of its own: the mark stays with the thread whose stack lost its guard page.
    std::thread([this] {
        const StackReset previous = SetStackReset([]() -> int { return 0; });
        EXPECT_EQ(E_FAIL, Get());
        SetStackReset(previous);
        EXPECT_TRUE(GuardedStackLost());

        LONG version = kUntouched;
        EXPECT_EQ(kProviderStackLost, bridge->SccGetVersion(&version));
        EXPECT_EQ(kUntouched, version);
        EXPECT_EQ(kProviderStackLost, Get());
        ScopedBstr path(::SysAllocString(BesideTest(kTestProvider).c_str()));
        EXPECT_EQ(kProviderStackLost, bridge->Init(path.get()));
    }).join();
    EXPECT_EQ(1, record.Count()) << "nothing reached the provider after the overflow";
    EXPECT_FALSE(GuardedStackLost()) << "this thread's stack is whole";
}

} // namespace
