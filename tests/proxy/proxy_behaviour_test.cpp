// The proxy as hosts really use it: the provider's messages and reports replayed into the host's
// callbacks in order, a callback that answers stop, a call from inside a callback, a provider
// fault, the server killed mid-session, two contexts at once, and the host's COM apartment.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <string>
#include <vector>

#include "provider_record_view.h"
#include "proxy_host.h"

using testprovider::Entry;
using namespace proxytest;

namespace {

LPCSTR kFiles[] = {"C:\\w\\a.c", "C:\\w\\b.c"};

class ProxyBehaviour : public ProxyHostTest {
protected:
    LONG Get(void* context) {
        return proxy.Entry<provider::SccUncheckoutFn>("SccGet")(context, nullptr, 2, kFiles, 0, 0);
    }
    // Messages whose text starts with "PlimoCOMWrapper: ", the proxy's own.
    static std::vector<HostMessage> ProxyMessages() {
        std::vector<HostMessage> own;
        for (const HostMessage& message : Received().messages) {
            if (message.text.rfind("PlimoCOMWrapper: ", 0) == 0) {
                own.push_back(message);
            }
        }
        return own;
    }
};

std::vector<HostMessage> ScriptedMessages(int count) {
    std::vector<HostMessage> messages;
    for (int i = 0; i < count; ++i) {
        messages.push_back({"message " + std::to_string(i), static_cast<DWORD>(i % 4 + 1)});
    }
    return messages;
}

// One list entry, called through the proxy with the host's callback and data.
struct ReportCase {
    const char* name;
    Entry entry;
    std::function<LONG(const ProxyLibrary&, void*)> call;
    // What the host's callback got for item i.
    std::function<HostItem(int)> expected;
};

const ReportCase kReports[] = {
    {"SccPopulateList", Entry::PopulateList,
     [](const ProxyLibrary& p, void* c) {
         LONG status[2] = {};
         return p.Entry<provider::SccPopulateListFn>("SccPopulateList")(
             c, 0, 2, kFiles, &HostPopulate, &Received(), status, 0);
     },
     [](int i) {
         return HostItem{"item" + std::to_string(i), i, i % 2 == 0, ""};
     }},
    {"SccQueryChanges", Entry::QueryChanges,
     [](const ProxyLibrary& p, void* c) {
         return p.Entry<provider::SccQueryChangesFn>("SccQueryChanges")(c, 2, kFiles, &HostChanges,
                                                                        &Received());
     },
     [](int i) {
         const std::string name = "item" + std::to_string(i);
         return HostItem{name, i % 5, FALSE, name + ".new"};
     }},
    {"SccPopulateDirList", Entry::PopulateDirList,
     [](const ProxyLibrary& p, void* c) {
         return p.Entry<provider::SccPopulateDirListFn>("SccPopulateDirList")(
             c, 2, kFiles, &HostDirectory, &Received(), 0);
     },
     [](int i) {
         return HostItem{"item" + std::to_string(i), i % 3 == 0, FALSE, ""};
     }},
};

void ExpectItems(const ReportCase& report, size_t count) {
    ASSERT_EQ(count, Received().items.size()) << report.name;
    for (size_t i = 0; i < count; ++i) {
        const HostItem expected = report.expected(static_cast<int>(i));
        const HostItem& got = Received().items[i];
        EXPECT_EQ(expected.name, got.name) << report.name << " item " << i;
        EXPECT_EQ(expected.value, got.value) << report.name << " item " << i;
        EXPECT_EQ(expected.flag != FALSE, got.flag != FALSE) << report.name << " item " << i;
        EXPECT_EQ(expected.latest, got.latest) << report.name << " item " << i;
    }
}

TEST_F(ProxyBehaviour, MessagesAndReportsReachTheHostInOrderBeforeTheEntryReturns) {
    ProxySession session(proxy);
    session.Start();
    for (const ReportCase& report : kReports) {
        record.Reset();
        Received() = HostRecord();
        record.script().reportCount = 6;
        record.script().messageCount = 5;
        record.script().cancelProtocol = 1;
        record.SetResult(report.entry, 3);
        EXPECT_EQ(3, report.call(proxy, session.context())) << report.name;
        ExpectItems(report, 6);
        // The cancel protocol stays in the server, answered "go on".
        EXPECT_EQ(ScriptedMessages(5), Received().messages) << report.name;
        EXPECT_EQ(SCC_MSG_RTN_OK, record.shared().doCancelAnswer);
    }
}

TEST_F(ProxyBehaviour, ACallbackThatAnswersStopEndsTheReplay) {
    ProxySession session(proxy);
    session.Start();
    for (const ReportCase& report : kReports) {
        record.Reset();
        Received() = HostRecord();
        Received().stopAfter = 2;
        record.script().reportCount = 6;
        EXPECT_EQ(0, report.call(proxy, session.context())) << report.name;
        ExpectItems(report, 2);
    }
}

// A host that calls the proxy again from inside one of its callbacks (as from a message pumped
// there) gets the busy result; the provider is not called a second time.
TEST_F(ProxyBehaviour, ACallFromInsideACallbackIsRefusedAsBusy) {
    ProxySession session(proxy);
    session.Start();
    record.Reset();
    record.script().reportCount = 1;
    LONG nested = 0;
    Received().onItem = [&] {
        nested = proxy.Entry<provider::SccContextFn>("SccBeginBatch")(session.context());
    };
    EXPECT_EQ(0, kReports[0].call(proxy, session.context()));
    EXPECT_EQ(SCC_E_OPNOTPERFORMED, nested);
    EXPECT_EQ(0, record.CountOf(Entry::BeginBatch));
    ASSERT_EQ(1u, ProxyMessages().size());
    EXPECT_EQ(SCC_MSG_ERROR, ProxyMessages()[0].type);
    EXPECT_NE(std::string::npos, ProxyMessages()[0].text.find("SccBeginBatch"));

    Received().onItem = nullptr;
    EXPECT_EQ(0, proxy.Entry<provider::SccContextFn>("SccBeginBatch")(session.context()))
        << "once the call is over, the context takes calls again";
}

TEST_F(ProxyBehaviour, AProviderFaultGivesTheHostAnErrorAndTheSessionGoesOn) {
    ProxySession session(proxy);
    session.Start();
    record.Reset();
    record.script().misbehaving = Entry::Get;
    record.script().misbehaviour = testprovider::kFaultOnNull;
    EXPECT_EQ(SCC_E_NONSPECIFICERROR, Get(session.context()));
    ASSERT_EQ(1u, ProxyMessages().size());
    EXPECT_NE(std::string::npos, ProxyMessages()[0].text.find("SccGet: the provider failed"))
        << ProxyMessages()[0].text;

    record.script().misbehaving = Entry::None;
    record.SetResult(Entry::Get, 2);
    EXPECT_EQ(2, Get(session.context())) << "the server and the session go on";
}

// Counts and lists the proxy cannot make a list of are refused before anything crosses to the
// server; a context value the proxy never handed out is refused without being used.
TEST_F(ProxyBehaviour, WhatTheHostHandsOverIsCheckedBeforeTheProviderIsCalled) {
    ProxySession session(proxy);
    session.Start();
    record.Reset();
    auto get = proxy.Entry<provider::SccUncheckoutFn>("SccGet");
    EXPECT_EQ(SCC_E_NONSPECIFICERROR, get(session.context(), nullptr, -1, kFiles, 0, 0));
    EXPECT_EQ(SCC_E_NONSPECIFICERROR, get(session.context(), nullptr, 2, nullptr, 0, 0));
    EXPECT_EQ(SCC_E_NONSPECIFICERROR, get(session.context(), nullptr, 2000000, kFiles, 0, 0));
    int stray = 0;
    EXPECT_EQ(SCC_E_NONSPECIFICERROR, get(&stray, nullptr, 2, kFiles, 0, 0));
    EXPECT_EQ(0, record.Count()) << "nothing reached the provider";
    ASSERT_EQ(3u, ProxyMessages().size()) << "the stray context has no host procedure to tell";
    EXPECT_NE(std::string::npos, ProxyMessages()[0].text.find("refused the host's arguments"));
    EXPECT_EQ(0, Get(session.context())) << "the context is still usable";
}

// Runs `call` on a thread of its own and gives its result, or fails when it does not return
// within kCallLimitMs (a hang).
struct Job {
    std::function<LONG()> call;
    LONG result = 0;
};

DWORD WINAPI RunJob(void* data) {
    Job* job = static_cast<Job*>(data);
    job->result = job->call();
    return 0;
}

LONG WithinLimit(const std::function<LONG()>& call) {
    Job job{call};
    ScopedHandle thread(::CreateThread(nullptr, 0, &RunJob, &job, 0, nullptr));
    if (!thread || ::WaitForSingleObject(thread.get(), kCallLimitMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the call did not return: the host would hang";
        ::ExitProcess(1); // the thread still uses `job`: no way on but out
    }
    return job.result;
}

TEST_F(ProxyBehaviour, AServerKilledMidSessionFailsTheNextCallsAtOnce) {
    ProxySession session(proxy);
    session.Start();
    ASSERT_GT(record.Count(), 0);
    ScopedHandle server(
        ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, record.Last().processId));
    ASSERT_TRUE(server);
    ASSERT_TRUE(::TerminateProcess(server.get(), 1));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(server.get(), kCallLimitMs));

