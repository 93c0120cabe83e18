#include "registry_view.h"

#include "registry_image.h"
#include "scoped_resource.h"

namespace {

std::wstring Under(const std::wstring& path) {
    return L"Software\\Classes\\" + path;
}

} // namespace

bool KeyExists(const ClassesRoot& classes, const std::wstring& path) {
    ScopedRegKey key;
    return ::RegOpenKeyExW(classes.root, Under(path).c_str(), 0, KEY_READ | classes.view,
                           key.put()) == ERROR_SUCCESS;
}

std::optional<std::wstring> StringValue(const ClassesRoot& classes, const std::wstring& path,
                                        const wchar_t* name) {
    ScopedRegKey key;
    if (::RegOpenKeyExW(classes.root, Under(path).c_str(), 0, KEY_READ | classes.view, key.put()) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    wchar_t data[1024];
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    data[size / sizeof(wchar_t)] = L'\0';
    return std::wstring(data);
}

std::vector<std::wstring> Snapshot(const ClassesRoot& classes, const std::wstring& path) {
    return Listing(classes.root, Under(path), classes.view);
}
