// The few file operations the sample provider needs, on wide paths. Each reports success as a
// bool; the caller turns a failure into the interface's result code.
#pragma once

#include <string>
#include <vector>

// The absolute, normalised form of `path` ("." and ".." resolved, "/" turned into "\"); empty
// when the platform cannot make one.
std::wstring FullPath(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);

// Creates the folder `path` and every missing folder above it.
bool CreateFolders(const std::wstring& path);

// Reads the whole file into *content; on failure *content is unchanged.
bool ReadWholeFile(const std::wstring& path, std::string* content);

// Replaces the file with `content`, written beside it first, so a failure part way leaves the
// old file whole.
bool WriteWholeFile(const std::wstring& path, const std::string& content);

// True when both files exist and hold the same bytes.
bool SameContent(const std::wstring& first, const std::wstring& second);

// Copies `from` over `to`, replacing a read-only `to` too; the copy is left writable.
bool CopyOver(const std::wstring& from, const std::wstring& to);

// Sets or clears the read-only attribute, keeping the file's other attributes.
bool SetReadOnly(const std::wstring& path, bool readOnly);

// Moves the file to `to`, a name not in use: fails rather than replace another file.
bool MoveTo(const std::wstring& from, const std::wstring& to);

// Deletes the file, read-only or not; true once it is gone, also when there was none.
bool RemoveFile(const std::wstring& path);

// The names of the files (not folders) directly in `folder`, in no particular order; false when
// the folder cannot be read, a missing one included.
bool ListFiles(const std::wstring& folder, std::vector<std::wstring>* names);
