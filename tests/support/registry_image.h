// Copies of registry subtrees for tests: a text listing to compare states, and a saved image
// that puts shared keys back as they were when a test is done with them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "scoped_resource.h"

struct RegValueImage {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegKeyImage {
    std::wstring name;
    std::vector<RegValueImage> values;
    std::vector<RegKeyImage> subkeys;
};

// The image of `key` and everything below it, subkeys and values in ordinal order of name.
// `view` (KEY_WOW64_32KEY or KEY_WOW64_64KEY, or 0 for this process's own) is the registry view
// the key was opened in.
inline RegKeyImage CaptureOpenKey(HKEY key, const std::wstring& name, REGSAM view = 0) {
    RegKeyImage image{name, {}, {}};
    DWORD subkeys = 0, maxSubkey = 0, values = 0, maxValueName = 0, maxData = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxSubkey, nullptr, &values,
                       &maxValueName, &maxData, nullptr, nullptr);
    for (DWORD i = 0; i < values; ++i) {
        std::vector<wchar_t> valueName(maxValueName + 2);
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        RegValueImage value;
        value.data.resize(maxData + 2);
        DWORD dataSize = static_cast<DWORD>(value.data.size());
        if (::RegEnumValueW(key, i, valueName.data(), &nameLength, nullptr, &value.type,
                            value.data.data(), &dataSize) == ERROR_SUCCESS) {
            value.name.assign(valueName.data(), nameLength);
            value.data.resize(dataSize);
            image.values.push_back(value);
        }
    }
    for (DWORD i = 0; i < subkeys; ++i) {
        std::vector<wchar_t> subkeyName(maxSubkey + 2);
        DWORD nameLength = static_cast<DWORD>(subkeyName.size());
        if (::RegEnumKeyExW(key, i, subkeyName.data(), &nameLength, nullptr, nullptr, nullptr,
                            nullptr) != ERROR_SUCCESS) {
            continue;
        }
        const std::wstring childName(subkeyName.data(), nameLength);
        ScopedRegKey child;
        if (::RegOpenKeyExW(key, childName.c_str(), 0, KEY_READ | view, child.put()) ==
            ERROR_SUCCESS) {
            image.subkeys.push_back(CaptureOpenKey(child.get(), childName, view));
        }
    }
    // Ordinal order, so that expected listings do not depend on the locale.
    auto byName = [](const auto& a, const auto& b) { return a.name < b.name; };
    std::sort(image.values.begin(), image.values.end(), byName);
    std::sort(image.subkeys.begin(), image.subkeys.end(), byName);
    return image;
}

// The image of parent\path, or nothing when that key does not exist.
inline std::optional<RegKeyImage> CaptureKey(HKEY parent, const std::wstring& path,
                                             REGSAM view = 0) {
    ScopedRegKey key;
    if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return CaptureOpenKey(key.get(), path, view);
}

// One value as text: "name=TYPE:data", "@" for the default value, NULs of strings shown as \0.
inline std::wstring DescribeValue(const RegValueImage& value) {
    std::wstring text = (value.name.empty() ? L"@" : value.name) + L"=";
    if (value.type == REG_SZ || value.type == REG_MULTI_SZ) {
        text += value.type == REG_SZ ? L"S:" : L"M:";
        const wchar_t* chars = reinterpret_cast<const wchar_t*>(value.data.data());
        const size_t count = value.data.size() / sizeof(wchar_t);
        // A string's own terminator is not shown; every other NUL is.
        const size_t shown =
            value.type == REG_SZ && count > 0 && chars[count - 1] == L'\0' ? count - 1 : count;
        for (size_t i = 0; i < shown; ++i) {
            text += chars[i] == L'\0' ? std::wstring(L"\\0") : std::wstring(1, chars[i]);
        }
        if (value.data.size() % sizeof(wchar_t) != 0) {
            text += L"<odd size>";
        }
    } else if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::copy(value.data.begin(), value.data.end(), reinterpret_cast<BYTE*>(&number));
        text += L"D:" + std::to_wstring(number);
    } else {
        wchar_t head[16];
        std::swprintf(head, 16, L"T%lu:", value.type);
        text += head;
        for (BYTE byte : value.data) {
            wchar_t hex[4];
            std::swprintf(hex, 4, L"%02x", byte);
            text += hex;
        }
    }
    return text;
}

inline void AppendListing(const RegKeyImage& image, const std::wstring& path,
                          std::vector<std::wstring>* lines) {
    lines->push_back(path);
    for (const RegValueImage& value : image.values) {
        lines->push_back(path + L"|" + DescribeValue(value));
    }
    for (const RegKeyImage& child : image.subkeys) {
        AppendListing(child, path.empty() ? child.name : path + L"\\" + child.name, lines);
    }
}

// Every key below parent\path (the key itself as ""), one line each, followed by a line
// "key|value" for each of its values. Empty when the key does not exist.
inline std::vector<std::wstring> Listing(HKEY parent, const std::wstring& path, REGSAM view = 0) {
    std::vector<std::wstring> lines;
    if (auto image = CaptureKey(parent, path, view)) {
        AppendListing(*image, L"", &lines);
    }
    return lines;
}

// The names of the direct subkeys of `key`, sorted.
inline std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline void WriteImage(HKEY parent, const RegKeyImage& image) {
    ScopedRegKey key;
    if (::RegCreateKeyExW(parent, image.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const RegValueImage& value : image.values) {
        ::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    }
    for (const RegKeyImage& child : image.subkeys) {
        WriteImage(key.get(), child);
    }
}

// Saves parent\path for each path now, and on destruction puts each back exactly: a key that
// did not exist is removed, one that did is rebuilt with its values and subkeys.
class SavedKeys {
public:
    SavedKeys(HKEY parent, std::vector<std::wstring> paths) : parent_(parent) {
        for (const std::wstring& path : paths) {
            saved_.push_back({path, CaptureKey(parent, path)});
        }
    }
    ~SavedKeys() {
        for (const auto& [path, image] : saved_) {
            ::RegDeleteTreeW(parent_, path.c_str());
            ::RegDeleteKeyW(parent_, path.c_str());
            if (image) {
                WriteImage(parent_, *image);
            }
        }
    }
    SavedKeys(const SavedKeys&) = delete;
    SavedKeys& operator=(const SavedKeys&) = delete;

private:
    HKEY parent_;
    std::vector<std::pair<std::wstring, std::optional<RegKeyImage>>> saved_;
};
