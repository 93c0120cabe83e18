// The registry scripts of resources/ as the build copies them beside the tests (into
// registry_scripts\), for tests that read them without a server executable.
#pragma once

#include <windows.h>

#include <string>

#include "scoped_resource.h"
#include "test_paths.h"

// The bytes of the script file `name`; empty when it cannot be read.
inline std::string RegistryScriptBytes(const wchar_t* name) {
    const std::wstring path = BesideTest((std::wstring(L"registry_scripts\\") + name).c_str());
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 1 << 20) {
        return std::string();
    }
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) ||
        got != bytes.size()) {
        return std::string();
    }
    return bytes;
}

// The script file `name` as registration reads a script resource: its bytes in the thread's ANSI
// code page. Empty when it cannot be read.
inline std::wstring RegistryScriptText(const wchar_t* name) {
    const std::string bytes = RegistryScriptBytes(name);
    const int size = static_cast<int>(bytes.size());
    std::wstring text(bytes.size(), L'\0');
    if (size > 0) {
        text.resize(static_cast<size_t>(
            ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes.data(), size, &text[0], size)));
    }
    return text;
}
