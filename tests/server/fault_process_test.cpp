// Faults of the provider as a client sees them across the process boundary, through the real
// server: a fault that the bridge guards, a fault or a process end that nothing in the server
// can guard, and a client killed while it holds its object.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bounded_call.h"
#include "com_ptr.h"
#include "child_process.h"
#include "emulation.h"
#include "PlimoCOMWrapper.h"
#include "provider_record_view.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "served_processes.h"
#include "server_paths.h"
#include "server_under_test.h"
#include "test_arrays.h"

using testprovider::Entry;

namespace {

// A generous bound on "promptly", for a call that fails because its server is gone and for the
// end of that server; the figures measured are printed.
constexpr DWORD kPromptMs = 30000;
// How long the server of a killed client is watched: under Wine it never ends (see the test),
// so this bounds the suite's time rather than decides the outcome.
constexpr DWORD kOrphanWatchMs = 15000;
constexpr LONG kUntouched = 0x0BADF00D;
constexpr DWORD kAbortExitCode = 3; // what the C runtime's abort() exits with

using WrapperPtr = ComPtr<IPlimoWrapper>;

ULONGLONG Now() {
    return ::GetTickCount64();
}

// The unloads that the provider's record counts: how many times the provider was freed by
// FreeLibrary, as the final release of an object does, rather than by the end of its process.
class ProviderUnloads {
public:
    ProviderUnloads() : view_(testprovider::MapShared(mapping_.put())) {}
    int Count() const { return view_ ? static_cast<int>(view_.get()->libraryFrees) : -1; }
    DWORD LastProcess() const { return view_ ? view_.get()->lastFreeProcessId : 0; }

private:
    ScopedHandle mapping_;
    ScopedResource<testprovider::Shared*, &::UnmapViewOfFile> view_;
};

// One method of IPlimoWrapper called with well-formed arguments; what it hands back is freed.
struct Method {
    const char* name;
    Entry entry;
    std::function<HRESULT(IPlimoWrapper*, LONG* result)> call;
};

void PrintTo(const Method& method, std::ostream* os) {
    *os << method.name;
}

// The names every file-list call passes.
VARIANT Files(const ScopedSafeArray& names) {
    return ArrayArgument(names.get());
}

HRESULT CallCheckin(IPlimoWrapper* w, LONG* r) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"C:\\w\\two.c"});
    ScopedBstr comment(::SysAllocString(L"why"));
    return w->SccCheckin(0, Files(names), comment.get(), 0, 0, r);
}

HRESULT CallCheckout(IPlimoWrapper* w, LONG* r) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"C:\\w\\two.c"});
    ScopedBstr comment(::SysAllocString(L"why"));
    return w->SccCheckout(0, Files(names), comment.get(), 0, 0, r);
}

HRESULT CallUncheckout(IPlimoWrapper* w, LONG* r) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c"});
    return w->SccUncheckout(0, Files(names), 0, 0, r);
}

HRESULT CallGet(IPlimoWrapper* w, LONG* r) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c"});
    return w->SccGet(0, Files(names), 0, 0, r);
}

HRESULT CallAdd(IPlimoWrapper* w, LONG* r) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"C:\\w\\two.c"});
    ScopedSafeArray options = LongArray({1, 0});
    ScopedBstr comment(::SysAllocString(L"new"));
    return w->SccAdd(0, Files(names), comment.get(), ArrayArgument(options.get(), VT_ARRAY | VT_I4),
                     0, r);
}

HRESULT CallQueryInfo(IPlimoWrapper* w, LONG* r) {
    ScopedSafeArray names = BstrArray({L"C:\\w\\one.c", L"C:\\w\\two.c"});
    VARIANT status;
    ::VariantInit(&status);
    HRESULT hr = w->SccQueryInfo(Files(names), &status, r);
    ::VariantClear(&status);
    return hr;
}

HRESULT CallGetVersion(IPlimoWrapper* w, LONG* r) {
    return w->SccGetVersion(r);
}

HRESULT CallSetOption(IPlimoWrapper* w, LONG* r) {
    return w->SccSetOption(8, 1, r);
}

HRESULT CallInitialize(IPlimoWrapper* w, LONG* r) {
    ScopedBstr caller(::SysAllocString(L"faults"));
    ScopedBstr name, label;
    LONG caps = 0, checkoutLength = 0, commentLength = 0;
    return w->SccInitialize(0, caller.get(), name.put(), &caps, label.put(), &checkoutLength,
                            &commentLength, r);
}

