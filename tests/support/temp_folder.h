// A fresh folder under the temporary path for one test, removed with all it holds (read-only
// files included) when the test ends; and the few file reads and writes tests make in it.
#pragma once

#include <windows.h>

#include <string>

#include "scoped_resource.h"

class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH];
        wchar_t unique[MAX_PATH];
        // The unique name comes as an empty file; the folder takes its place.
        if (::GetTempPathW(MAX_PATH, base) != 0 &&
            ::GetTempFileNameW(base, L"psp", 0, unique) != 0 && ::DeleteFileW(unique) &&
            ::CreateDirectoryW(unique, nullptr)) {
            path_ = unique;
        }
    }
    ~TempFolder() {
        if (!path_.empty()) {
            RemoveTree(path_);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Empty when the folder could not be made.
    const std::wstring& path() const { return path_; }

private:
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE first = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
        using ScopedFind = ScopedResource<HANDLE, &::FindClose, KernelHandleValues>;
        ScopedFind search(first);
        for (bool more = bool(search); more; more = ::FindNextFileW(search.get(), &found)) {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = folder + L"\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        }
        search.reset();
        ::RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};

// The narrow form of an ASCII test path, as the provider receives paths.
inline std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

inline bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsReadOnly(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Replaces the file's content; false when the file cannot be written (a read-only one).
inline bool WriteText(const std::wstring& path, const std::string& text) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ScopedHandle owner(file);
    DWORD written = 0;
    return owner &&
           ::WriteFile(owner.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
           written == text.size();
}

// The file's whole content, or "<missing>" when it cannot be read.
inline std::string ReadText(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ScopedHandle owner(file);
    if (!owner) {
        return "<missing>";
    }
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(owner.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        text.append(chunk, read);
    }
    return text;
}
