// Reading what registration left in the registry, per machine or per user.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// A classes root to look in: the machine's (HKLM\Software\Classes) or the current user's
// (HKCU\Software\Classes), in this 32-bit process's own registry view or in the one `view` names
// (KEY_WOW64_64KEY: where a 64-bit server's classes are).
struct ClassesRoot {
    HKEY root;
    const wchar_t* name;
    REGSAM view = 0;
};
inline const ClassesRoot kMachineClasses{HKEY_LOCAL_MACHINE, L"machine"};
inline const ClassesRoot kUserClasses{HKEY_CURRENT_USER, L"user"};
inline const ClassesRoot kMachineClasses64{HKEY_LOCAL_MACHINE, L"machine, 64-bit view",
                                           KEY_WOW64_64KEY};
inline const ClassesRoot kUserClasses64{HKEY_CURRENT_USER, L"user, 64-bit view", KEY_WOW64_64KEY};

bool KeyExists(const ClassesRoot& classes, const std::wstring& path);
// The value `name` (null: the default value) of a REG_SZ; nothing when the key or value is
// missing or not a string.
std::optional<std::wstring> StringValue(const ClassesRoot& classes, const std::wstring& path,
                                        const wchar_t* name = nullptr);
// Every key under `path` with its values, one line each (see Listing), for comparing states.
std::vector<std::wstring> Snapshot(const ClassesRoot& classes, const std::wstring& path);
