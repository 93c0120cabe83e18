// Narrow text as the provider interface passes it: NUL-terminated, in the calling thread's ANSI
// code page. Paths are widened at the boundary so every file operation works on exact names.
#pragma once

#include <string>

// The wide form of `text`; a null pointer gives the empty string.
std::wstring Widen(const char* text);

// The narrow form of `text` in *narrow. False, with *narrow unchanged, when the thread's code
// page lacks one of its characters: a path with a stand-in character would name another file.
bool Narrow(const std::wstring& text, std::string* narrow);

// Copies `text` and its terminator into the caller's buffer of `capacity` bytes. False, with the
// buffer untouched, when it does not fit: a cut path or name would be a different one.
bool CopyToBuffer(const std::string& text, char* buffer, size_t capacity);