HRESULT CallOpenProject(IPlimoWrapper* w, LONG* r) {
    ScopedBstr project(::SysAllocString(L"$/p")), local(::SysAllocString(L"C:\\w"));
    ScopedBstr user, aux;
    BSTR* userSlot = user.put();
    *userSlot = ::SysAllocString(L"me"); // in and out: the owner frees what comes back
    return w->SccOpenProject(0, userSlot, project.get(), local.get(), aux.put(), nullptr, 0, r);
}

const Method kCheckin{"SccCheckin", Entry::Checkin, CallCheckin};
const Method kCheckout{"SccCheckout", Entry::Checkout, CallCheckout};
const Method kUncheckout{"SccUncheckout", Entry::Uncheckout, CallUncheckout};
const Method kGet{"SccGet", Entry::Get, CallGet};
const Method kAdd{"SccAdd", Entry::Add, CallAdd};
const Method kQueryInfo{"SccQueryInfo", Entry::QueryInfo, CallQueryInfo};
const Method kGetVersion{"SccGetVersion", Entry::GetVersion, CallGetVersion};
const Method kSetOption{"SccSetOption", Entry::SetOption, CallSetOption};
const Method kInitialize{"SccInitialize", Entry::Initialize, CallInitialize};
const Method kOpenProject{"SccOpenProject", Entry::OpenProject, CallOpenProject};

// Each test activates servers of its own; the client side lives in the multithreaded
// apartment, so a call can be watched from another thread.
class ServerFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        RegisterServer();
    }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    void SetUp() override { record.Reset(); }
    // No server that a test reached may outlive it: one that does is reported, then ended.
    void TearDown() override { servers.ExpectAllEnded(kPromptMs); }

    // Opens the process `id` for the test to watch and end; the fixture keeps the handle.
    HANDLE Track(DWORD id) { return servers.Track(id); }

    // Activates a server and binds the test provider in it. `*server` is the server's process,
    // learnt from the provider's record, or null when that failed.
    WrapperPtr ActivateAndBind(HANDLE* server) {
        *server = nullptr;
        IPlimoWrapper* raw = nullptr;
        HRESULT hr = ::CoCreateInstance(*CurrentServer().clsid, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IPlimoWrapper, reinterpret_cast<void**>(&raw));
        EXPECT_EQ(S_OK, hr);
        WrapperPtr wrapper(raw);
        if (FAILED(hr)) {
            return wrapper;
        }
        ScopedBstr path(::SysAllocString(CurrentServer().Provider(kTestProvider).c_str()));
        EXPECT_EQ(S_OK, wrapper->Init(path.get()));
        LONG version = 0;
        EXPECT_EQ(S_OK, wrapper->SccGetVersion(&version));
        if (record.Count() == 1) {
            *server = Track(record.Last().processId);
        }
        EXPECT_NE(nullptr, *server);
        return wrapper;
    }

    ProviderRecordView record;
    ProviderUnloads unloads;
    ServedProcesses servers;
};

// A fault inside a file-list method is caught by the bridge's guard in the server.
class GuardedFault : public ServerFaults, public ::testing::WithParamInterface<Method> {};

TEST_P(GuardedFault, GivesEFailWhileTheServerLivesOnAndTheNextCallWorks) {
    const Method& method = GetParam();
    HANDLE server = nullptr;
    WrapperPtr wrapper = ActivateAndBind(&server);
    ASSERT_TRUE(wrapper && server);
    record.script().misbehaving = method.entry;
    record.script().misbehaviour = testprovider::kFaultOnNull;
    record.SetResult(method.entry, 5);

    LONG result = kUntouched;
    HRESULT hr = S_OK;
    ASSERT_TRUE(RunBounded([&] { hr = method.call(wrapper.get(), &result); }, kPromptMs, server))
        << "the faulting call did not come back";
    EXPECT_EQ(E_FAIL, hr);
    // What comes back is the stub's own zeroed result: the bridge wrote none.
    EXPECT_EQ(0, result);
    ASSERT_EQ(1, record.CountOf(method.entry)) << "the fault happened inside the provider";
    EXPECT_EQ(::GetProcessId(server), record.Last().processId);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(server, 0))
        << "the server lives on";

    record.script().misbehaviour = testprovider::kBehave;
    ASSERT_TRUE(RunBounded([&] { hr = method.call(wrapper.get(), &result); }, kPromptMs, server));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(5, result);
    EXPECT_EQ(2, record.CountOf(method.entry));

    wrapper.reset();
    DWORD exitCode = 0xDEAD;
    ASSERT_TRUE(WaitForExit(server, kPromptMs, &exitCode));
    EXPECT_EQ(0u, exitCode) << "after the fault the server still ends as usual";
    EXPECT_EQ(1, unloads.Count()) << "the final release freed the provider";
    EXPECT_EQ(::GetProcessId(server), unloads.LastProcess());
}

