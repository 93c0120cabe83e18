#include "baseline_registration.h"

#include <windows.h>

#include "bench_protocol.h"
#include "scoped_resource.h"

namespace {

const std::wstring kClassesKey = L"Software\\Classes\\CLSID";

} // namespace

BaselineRegistration::BaselineRegistration(const std::wstring& serverPath) {
    const std::wstring key = kClassesKey + L"\\" + bench::kBaselineClsidText + L"\\LocalServer32";
    ScopedRegKey server;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, server.put(),
                          nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::wstring quoted = L"\"" + serverPath + L"\"";
    registered_ = ::RegSetValueExW(server.get(), nullptr, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(quoted.c_str()),
                                   static_cast<DWORD>((quoted.size() + 1) * sizeof(wchar_t))) ==
                  ERROR_SUCCESS;
}

// Whatever the constructor managed, the class key goes: a half-made registration too.
BaselineRegistration::~BaselineRegistration() {
    ScopedRegKey classes;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassesKey.c_str(), 0,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, classes.put()) == ERROR_SUCCESS) {
        ::RegDeleteTreeW(classes.get(), bench::kBaselineClsidText);
    }
}