    void* context = session.context();
    EXPECT_EQ(SCC_E_CONNECTIONFAILURE, WithinLimit([&] { return Get(context); }));
    EXPECT_EQ(SCC_E_CONNECTIONFAILURE, WithinLimit([&] { return Get(context); }))
        << "later calls fail at once too";
    ASSERT_EQ(2u, ProxyMessages().size());
    EXPECT_NE(std::string::npos, ProxyMessages()[0].text.find("has ended"))
        << ProxyMessages()[0].text;
    // Uninitialising still ends the context.
    EXPECT_EQ(SCC_E_CONNECTIONFAILURE, WithinLimit([&] { return session.End(); }));
}

TEST_F(ProxyBehaviour, TwoContextsAtOnceEachHaveAServerOfTheirOwn) {
    ProxySession first(proxy), second(proxy);
    first.Start();
    const DWORD firstServer = record.Last().processId;
    second.Start();
    const DWORD secondServer = record.Last().processId;
    EXPECT_NE(firstServer, secondServer);
    EXPECT_NE(first.context(), second.context());

    record.Reset();
    record.SetResult(Entry::Get, 1);
    EXPECT_EQ(1, Get(second.context()));
    EXPECT_EQ(1, Get(first.context()));
    ASSERT_EQ(2, record.Count());
    EXPECT_EQ(secondServer, record.Call(0).processId);
    EXPECT_EQ(firstServer, record.Call(1).processId);

    ScopedHandle process(::OpenProcess(SYNCHRONIZE, FALSE, firstServer));
    first.End();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.get(), kCallLimitMs));
    EXPECT_EQ(1, Get(second.context())) << "the other context is untouched";
}

