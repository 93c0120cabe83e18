#include "registry_view.h"

#include <vector>

#include "scoped_resource.h"

namespace {

std::wstring Under(const std::wstring& path) {
    return L"Software\\Classes\\" + path;
}

ScopedRegKey Open(const ClassesRoot& classes, const std::wstring& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(classes.root, Under(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return ScopedRegKey();
    }
    return ScopedRegKey(key);
}

void Collect(HKEY key, const std::wstring& prefix, std::map<std::wstring, std::wstring>* out) {
    (*out)[prefix + L"|"] = L"key";
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::vector<BYTE> data(size + 2);
        nameLength = 16384;
        ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size);
        std::wstring text(reinterpret_cast<wchar_t*>(data.data()), size / sizeof(wchar_t));
        (*out)[prefix + L"|" + name] = std::to_wstring(type) + L":" + text;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY child = nullptr;
        if (::RegOpenKeyExW(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            ScopedRegKey owner(child);
            Collect(child, prefix + L"\\" + name, out);
        }
    }
}

} // namespace

bool KeyExists(const ClassesRoot& classes, const std::wstring& path) {
    return static_cast<bool>(Open(classes, path));
}

std::optional<std::wstring> StringValue(const ClassesRoot& classes, const std::wstring& path,
                                        const wchar_t* name) {
    ScopedRegKey key = Open(classes, path);
    if (!key) {
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

std::map<std::wstring, std::wstring> Snapshot(const ClassesRoot& classes,
                                              const std::wstring& path) {
    std::map<std::wstring, std::wstring> state;
    ScopedRegKey key = Open(classes, path);
    if (key) {
        Collect(key.get(), path, &state);
    }
    return state;
}
