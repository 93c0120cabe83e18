// A 64-bit client for the robustness tests: activates the server, binds the provider named on
// its command line and plays one scenario against it, printing key=value lines. The test sets
// the provider's misbehaviour beforehand.
//
//   overflow   three SccGet calls (the provider overflows its stack in each), then SccGetVersion
//   busy       SccGet on one thread while the provider pumps messages, and SccGetVersion from a
//              second thread meanwhile; "busy filter" gives the second thread a message filter
//   quit       SccGetVersion twice (the provider posts WM_QUIT in each)
//   session    one SccGetVersion
//   lookalike  SccCheckin of a name with fullwidth separators, then of a plain name with a
//              comment that holds a fullwidth quotation mark, then SccGetVersion
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "com_ptr.h"
#include "PlimoCOMWrapper.h"
#include "server_under_test.h"
#include "scoped_resource.h"
#include "test_arrays.h"

namespace {

constexpr DWORD kWaitMs = 30000;
// Names of the provider's pumping events (see the test provider's record).
constexpr wchar_t kPumpingEvent[] = L"PlimoTestProviderPumping";
constexpr wchar_t kStopPumpingEvent[] = L"PlimoTestProviderStopPumping";

void Print(const char* key, long value) {
    std::printf("%s=%ld\n", key, value);
}

HRESULT Get(IPlimoWrapper* wrapper) {
    ScopedSafeArray names = BstrArray({L"C:\\work\\a.txt"});
    LONG result = 0;
    return wrapper->SccGet(0, ArrayArgument(names.get()), 0, 0, &result);
}

HRESULT Version(IPlimoWrapper* wrapper) {
    LONG result = 0;
    return wrapper->SccGetVersion(&result);
}

// A caller's message filter as interactive clients install one: a call the server turns away as
// busy is tried again. Its first retry also tells the provider to stop pumping, so that on a
// platform that asks the filter, the retried call finds the server idle.
class RetryingFilter final : public IMessageFilter {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IMessageFilter) {
            *ppv = static_cast<IMessageFilter*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) override {
        ++retries;
        if (rejectType != SERVERCALL_RETRYLATER || elapsed > kWaitMs) {
            return static_cast<DWORD>(-1);
        }
        ScopedHandle stop(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopPumpingEvent));
        ::SetEvent(stop.get());
        return 100;
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

    long retries = 0;
};

struct SecondCaller {
    IStream* marshalled; // the object, for the caller's own apartment
    bool withFilter;
    HRESULT result;
    long retries;
};

// The second client thread: a single-threaded apartment, with or without a message filter.
DWORD WINAPI CallMeanwhile(void* parameter) {
    auto* caller = static_cast<SecondCaller*>(parameter);
    ::CoInitialize(nullptr);
    RetryingFilter filter;
    IMessageFilter* previous = nullptr;
    if (caller->withFilter) {
        ::CoRegisterMessageFilter(&filter, &previous);
    }
    ComPtr<IPlimoWrapper> wrapper;
    caller->result = ::CoGetInterfaceAndReleaseStream(caller->marshalled, IID_IPlimoWrapper,
                                                      reinterpret_cast<void**>(wrapper.put()));
    if (SUCCEEDED(caller->result)) {
        caller->result = Version(wrapper.get());
    }
    wrapper.reset();
    if (caller->withFilter) {
        ::CoRegisterMessageFilter(previous, nullptr);
    }
    caller->retries = filter.retries;
    ::CoUninitialize();
    return 0;
}

DWORD WINAPI CallGet(void* parameter) {
    auto** wrapper = static_cast<IPlimoWrapper**>(parameter);
    const HRESULT hr = Get(*wrapper);
    Print("get", hr);
    return 0;
}

