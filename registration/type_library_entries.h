// A registered type library's entry for one platform ("win32", "win64"): the path under
// TypeLib\{libid}\<version>\<locale>\<platform> in the registration's classes (the user's in
// the per-user scope), read, written and removed on its own, without the platform's registration
// functions, which also write and delete the interfaces' keys that all platforms share.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

#include "registration_scope.h"

// "Software\Classes\TypeLib\{libid}\<major>.<minor>", the version in hexadecimal as the
// platform writes it ("1.0"), below HKCU or HKLM.
std::wstring TypeLibraryVersionKey(const TLIBATTR& library);

class TypeLibraryEntries {
public:
    TypeLibraryEntries(const TLIBATTR& library, RegistrationScope scope);

    // The path the entry for `platform` names; nothing when there is none.
    std::optional<std::wstring> Path(SYSKIND platform) const;
    HRESULT SetPath(SYSKIND platform, const std::wstring& path) const;
    HRESULT Remove(SYSKIND platform) const;

private:
    HKEY root_;              // HKLM or HKCU, which hold the classes at Software\Classes
    std::wstring localeKey_; // below root_
};
