#include "proxied_provider.h"

#include <vector>

#include "image_machine.h"
#include "registry_text.h"
#include "scc_proxy_registry.h"
#include "scoped_resource.h"

namespace {

// The view this build's hosts read: a 32-bit proxy must not stumble into the 64-bit view.
constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

// `path` made full and normalised (long names for short ones), so that two spellings of one
// file compare equal.
std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    full.resize(length < needed ? length : 0);
    const DWORD longNeeded = ::GetLongPathNameW(full.c_str(), nullptr, 0);
    if (longNeeded == 0) {
        return full; // no such file: compared as written
    }
    std::wstring longPath(longNeeded, L'\0');
    const DWORD longLength = ::GetLongPathNameW(full.c_str(), &longPath[0], longNeeded);
    longPath.resize(longLength < longNeeded ? longLength : 0);
    return longPath.empty() ? full : longPath;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    const std::wstring fullA = FullPath(a), fullB = FullPath(b);
    return !fullA.empty() &&
           ::CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                                  static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL;
}

std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            return std::wstring(path.data(), length);
        }
        path.resize(path.size() * 2);
    }
}

bool Fail(std::wstring* error, const std::wstring& reason) {
    *error = reason;
    return false;
}

} // namespace

bool FindProxiedProvider(HMODULE self, ProxiedProvider* provider, std::wstring* error) {
    const std::wstring own = ModulePath(self);
    ScopedRegKey root;
    if (own.empty() || ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, sccproxy::kProxyRootKey, 0,
                                       KEY_READ | kOwnView, root.put()) != ERROR_SUCCESS) {
        return Fail(error, L"no provider is set up to run through this proxy (HKLM\\" +
                               std::wstring(sccproxy::kProxyRootKey) + L" is missing)");
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256]; // a key name holds at most 255 characters
        DWORD length = static_cast<DWORD>(sizeof name / sizeof name[0]);
        const LONG status =
            ::RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            return Fail(error, L"no entry under HKLM\\" + std::wstring(sccproxy::kProxyRootKey) +
                                   L" names this proxy (" + own +
                                   L"); add one with plimo-scc "
                                   L"proxy add");
        }
        if (status != ERROR_SUCCESS) {
            continue;
        }
        ScopedRegKey entry;
        if (::RegOpenKeyExW(root.get(), name, 0, KEY_READ | kOwnView, entry.put()) !=
                ERROR_SUCCESS ||
            !SamePath(ReadRegistryText(entry.get(), sccproxy::kServerPathValue), own)) {
            continue;
        }
        provider->name = ReadRegistryText(entry.get(), sccproxy::kProviderNameValue);
        provider->path = ReadRegistryText(entry.get(), sccproxy::kProviderPathValue);
        if (provider->path.empty()) {
            return Fail(error, L"HKLM\\" + std::wstring(sccproxy::kProxyRootKey) + L"\\" + name +
                                   L" names no provider DLL");
        }
        WORD machine = 0;
        HRESULT hr = ReadImageMachine(provider->path, &machine);
        provider->bits = SUCCEEDED(hr) ? ServerBitsFor(machine) : 0;
        if (provider->bits == 0) {
            return Fail(error, provider->path + (SUCCEEDED(hr) ? L" is a " + MachineName(machine) +
                                                                     L" DLL, which no server loads"
                                                               : L" cannot be read"));
        }
        return true;
    }
}