INSTANTIATE_TEST_SUITE_P(FileListMethods, GuardedFault,
                         ::testing::Values(kCheckin, kCheckout, kUncheckout, kGet, kAdd,
                                           kQueryInfo),
                         [](const auto& info) { return std::string(info.param.name); });

// A fault where no guard stands: the provider faults inside a method other than the six
// file-list methods, and the fault reaches COM's dispatch in the server.
class UnguardedFault : public ServerFaults, public ::testing::WithParamInterface<Method> {};

TEST_P(UnguardedFault, FailsTheCallPromptlyAndTheServerStillEndsOnRelease) {
    const Method& method = GetParam();
    HANDLE server = nullptr;
    WrapperPtr wrapper = ActivateAndBind(&server);
    ASSERT_TRUE(wrapper && server);
    const int reachedBefore = record.CountOf(method.entry);
    record.script().misbehaving = method.entry;
    record.script().misbehaviour = testprovider::kFaultOnNull;

    LONG result = kUntouched;
    HRESULT failed = S_OK;
    ULONGLONG callMs = 0;
    ASSERT_TRUE(RunBounded(
        [&] {
            const ULONGLONG start = Now();
            failed = method.call(wrapper.get(), &result);
            callMs = Now() - start;
        },
        kPromptMs, server))
        << "the client hung in the call";
    EXPECT_EQ(reachedBefore + 1, record.CountOf(method.entry)) << "the provider was reached";
    // COM's server side catches the fault and fails the call: under Wine with the fault's own
    // code as an HRESULT (ERROR_NOACCESS), on Windows with RPC_E_SERVERFAULT. Under QEMU the
    // signal reaches Wine without the processor's trap number, and Wine reports every such fault
    // as an illegal instruction, whose status COM hands back as it stands.
    const bool emulatedFault =
        CurrentServer().Emulated() && failed == static_cast<HRESULT>(STATUS_ILLEGAL_INSTRUCTION);
    EXPECT_TRUE(failed == HRESULT_FROM_WIN32(ERROR_NOACCESS) || failed == RPC_E_SERVERFAULT ||
                emulatedFault)
        << std::hex << failed;
    EXPECT_EQ(0, result) << "the marshaller hands back a cleared result";
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(server, 0))
        << "the server survived the fault";

    ULONGLONG releaseMs = 0;
    ASSERT_TRUE(RunBounded(
        [&] {
            const ULONGLONG start = Now();
            wrapper.reset();
            releaseMs = Now() - start;
        },
        kPromptMs, server));
    const ULONGLONG releasedAt = Now();
    DWORD exitCode = 0xDEAD;
    const bool gone = WaitForExit(server, kPromptMs, &exitCode);
    std::printf("[ figures  ] fault in %s: the call failed with 0x%08lX after %llu ms; release "
                "took %llu ms; the server was gone %llu ms later, exit code 0x%lX\n",
                method.name, static_cast<unsigned long>(failed), callMs, releaseMs,
                Now() - releasedAt, static_cast<unsigned long>(exitCode));
    ASSERT_TRUE(gone) << "the server was left behind";
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(1, unloads.Count()) << "the final release freed the provider";
}

INSTANTIATE_TEST_SUITE_P(OtherMethods, UnguardedFault,
                         ::testing::Values(kGetVersion, kInitialize, kOpenProject, kSetOption),
                         [](const auto& info) { return std::string(info.param.name); });

