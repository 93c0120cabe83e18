// Deleting the keys that a registry script names.
#include "reg_key_deletion.h"

#include "reg_key_handle.h"

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

using RegDeleteKeyExWFunction = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// Older systems lack RegDeleteKeyExW, so it is looked up rather than imported.
RegDeleteKeyExWFunction FindRegDeleteKeyExW() {
    const HMODULE advapi = ::GetModuleHandleW(L"Advapi32.dll");
    if (advapi == nullptr) {
        return nullptr;
    }
    // Through void*, because the platform declares every export as one function type.
    void* const address = reinterpret_cast<void*>(::GetProcAddress(advapi, "RegDeleteKeyExW"));
    return reinterpret_cast<RegDeleteKeyExWFunction>(address);
}

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

LONG DeleteKeyTree(HKEY parent, LPCWSTR name) {
    RegKeyHandle key;
    LONG error = key.Open(parent, name, KEY_READ | KEY_WRITE);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // Each deletion shifts the remaining subkeys down, so index 0 always names the next one.
    for (;;) {
        wchar_t child[kSubkeyNameCapacity];
        DWORD childLength = kSubkeyNameCapacity;
        if (::RegEnumKeyExW(key.get(), 0, child, &childLength, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS) {
            break;
        }
        error = DeleteKeyTree(key.get(), child);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    key.Close();
    return DeleteSubkey(parent, name);
}

LONG DeleteSubkey(HKEY parent, LPCWSTR name) {
    // Looked up once; registration runs on one thread, and a static's first initialisation is
    // serialised by the language anyway.
    static const RegDeleteKeyExWFunction regDeleteKeyExW = FindRegDeleteKeyExW();
    if (regDeleteKeyExW != nullptr) {
        return regDeleteKeyExW(parent, name, 0, 0);
    }
    return ::RegDeleteKeyW(parent, name);
}
