// A 64-bit client for the end-to-end tests: activates the server, binds the provider named on
// its command line and makes one call of every shape early bound, printing key=value lines.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "PlimoCOMWrapper.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "test_arrays.h"

namespace {

std::string Narrow(const wchar_t* text) {
    if (text == nullptr) {
        return "<null>";
    }
    char buffer[1024];
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string("<unconvertible>");
}

void Print(const char* key, long value) {
    std::printf("%s=%ld\n", key, value);
}
void Print(const char* key, const std::string& value) {
    std::printf("%s=%s\n", key, value.c_str());
}

int Session(IPlimoWrapper* wrapper, const wchar_t* providerPath) {
    ScopedBstr path(::SysAllocString(providerPath));
    HRESULT hr = wrapper->Init(path.get());
    Print("Init", hr);

    LONG result = 0;
    ScopedBstr name;
    ScopedBstr label;
    ScopedBstr caller(::SysAllocString(L"client64"));
    LONG caps = 0, checkoutCommentLength = 0, commentLength = 0;
    BSTR* labelSlot = label.put();
    *labelSlot = ::SysAllocString(L"client label"); // in and out: the owner frees what comes back
    hr = wrapper->SccInitialize(0x51, caller.get(), name.put(), &caps, labelSlot,
                                &checkoutCommentLength, &commentLength, &result);
    Print("SccInitialize", hr);
    Print("SccInitialize.result", result);
    Print("SccInitialize.name", Narrow(name.get()));
    Print("SccInitialize.label", Narrow(label.get()));
    Print("SccInitialize.caps", caps);

    hr = wrapper->SccGetVersion(&result);
    Print("SccGetVersion", hr);
    Print("SccGetVersion.result", result);

    ScopedVariant owner = OwnedArgument(BstrArray({L"C:\\work\\a.txt", L"C:\\work\\b.txt"}));
    const VARIANT& files = owner.get();
    ScopedBstr comment(::SysAllocString(L"from 64 bits"));
    hr = wrapper->SccCheckin(0, files, comment.get(), 4, 9, &result);
    Print("SccCheckin", hr);
    Print("SccCheckin.result", result);

    ScopedVariant received;
    hr = wrapper->SccQueryInfo(files, received.put(), &result);
    const VARIANT& status = received.get();
    Print("SccQueryInfo", hr);
    Print("SccQueryInfo.result", result);
    Print("SccQueryInfo.vt", status.vt);
    if (status.vt == (VT_ARRAY | VT_I4)) {
        LONG lower = -1, upper = -1;
        ::SafeArrayGetLBound(status.parray, 1, &lower);
        ::SafeArrayGetUBound(status.parray, 1, &upper);
        Print("SccQueryInfo.lower", lower);
        Print("SccQueryInfo.count", upper - lower + 1);
        std::string values;
        for (LONG i = lower; i <= upper; ++i) {
            LONG value = 0;
            ::SafeArrayGetElement(status.parray, &i, &value);
            values += (i == lower ? "" : ",") + std::to_string(value);
        }
        Print("SccQueryInfo.status", values);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: remote_session_client <provider path>\n");
        return 2;
    }
    Print("pid", static_cast<long>(::GetCurrentProcessId()));
    Print("pointer.bits", static_cast<long>(8 * sizeof(void*)));
    HRESULT hr = ::CoInitialize(nullptr);
    if (FAILED(hr)) {
        Print("CoInitialize", hr);
        return 1;
    }
    IPlimoWrapper* wrapper = nullptr;
    hr = ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                            IID_IPlimoWrapper, reinterpret_cast<void**>(&wrapper));
    Print("CoCreateInstance", hr);
    int exitCode = 1;
    if (SUCCEEDED(hr)) {
        exitCode = Session(wrapper, argv[1]);
        Print("Release", static_cast<long>(wrapper->Release()));
    }
    ::CoUninitialize();
    std::fflush(stdout);
    return exitCode;
}
