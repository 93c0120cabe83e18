#include "bench_servers.h"

#include "server_description.h"
#include "bench_protocol.h"
#include "child_process.h"
#include "expected_results.h"
#include "stopwatch.h"
#include "test_paths.h"

const BenchWidth kBench32{
    32,  kServer32.classes[0].clsid, &bench::kBaselineClsid, bench::kBaselineClsidText,
    L"", kServer32.fileName,         KEY_WOW64_32KEY};
const BenchWidth kBench64{
    64,       kServer64.classes[0].clsid, &bench::kBaselineClsid64, bench::kBaselineClsidText64,
    L"x64\\", kServer64.fileName,         KEY_WOW64_64KEY};

namespace {

constexpr DWORD kServerExitTimeoutMs = 30000;
const std::wstring kClassesKey = L"Software\\Classes\\CLSID";

std::wstring Beside(const BenchWidth& width, const wchar_t* name) {
    return BesideTest((std::wstring(width.folder) + name).c_str());
}

// PlimoCOMWrapper of `width` by its own registration, which carries the type library that
// marshals IPlimoWrapper for both servers, and the baseline's class beside it.
bool Register(const BenchWidth& width) {
    const ChildResult plimo = RunChild(Quoted(Beside(width, width.server)) + L" /RegServer");
    if (!plimo.finished || plimo.exitCode != 0) {
        return false;
    }
    const std::wstring key = kClassesKey + L"\\" + width.baselineText + L"\\LocalServer32";
    ScopedRegKey server;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE | width.view, nullptr, server.put(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring command = Quoted(Beside(width, L"plimo_baseline_server.exe"));
    return ::RegSetValueExW(
               server.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
               static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

BaselineRegistration::BaselineRegistration() {
    registered_ = Register(kBench32);
    registered64_ = registered_ &&
                    ::GetFileAttributesW(Beside(kBench64, kBench64.server).c_str()) !=
                        INVALID_FILE_ATTRIBUTES &&
                    Register(kBench64);
}

BaselineRegistration::~BaselineRegistration() {
    for (const BenchWidth* width : {&kBench32, &kBench64}) {
        ScopedRegKey classes;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassesKey.c_str(), 0,
                            KEY_ALL_ACCESS | width->view, classes.put()) == ERROR_SUCCESS) {
            ::RegDeleteTreeW(classes.get(), width->baselineText);
        }
    }
}

HRESULT ActivateAndBind(const CLSID& clsid, const BenchWidth& width, ServedWrapper* served,
                        LONG leakBytes, double* activationMicroseconds) {
    Stopwatch clock;
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper,
                                    served->wrapper.putVoid());
    if (FAILED(hr)) return hr;
    LONG processId = 0;
    hr = served->wrapper->SccGetVersion(&processId);
    if (activationMicroseconds != nullptr) {
        *activationMicroseconds = clock.ElapsedMicroseconds();
    }
    if (hr != S_OK && hr != kNoEntry) {
        return hr;
    }
    const std::wstring provider = Beside(width, L"plimo_bench_provider.dll");
    served->arguments = std::make_unique<CallArguments>(served->wrapper.get(), provider, leakBytes);
    hr = served->wrapper->Init(served->arguments->provider.get());
    if (FAILED(hr)) return hr;
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
