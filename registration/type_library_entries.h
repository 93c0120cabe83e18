// A registered type library's entry for one platform ("win32", "win64"): the path under
// TypeLib\{libid}\<version>\<locale>\<platform> in the registration's classes (the user's in
// per-user mode), read, written and removed on its own, without the platform's registration
// functions, which also write and delete the interfaces' keys that all platforms share.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

#include "server_registration.h"

// "Software\Classes\TypeLib\{libid}\<major>.<minor>", the version in hexadecimal as the
// platform writes it ("1.0"), below HKCU or HKLM.
std::wstring TypeLibraryVersionKey(const TLIBATTR& library);

class TypeLibraryEntries {
public:
    TypeLibraryEntries(const TLIBATTR& library, RegistrationMode mode);

    // The path the entry for `platform` names; nothing when there is none.
    std::optional<std::wstring> Path(SYSKIND platform) const;
    HRESULT SetPath(SYSKIND platform, const std::wstring& path) const;
    HRESULT Remove(SYSKIND platform) const;

private:
    HKEY root_;              // HKLM or HKCU, which hold the classes at Software\Classes
    std::wstring localeKey_; // below root_
};

// The other width's platform: win64 for win32 and the other way round.
SYSKIND OtherWidth(SYSKIND platform);