int Busy(IPlimoWrapper* wrapper, bool withFilter) {
    ScopedHandle pumping(::OpenEventW(SYNCHRONIZE, FALSE, kPumpingEvent));
    ScopedHandle stop(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopPumpingEvent));
    if (!pumping || !stop) {
        std::fprintf(stderr, "the test's pumping events are missing\n");
        return 1;
    }
    ScopedHandle first(::CreateThread(nullptr, 0, CallGet, &wrapper, 0, nullptr));
    const bool pumps = ::WaitForSingleObject(pumping.get(), kWaitMs) == WAIT_OBJECT_0;
    Print("pumping", pumps);

    SecondCaller caller{nullptr, withFilter, E_FAIL, 0};
    ::CoMarshalInterThreadInterfaceInStream(IID_IPlimoWrapper, wrapper, &caller.marshalled);
    ScopedHandle second(::CreateThread(nullptr, 0, CallMeanwhile, &caller, 0, nullptr));
    ::WaitForSingleObject(second.get(), kWaitMs);
    Print("meanwhile", caller.result);
    Print("meanwhile.retries", caller.retries);

    ::SetEvent(stop.get());
    ::WaitForSingleObject(first.get(), kWaitMs);
    Print("after", Version(wrapper));
    return 0;
}

int Play(const wchar_t* scenario, const wchar_t* option, IPlimoWrapper* wrapper) {
    if (std::wcscmp(scenario, L"overflow") == 0) {
        for (int i = 1; i <= 3; ++i) {
            Print(("get." + std::to_string(i)).c_str(), Get(wrapper));
        }
        Print("version", Version(wrapper));
        return 0;
    }
    if (std::wcscmp(scenario, L"busy") == 0) {
        return Busy(wrapper, option != nullptr && std::wcscmp(option, L"filter") == 0);
    }
    if (std::wcscmp(scenario, L"quit") == 0) {
        Print("version.1", Version(wrapper));
        Print("version.2", Version(wrapper));
        return 0;
    }
    if (std::wcscmp(scenario, L"lookalike") == 0) {
        // Under code page 1252 a best fit would make these "..\\..\\x.txt" and a real quote.
        const std::pair<const wchar_t*, const wchar_t*> checkins[] = {
            {L"C:\\work\\..\xFF3C..\xFF3Cx.txt", L"fix"},
            {L"C:\\work\\a.txt", L"fix\xFF02 & del *"}};
        const char* keys[] = {"name", "comment"};
        for (int i = 0; i < 2; ++i) {
            ScopedSafeArray names = BstrArray({checkins[i].first});
            ScopedBstr comment(::SysAllocString(checkins[i].second));
            LONG result = 0x0BADF00D;
            Print(keys[i],
                  wrapper->SccCheckin(0, ArrayArgument(names.get()), comment.get(), 0, 0, &result));
            Print((std::string(keys[i]) + ".result").c_str(), result);
        }
        Print("version", Version(wrapper));
        return 0;
    }
    if (std::wcscmp(scenario, L"session") == 0) {
        Print("version", Version(wrapper));
        return 0;
    }
    std::fprintf(stderr, "unknown scenario\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: robustness_client <provider path> <scenario> [option]\n");
        return 2;
    }
    Print("pointer.bits", static_cast<long>(8 * sizeof(void*)));
    // The multithreaded apartment, so that calls can be made from several threads at once.
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int exitCode = 1;
    {
        ComPtr<IPlimoWrapper> wrapper;
        HRESULT hr = ::CoCreateInstance(*CurrentServer().clsid, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IPlimoWrapper, reinterpret_cast<void**>(wrapper.put()));
        Print("activate", hr);
        if (SUCCEEDED(hr)) {
            ScopedBstr path(::SysAllocString(argv[1]));
            hr = wrapper->Init(path.get());
            Print("init", hr);
            exitCode = Play(argv[2], argc > 3 ? argv[3] : nullptr, wrapper.get());
            Print("release", static_cast<long>(wrapper.get()->Release()));
            wrapper.release();
        }
    }
    ::CoUninitialize();
    std::fflush(stdout);
    return exitCode;
}
