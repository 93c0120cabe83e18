// A registered type library's entry for one platform, read, written and removed on its own.
#include "type_library_entries.h"

#include <cwchar>

#include "guid_text.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

const wchar_t* PlatformKeyName(SYSKIND platform) {
    switch (platform) {
    case SYS_WIN16:
        return L"win16";
    case SYS_WIN32:
        return L"win32";
    case SYS_WIN64:
        return L"win64";
    default:
        return L"mac";
    }
}

} // namespace

std::wstring TypeLibraryVersionKey(const TLIBATTR& library) {
    wchar_t key[100];
    std::swprintf(key, ARRAYSIZE(key), L"Software\\Classes\\TypeLib\\%ls\\%x.%x",
                  GuidText(library.guid).get(), library.wMajorVerNum, library.wMinorVerNum);
    return key;
}

TypeLibraryEntries::TypeLibraryEntries(const TLIBATTR& library, RegistrationScope scope)
    : root_(ClassesRootOf(scope)) {
    // Locales are written in hexadecimal too ("0", "409").
    wchar_t locale[16];
    std::swprintf(locale, ARRAYSIZE(locale), L"\\%lx", static_cast<unsigned long>(library.lcid));
    localeKey_ = TypeLibraryVersionKey(library) + locale;
}

std::optional<std::wstring> TypeLibraryEntries::Path(SYSKIND platform) const {
    const std::wstring key = localeKey_ + L"\\" + PlatformKeyName(platform);
    wchar_t path[MAX_PATH + 16];
    DWORD size = sizeof path;
    if (::RegGetValueW(root_, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(path);
}

HRESULT TypeLibraryEntries::SetPath(SYSKIND platform, const std::wstring& path) const {
    const std::wstring key = localeKey_ + L"\\" + PlatformKeyName(platform);
    return HResultFromWin32(
        ::RegSetKeyValueW(root_, key.c_str(), nullptr, REG_SZ, path.c_str(),
                          static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))));
}

HRESULT TypeLibraryEntries::Remove(SYSKIND platform) const {
    ScopedRegKey locale;
    LONG error = ::RegOpenKeyExW(root_, localeKey_.c_str(), 0, KEY_READ, locale.put());
    if (error == ERROR_SUCCESS) {
        error = ::RegDeleteKeyW(locale.get(), PlatformKeyName(platform));
    }
    return HResultFromWin32(error);
}