// What a stack overflow takes from the serving thread is given back, whichever way the overflow
// was handled, and the start-up code of a provider library is guarded as a provider call is.
class ServerRecovery : public ServerFaults {
protected:
    void Misbehave(Entry entry, testprovider::Misbehaviour misbehaviour) {
        record.script().misbehaving = entry;
        record.script().misbehaviour = misbehaviour;
    }

    // Releases the object and expects its server to end as usual.
    void ExpectOrderlyEnd(WrapperPtr& wrapper, HANDLE server) {
        wrapper.reset();
        DWORD exitCode = 0xDEAD;
        ASSERT_TRUE(WaitForExit(server, kPromptMs, &exitCode));
        EXPECT_EQ(0u, exitCode);
    }
};

TEST_F(ServerRecovery, AnOverflowOutsideTheListCallsLeavesTheNextOneContained) {
    if (const char* reason = CurrentServer().OverflowsCannotBeContained()) {
        GTEST_SKIP() << reason;
    }
    HANDLE server = nullptr;
    WrapperPtr wrapper = ActivateAndBind(&server);
    ASSERT_TRUE(wrapper && server);

    // No guard stands in SccOpenProject: COM's own handler fails the call.
    Misbehave(Entry::OpenProject, testprovider::kOverflowStack);
    LONG result = kUntouched;
    HRESULT open = S_OK;
    ASSERT_TRUE(
        RunBounded([&] { open = CallOpenProject(wrapper.get(), &result); }, kPromptMs, server));
    EXPECT_TRUE(FAILED(open)) << std::hex << open;
    ASSERT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(server, 0))
        << "the server survived the first overflow";

    Misbehave(Entry::Get, testprovider::kOverflowStack);
    HRESULT get = S_OK, version = S_OK;
    ASSERT_TRUE(RunBounded(
        [&] {
            get = CallGet(wrapper.get(), &result);
            version = CallGetVersion(wrapper.get(), &result);
        },
        kPromptMs, server));
    EXPECT_EQ(E_FAIL, get) << "the guard page was back for the second overflow";
    EXPECT_EQ(S_OK, version);
    EXPECT_EQ(1, record.CountOf(Entry::Get));
    ExpectOrderlyEnd(wrapper, server);
}

TEST_F(ServerRecovery, AFaultInTheProvidersStartUpFailsInitAndTheObjectStaysUsable) {
    HANDLE server = nullptr;
    WrapperPtr wrapper = ActivateAndBind(&server);
    ASSERT_TRUE(wrapper && server);
    // Another library, so that its start-up runs in the server; it reads the same record.
    ScopedBstr sparse(::SysAllocString(CurrentServer().Provider(kSparseTestProvider).c_str()));

    Misbehave(Entry::Load, testprovider::kFaultOnNull);
    HRESULT failed = S_OK, bound = S_OK, version = S_OK;
    LONG result = kUntouched;
    ASSERT_TRUE(RunBounded(
        [&] {
            failed = wrapper->Init(sparse.get());
            // The fault happens once: the library now loads.
            bound = wrapper->Init(sparse.get());
            version = CallGetVersion(wrapper.get(), &result);
        },
        kPromptMs, server));
    std::printf("[ figures  ] a fault in DllMain failed Init with 0x%08lX\n",
                static_cast<unsigned long>(failed));
    // The loader's own handler may catch the fault first and fail the load with the fault's
    // code: an access violation natively, an illegal instruction under QEMU (see UnguardedFault).
    const bool emulatedFault =
        CurrentServer().Emulated() && failed == static_cast<HRESULT>(STATUS_ILLEGAL_INSTRUCTION);
    EXPECT_TRUE(failed == E_FAIL || failed == HRESULT_FROM_WIN32(ERROR_DLL_INIT_FAILED) ||
                failed == HRESULT_FROM_WIN32(ERROR_NOACCESS) || emulatedFault)
        << std::hex << failed;
    EXPECT_EQ(S_OK, bound);
    EXPECT_EQ(S_OK, version);
    ExpectOrderlyEnd(wrapper, server);
}

// A provider that ends its whole process during a call, which no guard can catch.
struct ProcessEnd {
    const char* name;
    Method method;
    testprovider::Misbehaviour misbehaviour;
    DWORD exitCode; // the server's
};

void PrintTo(const ProcessEnd& end, std::ostream* os) {
    *os << end.name;
}

class ProcessEndingProvider : public ServerFaults,
                              public ::testing::WithParamInterface<ProcessEnd> {};

