// Entries a test makes in the machine's list of source-control providers, in one registry view
// (the 32-bit one, where 32-bit providers write, unless told KEY_WOW64_64KEY), and the default
// provider it sets: all taken out again, and the default restored, when the object ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "provider_registry.h"
#include "scoped_resource.h"

class ProviderListEntries {
public:
    explicit ProviderListEntries(REGSAM view = KEY_WOW64_32KEY) : view_(view) {
        savedDefault_ = Read(kProviderRootKey, kDefaultProviderValue, view_);
    }
    ~ProviderListEntries() {
        for (const Entry& entry : added_) {
            ScopedRegKey list = Open(kInstalledProvidersKey);
            ::RegDeleteValueW(list.get(), entry.name.c_str());
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, entry.key.c_str(), view_, 0);
        }
        if (savedDefault_) {
            SetDefault(*savedDefault_);
        } else {
            ClearDefault();
        }
    }
    ProviderListEntries(const ProviderListEntries&) = delete;
    ProviderListEntries& operator=(const ProviderListEntries&) = delete;

    // Lists `name` with the key HKLM\`key`, whose SCCServerPath is `dll` (null: none).
    void Add(const std::wstring& name, const std::wstring& key, const wchar_t* dll) {
        added_.push_back({name, key});
        ScopedRegKey provider = Open(key.c_str());
        if (dll != nullptr) {
            Write(provider.get(), kServerPathValue, dll);
        }
        Write(Open(kInstalledProvidersKey).get(), name.c_str(), key);
    }

    void SetDefault(const std::wstring& key) {
        Write(Open(kProviderRootKey).get(), kDefaultProviderValue, key);
    }
    void ClearDefault() { ::RegDeleteValueW(Open(kProviderRootKey).get(), kDefaultProviderValue); }

    // The text of HKLM\`path`'s value `name` in `view`, or nothing.
    static std::optional<std::wstring> Read(const wchar_t* path, const wchar_t* name,
                                            REGSAM view = KEY_WOW64_32KEY) {
        wchar_t text[MAX_PATH] = {};
        DWORD bytes = sizeof text - sizeof(wchar_t);
        if (::RegGetValueW(Open(path, view).get(), nullptr, name, RRF_RT_REG_SZ, nullptr, text,
                           &bytes) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::wstring(text);
    }

private:
    struct Entry {
        std::wstring name;
        std::wstring key;
    };

    static ScopedRegKey Open(const wchar_t* path, REGSAM view) {
        ScopedRegKey key;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                          KEY_SET_VALUE | KEY_QUERY_VALUE | view, nullptr, key.put(), nullptr);
        return key;
    }
    ScopedRegKey Open(const wchar_t* path) const { return Open(path, view_); }
    static void Write(HKEY key, const wchar_t* name, const std::wstring& text) {
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    REGSAM view_;
    std::optional<std::wstring> savedDefault_;
    std::vector<Entry> added_;
};
