// A registered type library's entry for one platform ("win32", "win64"): the path under
// TypeLib\{libid}\<version>\<locale>\<platform> in the registration's classes root (the user's in
// per-user registration mode), read, written and removed on its own, without the platform's
// registration functions, which also write and delete the interfaces' keys that all platforms
// share.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

class TypeLibraryEntries {
public:
    explicit TypeLibraryEntries(const TLIBATTR& library);

    // The path the entry for `platform` names; nothing when there is none.
    std::optional<std::wstring> Path(SYSKIND platform) const;
    HRESULT SetPath(SYSKIND platform, const std::wstring& path) const;
    HRESULT Remove(SYSKIND platform) const;

private:
    std::wstring localeKey_; // below the classes root
};

// The other width's platform: win64 for win32 and the other way round.
SYSKIND OtherWidth(SYSKIND platform);
