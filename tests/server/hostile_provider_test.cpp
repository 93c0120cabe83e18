// A provider that turns against the whole interface, through the real server at the width under
// test: callbacks kept and called in later calls, a fault after reporting, huge messages and
// counts. Each case ends the same way: the next call answers, and the server process ends once
// its client lets go.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include "bounded_call.h"
#include "com_ptr.h"
#include "PlimoCOMWrapper2.h"
#include "server_description.h"
#include "provider_record_view.h"
#include "returned_elements.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "served_processes.h"
#include "server_under_test.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

constexpr DWORD kPromptMs = 120000;
// The server's own notes, as the messages end with them.
constexpr wchar_t kDroppedNote[] = L"PlimoCOMWrapper: further messages were dropped";
constexpr wchar_t kCutNote[] = L"PlimoCOMWrapper: the list was cut";

// What one call handed back: its HRESULT, and the arrays it filled (at most four).
struct Outcome {
    HRESULT hr = E_UNEXPECTED;
    LONG result = 0;
    ScopedVariant out[4];
};

HRESULT PopulateList(IPlimoWrapper2* w, Outcome* o) {
    ScopedSafeArray files = BstrArray({L"C:\\w"});
    return w->SccPopulateList(0, ArrayArgument(files.get()), 0, o->out[0].put(), o->out[1].put(),
                              o->out[2].put(), o->out[3].put(), &o->result);
}

HRESULT QueryChanges(IPlimoWrapper2* w, Outcome* o) {
    ScopedSafeArray files = BstrArray({L"C:\\w\\a.c"});
    return w->SccQueryChanges(ArrayArgument(files.get()), o->out[2].put(), o->out[1].put(),
                              o->out[3].put(), &o->result);
}

HRESULT PopulateDirList(IPlimoWrapper2* w, Outcome* o) {
    ScopedSafeArray dirs = BstrArray({L"C:\\w"});
    return w->SccPopulateDirList(ArrayArgument(dirs.get()), 0, o->out[2].put(), o->out[0].put(),
                                 &o->result);
}

HRESULT AddFromScc(IPlimoWrapper2* w, Outcome* o) {
    return w->SccAddFromScc(0, o->out[2].put(), &o->result);
}

// Hands the provider the text-output procedure, as SccOpenProject does.
HRESULT OpenProject(IPlimoWrapper2* w, Outcome* o) {
    ScopedBstr user, aux, project(::SysAllocString(L"$/p")), local(::SysAllocString(L"C:\\w"));
    return w->SccOpenProject(0, user.put(), project.get(), local.get(), aux.put(), nullptr, 0,
                             &o->result);
}

HRESULT Get(IPlimoWrapper2* w, Outcome* o) {
    ScopedSafeArray files = BstrArray({L"C:\\w\\a.c"});
    return w->SccGet(0, ArrayArgument(files.get()), 0, 0, &o->result);
}

