// The real server under a provider and a client as they really behave, driven from a 64-bit
// client: a recursion bug that overflows the stack again and again, a provider that pumps
// messages while a second client thread calls, one that posts WM_QUIT, and sessions that follow
// each other without registering the server again.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "child_process.h"
#include "emulation.h"
#include "expected_results.h"
#include "provider_record_view.h"
#include "scoped_resource.h"
#include "served_processes.h"
#include "server_paths.h"
#include "server_under_test.h"

using testprovider::Entry;

namespace {

constexpr DWORD kServerExitTimeoutMs = 30000;

std::string Hr(HRESULT hr) {
    return std::to_string(static_cast<long>(hr));
}

class MisbehavingProvider : public ::testing::Test {
protected:
    // Registered once for the whole program: the sessions that follow must find it still there.
    static void SetUpTestSuite() { RegisterServer(); }

    void SetUp() override { record.Reset(); }
    void TearDown() override { servers.ExpectAllEnded(kServerExitTimeoutMs); }

    void Misbehave(Entry entry, testprovider::Misbehaviour misbehaviour) {
        record.script().misbehaving = entry;
        record.script().misbehaviour = misbehaviour;
    }

    // Runs the 64-bit client's `scenario` to its end; its key=value lines.
    std::map<std::string, std::string> Play(const std::wstring& scenario) {
        ChildResult client =
            RunChild(Quoted(BesideTest(L"robustness_client.exe")) + L" " +
                         Quoted(CurrentServer().Provider(kTestProvider)) + L" " + scenario,
                     true);
        EXPECT_TRUE(client.finished) << "the client hung";
        EXPECT_EQ(0u, client.exitCode) << client.output;
        auto values = ParseKeyValues(client.output);
        EXPECT_EQ("64", values["pointer.bits"]);
        EXPECT_EQ("0", values["activate"]);
        EXPECT_EQ("0", values["init"]);
        EXPECT_EQ("0", values["release"]);
        return values;
    }

    // The server of the last session: it must end, with exit code 0, now that it is released.
    void ExpectServerEnded() {
        ASSERT_GE(record.Count(), 1);
        HANDLE server = servers.Track(record.Last().processId);
        if (server == nullptr) {
            return; // already gone; its exit code cannot be read any more
        }
        DWORD exitCode = 0xDEAD;
        ASSERT_TRUE(WaitForExit(server, kServerExitTimeoutMs, &exitCode));
        EXPECT_EQ(0u, exitCode);
    }

    ProviderRecordView record;
    ServedProcesses servers;
};

// Fullwidth separators and quotes are legal in names and comments; under a best fit they would
// reach the provider as a path outside the project and as a real quote. A name with one is
// refused; a comment is free text, where the code page's default character stands in for it.
TEST_F(MisbehavingProvider, LookAlikeCharactersNeverReachTheProviderAsWhatTheyLookLike) {
    auto values = Play(L"lookalike");
    EXPECT_EQ(Hr(E_INVALIDARG), values["name"]);
    // The marshaller hands back a cleared result for a failed call.
    EXPECT_EQ("0", values["name.result"]);
    EXPECT_EQ(Hr(S_OK), values["comment"]);
    EXPECT_EQ("0", values["version"]) << "the object stays usable";
    ASSERT_EQ(1, record.CountOf(Entry::Checkin)) << "the name never reached the provider";
    for (int i = 0; i < record.Count(); ++i) {
        if (record.Call(i).entry == Entry::Checkin) {
            EXPECT_STREQ("C:\\work\\a.txt", record.Call(i).files[0]);
            EXPECT_STREQ("fix? & del *", record.Call(i).text[0])
                << "no quote the client never typed";
        }
    }
    ExpectServerEnded();
}

TEST_F(MisbehavingProvider, EveryStackOverflowInsideAFileListCallIsContained) {
    if (const char* reason = CurrentServer().OverflowsCannotBeContained()) {
        GTEST_SKIP() << reason;
    }
    Misbehave(Entry::Get, testprovider::kOverflowStack);
    auto values = Play(L"overflow");
    for (const char* key : {"get.1", "get.2", "get.3"}) {
        EXPECT_EQ(Hr(E_FAIL), values[key]) << key;
    }
    EXPECT_EQ("0", values["version"]) << "the object stays usable";
    EXPECT_EQ(3, record.CountOf(Entry::Get));
    ExpectServerEnded();
}

// On Windows the server's message filter turns the second call away and the caller's filter,
// if it has one, retries it. Wine dispatches the call whatever the filter answers; the object
// then refuses it itself, and the caller receives the busy failure, filter or none.
class PumpingProvider : public MisbehavingProvider, public ::testing::WithParamInterface<bool> {};

TEST_P(PumpingProvider, ACallFromASecondThreadNeverEntersItWhileItRuns) {
    ScopedHandle pumping(::CreateEventW(nullptr, TRUE, FALSE, testprovider::kPumpingEvent));
    ScopedHandle stop(::CreateEventW(nullptr, TRUE, FALSE, testprovider::kStopPumpingEvent));
    ASSERT_TRUE(pumping && stop);
    Misbehave(Entry::Get, testprovider::kPumpMessages);
    auto values = Play(GetParam() ? L"busy filter" : L"busy");

    EXPECT_EQ("1", values["pumping"]);
    EXPECT_EQ(0, record.EnteredWhilePumping())
        << "a call entered the provider while it was still running";
    const bool retried = values["meanwhile.retries"] != "0";
    EXPECT_EQ(retried ? "0" : Hr(kBusy), values["meanwhile"]);
    EXPECT_EQ("0", values["get"]) << "the provider's own call completed";
    EXPECT_EQ("0", values["after"]) << "an idle server serves as before";
    EXPECT_EQ(1, record.CountOf(Entry::Get));
    ExpectServerEnded();
}

INSTANTIATE_TEST_SUITE_P(SecondCaller, PumpingProvider, ::testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "WithMessageFilter" : "WithoutFilter");
});

TEST_F(MisbehavingProvider, AStrayQuitMessageDoesNotEndTheServer) {
    Misbehave(Entry::GetVersion, testprovider::kPostQuit);
    auto values = Play(L"quit");
    EXPECT_EQ("0", values["version.1"]);
    EXPECT_EQ("0", values["version.2"]) << "the server still serves after a WM_QUIT";
    EXPECT_EQ(2, record.CountOf(Entry::GetVersion));
    ExpectServerEnded();
}

TEST_F(MisbehavingProvider, SessionsFollowEachOtherWithoutRegisteringAgain) {
    for (int session = 1; session <= 2; ++session) {
        record.Reset();
        auto values = Play(L"session");
        EXPECT_EQ("0", values["version"]) << session;
        ExpectServerEnded();
    }
}

} // namespace
