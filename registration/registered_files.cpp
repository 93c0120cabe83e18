// Whose file a registry entry names, and what a class is registered to start.
#include "registered_files.h"

#include "guid_text.h"
#include "win32_error.h"

namespace {

// The path inside a leading pair of double quotes, or `entry` as it stands.
std::wstring Unquoted(const std::wstring& entry) {
    if (entry.size() >= 2 && entry.front() == L'"') {
        const size_t close = entry.find(L'"', 1);
        if (close != std::wstring::npos) {
            return entry.substr(1, close - 1);
        }
    }
    return entry;
}

// The long form of an existing file's path; nothing when the platform cannot give it.
std::optional<std::wstring> LongPath(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return std::wstring(buffer, length);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (::lstrcmpiW(a.c_str(), b.c_str()) == 0) {
        return true;
    }
    // One folder may be registered under its short name (PROGRA~2) and run under its long one.
    const std::optional<std::wstring> longA = LongPath(a);
    const std::optional<std::wstring> longB = LongPath(b);
    return longA && longB && ::lstrcmpiW(longA->c_str(), longB->c_str()) == 0;
}

} // namespace

HRESULT ImagePath(HINSTANCE image, wchar_t (&path)[MAX_PATH]) {
    DWORD length = ::GetModuleFileNameW(image, path, MAX_PATH);
    if (length == 0) {
        return FailureFromLastError();
    }
    if (length == MAX_PATH) {
        return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
    }
    return S_OK;
}

std::wstring ImageOf(const std::wstring& path) {
    const size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos || cut + 1 == path.size()) {
        return path;
    }
    for (size_t i = cut + 1; i < path.size(); ++i) {
        if (path[i] < L'0' || path[i] > L'9') {
            return path;
        }
    }
    return path.substr(0, cut);
}

bool NamesFile(const std::wstring& entry, const std::wstring& file) {
    const std::wstring registered = Unquoted(entry);
    const std::wstring image = ImageOf(registered);
    const std::wstring fileImage = ImageOf(file);
    if (registered.compare(image.size(), std::wstring::npos, file, fileImage.size(),
                           std::wstring::npos) != 0) {
        return false; // another resource of the image: another library
    }
    return SamePath(image, fileImage);
}

bool HeldByServerFor(const std::wstring& entry, SYSKIND platform) {
    const std::wstring image = ImageOf(Unquoted(entry));
    if (::GetFileAttributesW(image.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    DWORD kind = 0;
    const bool sixtyFourBit = ::GetBinaryTypeW(image.c_str(), &kind) && kind == SCS_64BIT_BINARY;
    return sixtyFourBit == (platform == SYS_WIN64);
}

std::optional<std::wstring> ClassServer(const CLSID& clsid, RegistrationScope scope) {
    const std::wstring key =
        std::wstring(L"Software\\Classes\\CLSID\\") + GuidText(clsid).get() + L"\\LocalServer32";
    // A quoted full path, which ImagePath keeps within MAX_PATH; anything longer is no server's.
    wchar_t value[MAX_PATH + 16];
    DWORD size = sizeof value;
    if (::RegGetValueW(ClassesRootOf(scope), key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}
