// A test's own registry key under HKCU, and redirection of the predefined root keys into it, so
// that a script's writes land where the test can see and remove them.
#pragma once

#include <windows.h>

#include <string>

#include "scoped_resource.h"

// The key every registrar test works under: HKCU\PlimoRegistrarTest. Scripts reach it as
// HKCU { NoRemove PlimoRegistrarTest { ... } }.
constexpr wchar_t kScratchName[] = L"PlimoRegistrarTest";

// Creates HKCU\PlimoRegistrarTest empty (removing what an aborted run left) and removes it with
// everything below it on destruction.
class ScratchKey {
public:
    ScratchKey() {
        Remove();
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kScratchName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key_.put(), nullptr);
    }
    ~ScratchKey() {
        key_.reset();
        Remove();
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY get() const { return key_.get(); }

private:
    static void Remove() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratchName);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kScratchName);
    }
    ScopedRegKey key_;
};

// Makes `predefined` (HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, ...) mean parent\name for this
// process until destruction. Handles opened through the real key before stay valid.
class PredefinedKeyOverride {
public:
    PredefinedKeyOverride(HKEY predefined, HKEY parent, const wchar_t* name)
        : predefined_(predefined) {
        ScopedRegKey target;
        ::RegCreateKeyExW(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.put(),
                          nullptr);
        result_ = ::RegOverridePredefKey(predefined, target.get());
    }
    ~PredefinedKeyOverride() { ::RegOverridePredefKey(predefined_, nullptr); }
    PredefinedKeyOverride(const PredefinedKeyOverride&) = delete;
    PredefinedKeyOverride& operator=(const PredefinedKeyOverride&) = delete;

    // ERROR_SUCCESS when the override took effect.
    LONG result() const { return result_; }

private:
    HKEY predefined_;
    LONG result_ = ERROR_INVALID_FUNCTION;
};

// Whether parent\path exists.
inline bool KeyExists(HKEY parent, const std::wstring& path) {
    ScopedRegKey key;
    return ::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// Creates parent\path (and the keys above it) if needed.
inline void MakeKey(HKEY parent, const std::wstring& path) {
    ScopedRegKey key;
    ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr);
}

// Sets the string value `name` (empty: the default value) of parent\path, creating the key.
inline void MakeString(HKEY parent, const std::wstring& path, const std::wstring& name,
                       const std::wstring& text) {
    ScopedRegKey key;
    ::RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr);
    ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}
