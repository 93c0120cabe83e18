// The bounded soak: a few thousand calls of every method shape, good and refused input, against
// one server, judged by the figures the server process reports of itself after warm-up. The
// full soak (`bash bench/run.sh soak`) runs the same program with 100,000 calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>

#include "child_process.h"
#include "bench_protocol.h"
#include "test_paths.h"

namespace {

constexpr long kCallsPerTurn = 48;
constexpr long kCalls = 100 * kCallsPerTurn;
constexpr long kWarmup = 2000;

long Number(const std::map<std::string, std::string>& values, const std::string& key) {
    auto found = values.find(key);
    return found != values.end() ? std::atol(found->second.c_str()) : -1;
}

// One soak run makes some 14,000 cross-process calls (the server's and the baseline's), which a
// slow machine under load takes well over a minute for.
constexpr DWORD kSoakTimeoutMs = 300000;

ChildResult RunSoak(long calls, long warmup, const std::wstring& extra = L"") {
    return RunChild(Quoted(BesideTest(L"plimo_bench.exe")) + L" soak --calls " +
                        std::to_wstring(calls) + L" --warmup " + std::to_wstring(warmup) +
                        L" --samples 2" + extra,
                    true, kSoakTimeoutMs);
}

class BoundedSoak : public ::testing::Test {
protected:
    // One soak for the whole suite: the program activates, soaks and waits for the end of both
    // servers itself.
    static void SetUpTestSuite() {
        run = new ChildResult(RunSoak(kCalls, kWarmup));
        values = new std::map<std::string, std::string>(ParseKeyValues(run->output));
    }
    static void TearDownTestSuite() {
        delete values;
        delete run;
    }

    static long Figure(const std::string& key) { return Number(*values, key); }

    static ChildResult* run;
    static std::map<std::string, std::string>* values;
};

ChildResult* BoundedSoak::run = nullptr;
std::map<std::string, std::string>* BoundedSoak::values = nullptr;

TEST_F(BoundedSoak, RunsToItsEndAndPassesItsOwnVerdict) {
    ASSERT_TRUE(run->finished) << "the soak did not end in time";
    EXPECT_EQ(0u, run->exitCode) << run->output;
    EXPECT_EQ("no growth", (*values)["verdict"]) << run->output;
    EXPECT_EQ(kCalls, Figure("plimo.calls"));
    EXPECT_EQ(kCalls, Figure("baseline.calls")) << "the baseline takes the same calls";
}

TEST_F(BoundedSoak, EveryCallIsAnsweredAsItsInputDeserves) {
    EXPECT_EQ(0, Figure("unexpected")) << run->output;
    EXPECT_EQ(kCallsPerTurn, Figure("calls.per_turn"));
}

TEST_F(BoundedSoak, TheFiguresComeFromTheServerProcessesThemselves) {
    const long plimo = Figure("plimo.pid");
    const long baseline = Figure("baseline.pid");
    EXPECT_GT(plimo, 0);
    EXPECT_GT(baseline, 0);
    EXPECT_NE(plimo, baseline);
    EXPECT_NE(static_cast<long>(::GetCurrentProcessId()), plimo);
    for (const char* figure : {"private_bytes", "heap_bytes", "handles"}) {
        EXPECT_GT(Figure(std::string("plimo.warm.") + figure), 0) << figure;
        EXPECT_GT(Figure(std::string("baseline.warm.") + figure), 0) << figure;
    }
}

TEST_F(BoundedSoak, TheServerGrowsNoMoreThanTheBaselineAfterWarmUp) {
    EXPECT_LE(Figure("added.heap_bytes"), bench::kHeapBytesNoise) << run->output;
    EXPECT_LE(Figure("added.private_bytes"), bench::kPrivateBytesNoise) << run->output;
    EXPECT_LE(Figure("plimo.growth.handles"), bench::kHandleNoise) << run->output;
}

TEST_F(BoundedSoak, BothServersEndCleanlyAfterTheirRelease) {
    EXPECT_EQ(0, Figure("plimo.exit"));
    EXPECT_EQ(0, Figure("baseline.exit"));
}

// The soak must notice a leak: a provider that keeps a few bytes every turn of the mix fails it,
// through the heap figure, while every call is still answered as expected.
TEST(SoakOfALeakingProvider, FailsOnTheHeapBytesTheServerAddsBeyondTheBaseline) {
    constexpr long kLeakPerTurn = 512;
    constexpr long kLeakingCalls = 20 * kCallsPerTurn; // 10 KB kept, well past the bound
    ChildResult leaking =
        RunSoak(kLeakingCalls, 10 * kCallsPerTurn, L" --leak " + std::to_wstring(kLeakPerTurn));
    ASSERT_TRUE(leaking.finished);
    auto values = ParseKeyValues(leaking.output);
    EXPECT_EQ(1u, leaking.exitCode) << leaking.output;
    EXPECT_EQ("FAILED", values["verdict"]);
    EXPECT_EQ(0, Number(values, "unexpected")) << leaking.output;
    const long turns = kLeakingCalls / Number(values, "calls.per_turn");
    // The server's own heap holds every byte kept; what it adds beyond the baseline's growth, whose
    // heap varies by a few hundred bytes from run to run, is past the verdict's bound.
    EXPECT_GE(Number(values, "plimo.growth.heap_bytes"), turns * kLeakPerTurn);
    EXPECT_GT(Number(values, "added.heap_bytes"), bench::kHeapBytesNoise);
    EXPECT_EQ(0, Number(values, "plimo.exit"));
}

} // namespace