// The proxy uses the apartment the host's thread is in, and initialises COM itself only on a
// thread without it, undoing that when the context ends.
struct ApartmentCase {
    const char* name;
    DWORD model; // the host's own initialisation; kNoCom: none
};
constexpr DWORD kNoCom = 0xFFFFFFFF;

class HostApartments : public ProxyBehaviour,
                       public ::testing::WithParamInterface<ApartmentCase> {};

TEST_P(HostApartments, AreUsedAsTheHostLeftThem) {
    struct Outcome {
        LONG started = -1, got = -1, ended = -1;
        HRESULT before = E_FAIL, after = E_FAIL;
        APTTYPE typeAfter = APTTYPE_CURRENT;
    } outcome;
    const DWORD model = GetParam().model;
    WithinLimit([&] {
        if (model != kNoCom) {
            ::CoInitializeEx(nullptr, model);
        }
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        outcome.before = ::CoGetApartmentType(&type, &qualifier);
        ProxySession session(proxy);
        outcome.started = session.Initialize();
        outcome.got = Get(session.context());
        outcome.ended = session.End();
        outcome.after = ::CoGetApartmentType(&outcome.typeAfter, &qualifier);
        if (model != kNoCom) {
            ::CoUninitialize();
        }
        return 0;
    });
    EXPECT_EQ(0, outcome.started);
    EXPECT_EQ(0, outcome.got);
    EXPECT_EQ(0, outcome.ended);
    EXPECT_EQ(outcome.before, outcome.after) << "the thread's COM is as the host left it";
    if (model == COINIT_APARTMENTTHREADED) {
        EXPECT_EQ(APTTYPE_MAINSTA == outcome.typeAfter || APTTYPE_STA == outcome.typeAfter, true);
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, HostApartments,
                         ::testing::Values(ApartmentCase{"NoCom", kNoCom},
                                           ApartmentCase{"SingleThreaded",
                                                         COINIT_APARTMENTTHREADED},
                                           ApartmentCase{"MultiThreaded", COINIT_MULTITHREADED}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