// One reproduction: what runs first, as the provider behaves by default (`prime`), the script,
// the call itself, what it must answer, and what must hold of what came back and of the messages
// taken after it.
struct HostileCase {
    const char* name;
    std::function<void(testprovider::Script&)> script;
    std::function<HRESULT(IPlimoWrapper2*, Outcome*)> prime;
    std::function<HRESULT(IPlimoWrapper2*, Outcome*)> call;
    HRESULT expected;
    std::function<void(const Outcome&, const std::vector<std::wstring>& messages,
                       const testprovider::Shared&)>
        check;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<std::wstring> Items(int count) {
    std::vector<std::wstring> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(L"item" + std::to_wstring(i));
    }
    return items;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

const HostileCase kCases[] = {
    {"AKeptCallbackInTheNextPopulateListReportsNothing",
     [](testprovider::Script& s) {
         s.reportCount = 2;
         s.misbehaving = Entry::PopulateList;
         s.misbehaviour = testprovider::kReportToKeptCallback;
     },
     PopulateList, PopulateList, S_OK,
     [](const Outcome& o, const std::vector<std::wstring>&, const testprovider::Shared& shared) {
         EXPECT_EQ(Items(2), Texts(o.out[2].get())) << "no item the provider did not report";
         EXPECT_EQ(1, shared.ghostCalls) << "the first call's callback was called in the second";
         EXPECT_EQ(0, shared.ghostAccepted) << "and answered stop";
     }},
    {"AKeptCallbackDuringQueryChangesReportsNothing",
     [](testprovider::Script& s) {
         s.reportCount = 2;
         s.misbehaving = Entry::QueryChanges;
         s.misbehaviour = testprovider::kReportToKeptCallback;
     },
     PopulateList, QueryChanges, S_OK,
     [](const Outcome& o, const std::vector<std::wstring>&, const testprovider::Shared& shared) {
         EXPECT_EQ(Items(2), Texts(o.out[2].get()));
         EXPECT_EQ(1, shared.ghostCalls);
         EXPECT_EQ(0, shared.ghostAccepted);
     }},
    {"AFaultAfterReportingFailsTheCallAlone",
     [](testprovider::Script& s) {
         s.reportCount = 3;
         s.misbehaving = Entry::PopulateDirList;
         s.misbehaviour = testprovider::kFaultAfterReporting;
     },
     nullptr, PopulateDirList, E_FAIL,
     [](const Outcome& o, const std::vector<std::wstring>&, const testprovider::Shared&) {
         EXPECT_EQ(VT_EMPTY, o.out[2].get().vt) << "nothing handed back";
     }},
    {"HugeMessagesAreKeptUpToTheBoundAndTheRestNoted",
     [](testprovider::Script& s) {
         s.messageCount = 120;
         s.messageBytes = 4000000;
     },
     OpenProject, Get, S_OK,
     [](const Outcome&, const std::vector<std::wstring>& messages, const testprovider::Shared&) {
         ASSERT_EQ(5u, messages.size()) << "16 MB hold four of 4 MB, and the note";
         for (size_t i = 0; i < 4; ++i) {
             EXPECT_EQ(4000000u, messages[i].size());
         }
         EXPECT_TRUE(StartsWith(messages[4], kDroppedNote));
     }},
    {"AHugeAddFromSccCountIsCutAndTheListFreed",
     [](testprovider::Script& s) { s.reportCount = 250000; }, nullptr, AddFromScc, S_FALSE,
     [](const Outcome& o, const std::vector<std::wstring>& messages,
        const testprovider::Shared& shared) {
         EXPECT_EQ(100000u, Texts(o.out[2].get()).size());
         ASSERT_EQ(1u, messages.size());
         EXPECT_TRUE(StartsWith(messages[0], kCutNote));
         EXPECT_EQ(0, shared.listsOutstanding) << "the provider was asked to free its list";
     }},
    {"ACountBeyondTheListFailsTheCallAndTheListIsFreed",
     [](testprovider::Script& s) {
         s.misbehaving = Entry::AddFromScc;
         s.misbehaviour = testprovider::kCountBeyondTheList;
     },
     nullptr, AddFromScc, E_FAIL,
     [](const Outcome& o, const std::vector<std::wstring>&, const testprovider::Shared& shared) {
         EXPECT_EQ(VT_EMPTY, o.out[2].get().vt);
         EXPECT_EQ(0, shared.listsOutstanding) << "the provider was asked to free its list";
     }},
    {"ANegativeAddFromSccCountWithoutAListFailsTheCall",
     [](testprovider::Script& s) {
         s.misbehaving = Entry::AddFromScc;
         s.misbehaviour = testprovider::kNegativeCount;
     },
     nullptr, AddFromScc, E_FAIL,
     [](const Outcome& o, const std::vector<std::wstring>&, const testprovider::Shared&) {
         EXPECT_EQ(VT_EMPTY, o.out[2].get().vt);
     }},
    {"AnEndlessPopulateListIsCutAndSaysSoInTheMessages",
     [](testprovider::Script& s) { s.reportCount = testprovider::kEndless; }, nullptr, PopulateList,
     S_FALSE,
     [](const Outcome& o, const std::vector<std::wstring>& messages, const testprovider::Shared&) {
         EXPECT_EQ(100000u, Texts(o.out[2].get()).size());
         ASSERT_EQ(1u, messages.size());
         EXPECT_TRUE(StartsWith(messages[0], kCutNote));
     }},
};

class HostileProvider : public ::testing::TestWithParam<HostileCase> {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        RegisterServer();
    }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    void SetUp() override { record.Reset(); }
    void TearDown() override { servers.ExpectAllEnded(kPromptMs); }

    // The class of the whole interface in the server under test, bound to its test provider.
    void Activate() {
        ASSERT_EQ(S_OK, ::CoCreateInstance(WholeInterfaceClass(CurrentServer().bits), nullptr,
                                           CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper2,
                                           reinterpret_cast<void**>(wrapper.put())));
        ScopedBstr path(::SysAllocString(CurrentServer().Provider(kTestProvider).c_str()));
        ASSERT_EQ(S_OK, wrapper->Init(path.get()));
        LONG version = 0;
        ASSERT_EQ(S_OK, wrapper->SccGetVersion(&version));
        server = servers.Track(record.Last().processId);
        ASSERT_NE(nullptr, server);
    }

    // Runs `steps` against the server with a deadline; a hang fails the test.
    void Bounded(const std::function<void()>& steps) {
        ASSERT_TRUE(RunBounded(steps, kPromptMs, server)) << "the server did not answer";
    }

    ProviderRecordView record;
    ServedProcesses servers;
    ComPtr<IPlimoWrapper2> wrapper;
    HANDLE server = nullptr;
};

TEST_P(HostileProvider, GetsTheSoundAnswerAndLeavesTheServerServing) {
    const HostileCase& c = GetParam();
    Activate();
    if (c.prime) {
        Outcome primed;
        Bounded([&] { primed.hr = c.prime(wrapper.get(), &primed); });
        ASSERT_TRUE(SUCCEEDED(primed.hr)) << std::hex << primed.hr;
    }
    c.script(record.script());

    Outcome outcome;
    Bounded([&] { outcome.hr = c.call(wrapper.get(), &outcome); });
    EXPECT_EQ(c.expected, outcome.hr) << std::hex << outcome.hr;

    std::vector<std::wstring> messages;
    record.script() = testprovider::Script{};
    Bounded([&] {
        ScopedVariant texts, types;
        LONG count = -1;
        EXPECT_EQ(S_OK, wrapper->TakeMessages(texts.put(), types.put(), &count))
            << "the next call answers";
        messages = Texts(texts.get());
        LONG version = -1;
        EXPECT_EQ(S_OK, wrapper->SccGetVersion(&version)) << "and so does the provider's";
    });
    c.check(outcome, messages, record.shared());

    // The object goes, and with it the server process.
    wrapper.reset();
    DWORD exitCode = 0xDEAD;
    EXPECT_TRUE(WaitForExit(server, kPromptMs, &exitCode)) << "the server outlived its client";
    EXPECT_EQ(0u, exitCode);
}

INSTANTIATE_TEST_SUITE_P(Findings, HostileProvider, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
