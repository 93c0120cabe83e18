// Entries a test makes in the machine's list of source-control providers (the 32-bit view, as
// providers write it) and the default provider it sets: all taken out again, and the default
// restored, when the object ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "provider_registry.h"
#include "scoped_resource.h"

class ProviderListEntries {
public:
    ProviderListEntries() { savedDefault_ = Read(kProviderRootKey, kDefaultProviderValue); }
    ~ProviderListEntries() {
        for (const Entry& entry : added_) {
            ScopedRegKey list = Open(kInstalledProvidersKey);
            ::RegDeleteValueW(list.get(), entry.name.c_str());
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, entry.key.c_str(), KEY_WOW64_32KEY, 0);
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

    // The text of HKLM\`path`'s value `name`, or nothing.
    static std::optional<std::wstring> Read(const wchar_t* path, const wchar_t* name) {
        wchar_t text[MAX_PATH] = {};
        DWORD bytes = sizeof text - sizeof(wchar_t);
        if (::RegGetValueW(Open(path).get(), nullptr, name, RRF_RT_REG_SZ, nullptr, text, &bytes) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::wstring(text);
    }

private:
    struct Entry {
        std::wstring name;
        std::wstring key;
    };

    static ScopedRegKey Open(const wchar_t* path) {
        ScopedRegKey key;
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                          KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_WOW64_32KEY, nullptr, key.put(),
                          nullptr);
        return key;
    }
    static void Write(HKEY key, const wchar_t* name, const std::wstring& text) {
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    std::optional<std::wstring> savedDefault_;
    std::vector<Entry> added_;
};
