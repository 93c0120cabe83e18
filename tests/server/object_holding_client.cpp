// A 32-bit client that activates the server, binds the test provider, says so and then holds
// its object until it is killed. A test ends it with TerminateProcess to see what becomes of
// the server of a client that died without releasing anything.
//
// Usage: object_holding_client <provider path> <name of the event to set once bound> <test pid>
// Exit codes: 0 once the test ended or the hold ran out (its object then released); 2 bad
// arguments; 3 activation failed; 4 binding failed; 5 the event could not be set.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cwchar>

#include "com_ptr.h"
#include "PlimoCOMWrapper.h"
#include "server_under_test.h"
#include "scoped_resource.h"

namespace {

// Long enough for any test to kill the client first; a client whose test died without killing
// it stops holding at once.
constexpr DWORD kHoldMs = 5 * 60 * 1000;

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    ScopedHandle test(::OpenProcess(SYNCHRONIZE, FALSE, std::wcstoul(argv[3], nullptr, 10)));
    if (!test) {
        return 2;
    }
    if (FAILED(::CoInitialize(nullptr))) {
        return 3;
    }
    ComPtr<IPlimoWrapper> wrapper;
    if (FAILED(::CoCreateInstance(*CurrentServer().clsid, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IPlimoWrapper, reinterpret_cast<void**>(wrapper.put())))) {
        return 3;
    }
    ScopedBstr path(::SysAllocString(argv[1]));
    HRESULT hr = wrapper->Init(path.get());
    // The version call puts the server's process id into the provider's record.
    LONG version = 0;
    if (SUCCEEDED(hr)) {
        hr = wrapper->SccGetVersion(&version);
    }
    if (FAILED(hr)) {
        return 4;
    }
    ScopedHandle bound(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    if (!bound || !::SetEvent(bound.get())) {
        return 5;
    }

    // Holding the object is the point: the test kills this process during this wait.
    ::WaitForSingleObject(test.get(), kHoldMs);
    wrapper.reset();
    ::CoUninitialize();
    return 0;
}
