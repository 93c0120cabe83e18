// Deleting the keys that a registry script names.
#include "reg_key_deletion.h"

#include "scoped_resource.h"
#include "win32_error.h"

namespace {

// Shared keys that many programs hang their entries under; no script may delete them whole.
constexpr LPCWSTR kProtectedKeyNames[] = {
    L"AppID",    L"CLSID",     L"Component Categories",
    L"FileType", L"Interface", L"Hardware",
    L"Mime",     L"SAM",       L"SECURITY",
    L"SYSTEM",   L"Software",  L"TypeLib",
};

// Registry key names hold at most 255 characters.
constexpr DWORD kSubkeyNameCapacity = 256;

} // namespace

bool IsProtectedKeyName(LPCWSTR name) {
    for (LPCWSTR protectedName : kProtectedKeyNames) {
        if (::lstrcmpiW(name, protectedName) == 0) {
            return true;
        }
    }
    return false;
}

bool HasSubkeys(HKEY key) {
    DWORD subkeys = 0;
    const LONG error = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    return error == ERROR_SUCCESS && subkeys > 0;
}

HRESULT DeleteKeyTree(HKEY parent, LPCWSTR name) {
    ScopedRegKey key;
    const LONG error = ::RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key.put());
    if (error != ERROR_SUCCESS) {
        return HResultFromWin32(error);
    }
    // Each deletion shifts the remaining subkeys down, so index 0 always names the next one.
    for (;;) {
        wchar_t child[kSubkeyNameCapacity];
        DWORD childLength = kSubkeyNameCapacity;
        if (::RegEnumKeyExW(key.get(), 0, child, &childLength, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS) {
            break;
        }
        HRESULT hr = DeleteKeyTree(key.get(), child);
        if (FAILED(hr)) return hr;
    }
    key.reset();
    return DeleteSubkey(parent, name);
}

HRESULT DeleteSubkey(HKEY parent, LPCWSTR name) {
    return HResultFromWin32(::RegDeleteKeyW(parent, name));
}