TEST_P(ProcessEndingProvider, FailsTheCallPromptlyAndLeavesNoServerBehind) {
    const ProcessEnd& end = GetParam();
    HANDLE server = nullptr;
    WrapperPtr wrapper = ActivateAndBind(&server);
    ASSERT_TRUE(wrapper && server);
    const int reachedBefore = record.CountOf(end.method.entry);
    record.script().misbehaving = end.method.entry;
    record.script().misbehaviour = end.misbehaviour;

    LONG result = kUntouched, later = kUntouched;
    HRESULT failed = S_OK, afterwards = S_OK;
    ULONGLONG callMs = 0, laterMs = 0, releaseMs = 0, failedAt = 0;
    ASSERT_TRUE(RunBounded(
        [&] {
            ULONGLONG start = Now();
            failed = end.method.call(wrapper.get(), &result);
            failedAt = Now();
            callMs = failedAt - start;
            start = Now();
            afterwards = wrapper->SccEndBatch(&later);
            laterMs = Now() - start;
            start = Now();
            wrapper.reset();
            releaseMs = Now() - start;
        },
        kPromptMs, server))
        << "the client hung";
    DWORD exitCode = 0;
    const bool gone = WaitForExit(server, kPromptMs, &exitCode);
    std::printf("[ figures  ] %s: the call failed with 0x%08lX after %llu ms; the next call with "
                "0x%08lX after %llu ms; release took %llu ms; the server was gone %llu ms after "
                "the failure, exit code 0x%lX\n",
                end.name, static_cast<unsigned long>(failed), callMs,
                static_cast<unsigned long>(afterwards), laterMs, releaseMs, Now() - failedAt,
                static_cast<unsigned long>(exitCode));

    EXPECT_EQ(reachedBefore + 1, record.CountOf(end.method.entry)) << "the provider was reached";
    EXPECT_EQ(0, record.CountOf(Entry::EndBatch)) << "nothing served the next call";
    // The call in progress loses its connection; later calls find no server.
    EXPECT_EQ(HRESULT_FROM_WIN32(RPC_S_CALL_FAILED), failed) << std::hex << failed;
    EXPECT_TRUE(afterwards == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
                afterwards == RPC_E_DISCONNECTED)
        << std::hex << afterwards;
    EXPECT_EQ(0, result) << "the marshaller hands back a cleared result";
    EXPECT_EQ(0, later);
    ASSERT_TRUE(gone) << "the server was left behind";
    EXPECT_EQ(end.exitCode, exitCode);
    EXPECT_EQ(0, unloads.Count()) << "the process ended under the provider, which was never freed";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessEndingProvider,
    ::testing::Values(
        ProcessEnd{"ExitProcessInSccSetOption", kSetOption, testprovider::kExitProcess,
                   testprovider::kExitProcessCode},
        ProcessEnd{"ExitProcessInSccCheckout", kCheckout, testprovider::kExitProcess,
                   testprovider::kExitProcessCode},
        ProcessEnd{"AbortInSccGetVersion", kGetVersion, testprovider::kAbort, kAbortExitCode},
        ProcessEnd{"AbortInSccQueryInfo", kQueryInfo, testprovider::kAbort, kAbortExitCode}),
    [](const auto& info) { return std::string(info.param.name); });

// A provider's command-options cookie may be the address of its options, which a LONG cannot
// hold at 64 bits: the client gets a number the server issued, never 0 for a real cookie, and
// the calls that take it back hand the provider the whole value; 0 always means no options.
struct CookieCase {
    const char* name;
    uint32_t low;
    int32_t high; // written by a 64-bit provider only
};

class Cookies : public ServerFaults, public ::testing::WithParamInterface<CookieCase> {};

void PrintTo(const CookieCase& c, std::ostream* os) {
    *os << c.name;
}

