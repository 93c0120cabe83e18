// The guard around provider calls: faults come back as a result, handlers beneath it keep the
// first chance, and the thread's handler chain is left as it was.
#include <gtest/gtest.h>

#include <windows.h>
#include <intrin.h>

#include <cstdint>
#include <stdexcept>

#include "provider_call_guard.h"

namespace {

// The head of the thread's handler chain, fs:[0]. The offset is read at run time because GCC 12
// takes the constant form for an access outside an array and warns. x64 keeps no chain (handlers
// are found from the code's unwind tables), so there it is always null.
void* HandlerChain() {
#ifdef _WIN64
    return nullptr;
#else
    volatile unsigned long head = 0;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(__readfsdword(head)));
#endif
}

struct Progress {
    int before = 0;
    int after = 0;
};

void FaultOnNull(void* argument) {
    auto* progress = static_cast<Progress*>(argument);
    progress->before = 1;
    *static_cast<volatile int*>(nullptr) = 1;
    progress->after = 1;
}

void RaiseNonContinuable(void* argument) {
    auto* progress = static_cast<Progress*>(argument);
    progress->before = 1;
    ::RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    progress->after = 1;
}

void RaiseContinuable(void* argument) {
    auto* progress = static_cast<Progress*>(argument);
    progress->before = 1;
    ::RaiseException(0xE0000002, 0, 0, nullptr);
    progress->after = 1;
}

void Complete(void* argument) {
    auto* progress = static_cast<Progress*>(argument);
    progress->before = 1;
    progress->after = 1;
}

// Handles a fault of its own beneath the outer guard, then completes.
void HandleOwnFault(void* argument) {
    auto* progress = static_cast<Progress*>(argument);
    Progress inner;
    progress->before = CallGuarded(FaultOnNull, &inner) ? 2 : 1;
    progress->after = inner.after + 1;
}

struct GuardCase {
    const char* name;
    GuardedCall call;
    bool completes;
};

class ProviderCallGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(ProviderCallGuard, ReportsTheOutcomeAndRestoresTheHandlerChain) {
    void* chain = HandlerChain();
    // Values the caller keeps across the call, whatever registers the callee left behind.
    volatile int kept = 0x1234;
    for (int round = 0; round < 3; ++round) {
        Progress progress;
        int local = round * 7 + kept;
        EXPECT_EQ(GetParam().completes, CallGuarded(GetParam().call, &progress)) << round;
        EXPECT_EQ(1, progress.before);
        EXPECT_EQ(GetParam().completes ? 1 : 0, progress.after);
        EXPECT_EQ(round * 7 + 0x1234, local);
        EXPECT_EQ(chain, HandlerChain());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ProviderCallGuard,
    ::testing::Values(GuardCase{"Completes", Complete, true},
                      GuardCase{"NullDereference", FaultOnNull, false},
                      GuardCase{"NonContinuableException", RaiseNonContinuable, false},
                      GuardCase{"ContinuableException", RaiseContinuable, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProviderCallGuardNesting, AHandlerBeneathTheGuardSeesItsOwnFaultFirst) {
    void* chain = HandlerChain();
    Progress progress;
    EXPECT_TRUE(CallGuarded(HandleOwnFault, &progress));
    EXPECT_EQ(1, progress.before) << "the inner guard must have caught the fault";
    EXPECT_EQ(1, progress.after) << "nothing after the inner fault ran";
    EXPECT_EQ(chain, HandlerChain());
}

// The observing frame catches nothing, but hears of an unwind that passes it.
TEST(ProviderCallObserver, GivesUpItsCallOnlyWhenAHandlerAboveUnwindsPastIt) {
    struct Observed {
        GuardedCall call;
        int abandoned = 0;
    };
    auto observe = [](void* argument) {
        CallObserved(
            static_cast<Observed*>(argument)->call,
            [](void* a) { ++static_cast<Observed*>(a)->abandoned; }, argument);
    };
    void* chain = HandlerChain();
    Observed faulting{[](void*) { *static_cast<volatile int*>(nullptr) = 1; }};
    EXPECT_FALSE(CallGuarded(observe, &faulting)) << "the fault went on to the guard above";
    EXPECT_EQ(1, faulting.abandoned);

    Observed returning{[](void*) {}};
    EXPECT_TRUE(CallGuarded(observe, &returning));
    EXPECT_EQ(0, returning.abandoned);
    EXPECT_EQ(chain, HandlerChain());
}

TEST(ProviderCallGuardBody, CatchesACxxExceptionAndReportsNormalReturns) {
    int reached = 0;
    EXPECT_FALSE(CallProviderGuarded([&] {
        reached = 1;
        throw std::runtime_error("from the provider");
    }));
    EXPECT_EQ(1, reached);
    EXPECT_FALSE(CallProviderGuarded([] { throw 7; }));
    EXPECT_TRUE(CallProviderGuarded([&] { reached = 2; }));
    EXPECT_EQ(2, reached);
    EXPECT_FALSE(CallProviderGuarded([] { *static_cast<volatile int*>(nullptr) = 1; }));
}

} // namespace
