// File helpers of the sample provider, on the platform's wide file functions.
#include "file_system.h"

#include <windows.h>

#include <memory>

namespace {

struct CloseFile {
    void operator()(HANDLE file) const { ::CloseHandle(file); }
};
// An open file, closed at the end of the scope.
using ScopedFile = std::unique_ptr<void, CloseFile>;

// The file functions report failure with INVALID_HANDLE_VALUE, the owner's "nothing" is null.
ScopedFile OpenFile(const std::wstring& path, DWORD access, DWORD disposition) {
    HANDLE file = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return ScopedFile(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

struct CloseSearch {
    void operator()(HANDLE search) const { ::FindClose(search); }
};
// A directory search, closed at the end of the scope.
using ScopedSearch = std::unique_ptr<void, CloseSearch>;

DWORD Attributes(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

} // namespace

std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) {
        return std::wstring();
    }
    DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return std::wstring();
    }
    std::wstring full(length, L'\0');
    length = ::GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    if (length == 0 || length >= full.size()) {
        return std::wstring();
    }
    full.resize(length);
    return full;
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolders(const std::wstring& path) {
    if (FolderExists(path)) {
        return true;
    }
    size_t separator = path.find_last_of(L'\\');
    if (separator != std::wstring::npos && separator > 0 &&
        !CreateFolders(path.substr(0, separator))) {
        return false;
    }
    return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReadWholeFile(const std::wstring& path, std::string* content) {
    ScopedFile file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) {
        return false;
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        return false;
    }
    *content = std::move(bytes);
    return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& content) {
    std::wstring draft = path + L".new";
    {
        ScopedFile file = OpenFile(draft, GENERIC_WRITE, CREATE_ALWAYS);
        DWORD written = 0;
        if (!file ||
            !::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                         nullptr) ||
            written != content.size()) {
            ::DeleteFileW(draft.c_str());
            return false;
        }
    }
    if (!::MoveFileExW(draft.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(draft.c_str());
        return false;
    }
    return true;
}

bool SameContent(const std::wstring& first, const std::wstring& second) {
    std::string a;
    std::string b;
    return ReadWholeFile(first, &a) && ReadWholeFile(second, &b) && a == b;
}

bool CopyOver(const std::wstring& from, const std::wstring& to) {
    if (FileExists(to) && !SetReadOnly(to, false)) {
        return false;
    }
    return ::CopyFileW(from.c_str(), to.c_str(), FALSE) && SetReadOnly(to, false);
}

bool SetReadOnly(const std::wstring& path, bool readOnly) {
    DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    DWORD wanted = readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                            : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (wanted == 0) {
        wanted = FILE_ATTRIBUTE_NORMAL;
    }
    return wanted == attributes || ::SetFileAttributesW(path.c_str(), wanted);
}

bool MoveTo(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), 0) != FALSE;
}

bool RemoveFile(const std::wstring& path) {
    if (Attributes(path) == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    return SetReadOnly(path, false) && ::DeleteFileW(path.c_str());
}

bool ListFiles(const std::wstring& folder, std::vector<std::wstring>* names) {
    WIN32_FIND_DATAW found;
    HANDLE first = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (first == INVALID_HANDLE_VALUE) {
        return false;
    }
    ScopedSearch search(first);
    std::vector<std::wstring> listed;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            listed.push_back(found.cFileName);
        }
    } while (::FindNextFileW(search.get(), &found));
    if (::GetLastError() != ERROR_NO_MORE_FILES) {
        return false;
    }
    *names = std::move(listed);
    return true;
}