TEST_P(Cookies, ComeBackWholeAndZeroMeansNoOptions) {
    const CookieCase& c = GetParam();
    HANDLE server = nullptr;
    WrapperPtr wrapper = ActivateAndBind(&server);
    ASSERT_TRUE(wrapper && server);
    record.script().writeLongMask = 1;
    record.script().writeLong[0] = static_cast<int32_t>(c.low);
    record.script().highHalf = c.high;
    const bool wide = CurrentServer().bits == 64;
    LONG cookie = 0, result = kUntouched;
    ASSERT_EQ(S_OK, wrapper->SccGetCommandOptionsByRef(0, 3, &cookie, &result));
    if (!wide) {
        EXPECT_EQ(static_cast<LONG>(c.low), cookie) << "a 32-bit cookie travels as it is";
    } else {
        EXPECT_EQ(c.low == 0 && c.high == 0, cookie == 0) << "0 only for no options";
    }

    ScopedVariant files = OwnedArgument(BstrArray({L"C:\\w\\a.c"}));
    ScopedBstr comment(::SysAllocString(L"c"));
    ASSERT_EQ(S_OK, wrapper->SccCheckin(0, files.get(), comment.get(), 0, cookie, &result));
    ASSERT_EQ(Entry::Checkin, record.Last().entry);
    EXPECT_EQ(static_cast<int32_t>(c.low), record.Last().args[3]);
    EXPECT_EQ(wide ? c.high : 0, record.Last().args[7]);

    ASSERT_EQ(S_OK, wrapper->SccCheckin(0, files.get(), comment.get(), 0, 0, &result));
    EXPECT_EQ(0, record.Last().args[3]) << "no options reach the provider as 0, whole";
    EXPECT_EQ(0, record.Last().args[7]);
}

INSTANTIATE_TEST_SUITE_P(Values, Cookies,
                         ::testing::Values(CookieCase{"WideAddress", 0x89ABCDEF, 0x7FF6},
                                           CookieCase{"LowHalfZero", 0, 1},
                                           CookieCase{"Plain", 42, 0},
                                           CookieCase{"NoOptions", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServerFaults, TheServerOfAKilledClient) {
    const std::wstring boundName =
        L"PlimoHoldingClientBound" + std::to_wstring(::GetCurrentProcessId());
    ScopedHandle bound(::CreateEventW(nullptr, TRUE, FALSE, boundName.c_str()));
    ASSERT_TRUE(bound);
    ScopedHandle client = StartChild(Quoted(BesideTest(L"object_holding_client.exe")) + L" " +
                                     Quoted(CurrentServer().Provider(kTestProvider)) + L" " +
                                     boundName + L" " + std::to_wstring(::GetCurrentProcessId()));
    ASSERT_TRUE(client);
    HANDLE waits[] = {bound.get(), client.get()};
    const DWORD woke = ::WaitForMultipleObjects(2, waits, FALSE, kPromptMs);
    if (woke != WAIT_OBJECT_0) {
        ::TerminateProcess(client.get(), 1);
        DWORD clientExit = 0;
        WaitForExit(client.get(), kPromptMs, &clientExit);
        FAIL() << "the client never bound its object; its exit code " << clientExit;
    }
    ASSERT_EQ(1, record.Count());
    HANDLE server = Track(record.Last().processId);
    ASSERT_NE(nullptr, server);
    EXPECT_NE(::GetProcessId(client.get()), ::GetProcessId(server));

    ASSERT_TRUE(::TerminateProcess(client.get(), 9));
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(client.get(), kPromptMs));
    const ULONGLONG killedAt = Now();
    DWORD exitCode = 0;
    const bool ended = WaitForExit(server, kOrphanWatchMs, &exitCode);
    const ULONGLONG watchedMs = Now() - killedAt;
    const int frees = unloads.Count();
    std::printf("[ figures  ] killed client: the server %s after %llu ms (exit code 0x%lX); the "
                "provider was freed %d time(s)\n",
                ended ? "ended" : "was still running", watchedMs,
                static_cast<unsigned long>(exitCode), frees);

    // What Wine (8) does: nothing pings on behalf of a client process, so the server never
    // learns that its client died. The object keeps the references the client held, the
    // provider stays loaded and the server does not end by itself: it was still running, with
    // its provider never freed, after this test's watch and after eight minutes in a longer one.
    // (On Windows, COM's distributed garbage collection releases those references once the dead
    // client's pings stop, about six minutes later, and the server then ends as after a last
    // release.) The test ends the orphaned server itself.
    EXPECT_FALSE(ended) << "under Wine the orphaned server was expected to stay";
    EXPECT_EQ(0, frees) << "under Wine the orphaned object was expected to stay referenced";
    if (!ended) {
        ::TerminateProcess(server, 1);
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ::WaitForSingleObject(server, kPromptMs));
    }
}

} // namespace
