#include "bench_servers.h"

#include "bench_protocol.h"
#include "child_process.h"
#include "expected_results.h"
#include "stopwatch.h"
#include "test_paths.h"

namespace {

constexpr DWORD kServerExitTimeoutMs = 30000;
const std::wstring kClassesKey = L"Software\\Classes\\CLSID";

} // namespace

BaselineRegistration::BaselineRegistration() {
    // PlimoCOMWrapper's own registration carries the type library that marshals IPlimoWrapper
    // for both servers.
    const ChildResult plimo = RunChild(Quoted(BesideTest(L"PlimoCOMWrapper.exe")) + L" /RegServer");
    if (!plimo.finished || plimo.exitCode != 0) {
        return;
    }
    const std::wstring key = kClassesKey + L"\\" + bench::kBaselineClsidText + L"\\LocalServer32";
    ScopedRegKey server;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, server.put(),
                          nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::wstring command = Quoted(BesideTest(L"plimo_baseline_server.exe"));
    registered_ = ::RegSetValueExW(server.get(), nullptr, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(command.c_str()),
                                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) ==
                  ERROR_SUCCESS;
}

BaselineRegistration::~BaselineRegistration() {
    ScopedRegKey classes;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassesKey.c_str(), 0,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, classes.put()) == ERROR_SUCCESS) {
        ::RegDeleteTreeW(classes.get(), bench::kBaselineClsidText);
    }
}

HRESULT ActivateAndBind(const CLSID& clsid, ServedWrapper* served, LONG leakBytes,
                        double* activationMicroseconds) {
    Stopwatch clock;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper,
                                    reinterpret_cast<void**>(served->wrapper.put()));
    if (FAILED(hr)) {
        return hr;
    }
    LONG processId = 0;
    hr = served->wrapper->SccGetVersion(&processId);
    if (activationMicroseconds != nullptr) {
        *activationMicroseconds = clock.ElapsedMicroseconds();
    }
    if (hr != S_OK && hr != kNoEntry) {
        return hr;
    }
    const std::wstring provider = BesideTest(L"plimo_bench_provider.dll");
    served->arguments = std::make_unique<CallArguments>(served->wrapper.get(), provider, leakBytes);
    hr = served->wrapper->Init(served->arguments->provider.get());
    if (FAILED(hr)) {
        return hr;
    }
    hr = served->wrapper->SccGetVersion(&processId);
    served->processId = static_cast<DWORD>(processId);
    return hr;
}

bool ReleaseAndWaitForEnd(ServedWrapper* served, DWORD* exitCode) {
    ScopedHandle process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, served->processId));
    served->arguments.reset();
    served->wrapper.reset();
    return process && WaitForExit(process.get(), kServerExitTimeoutMs, exitCode);
}
