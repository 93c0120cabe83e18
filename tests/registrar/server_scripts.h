// The server's two registry scripts as the executable beside the tests carries them, and what
// registering them must leave below the classes root.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "scoped_resource.h"
#include "test_paths.h"

// The registry script resource `id` of the server built beside the tests, read as registration
// reads it: its bytes in the thread's ANSI code page. Empty when it cannot be read.
inline std::wstring LoadServerScript(UINT id) {
    ScopedLibrary server(::LoadLibraryExW(BesideTest(L"PlimoCOMWrapper.exe").c_str(), nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE));
    HRSRC found =
        server ? ::FindResourceW(server.get(), MAKEINTRESOURCEW(id), L"REGISTRY") : nullptr;
    HGLOBAL loaded = found != nullptr ? ::LoadResource(server.get(), found) : nullptr;
    const auto* bytes =
        loaded != nullptr ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    if (bytes == nullptr) {
        return std::wstring();
    }
    const int size = static_cast<int>(::SizeofResource(server.get(), found));
    std::wstring text(static_cast<size_t>(size), L'\0');
    text.resize(
        static_cast<size_t>(::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, &text[0], size)));
    return text;
}

// The server's AppID script and class script.
inline const wchar_t* AppIdScript() {
    static const std::wstring text = LoadServerScript(101);
    return text.c_str();
}
inline const wchar_t* ClassScript() {
    static const std::wstring text = LoadServerScript(102);
    return text.c_str();
}

constexpr wchar_t kAppId[] = L"{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}";
// A server path with a single quote, as registration hands it over: quote doubled, in double
// quotes.
constexpr wchar_t kModuleVariable[] = L"\"C:\\it''s here\\PlimoCOMWrapper.exe\"";

// The keys the scripts write below the classes root, which tests save and restore.
inline std::vector<std::wstring> ServerKeyPaths() {
    return {L"AppID\\{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}", L"AppID\\PlimoCOMWrapper.EXE",
            L"PlimoCOMWrapper.TovikPlimoWrapper.1", L"PlimoCOMWrapper.TovikPlimoWrapper",
            L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}"};
}

// Listing of each path of ServerKeyPaths() after registration, in that order.
inline std::vector<std::vector<std::wstring>> RegisteredServerKeys() {
    return {
        {L"", L"|@=S:PlimoCOMWrapper"},
        {L"", L"|AppID=S:{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}"},
        {L"", L"|@=S:TovikPlimoWrapper Class", L"CLSID",
         L"CLSID|@=S:{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}"},
        {L"", L"|@=S:TovikPlimoWrapper Class", L"CLSID",
         L"CLSID|@=S:{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}", L"CurVer",
         L"CurVer|@=S:PlimoCOMWrapper.TovikPlimoWrapper.1"},
        {L"", L"|@=S:TovikPlimoWrapper Class", L"LocalServer32",
         L"LocalServer32|@=S:\"C:\\it's here\\PlimoCOMWrapper.exe\"", L"ProgID",
         L"ProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper.1", L"Programmable", L"TypeLib",
         L"TypeLib|@=S:{75F52DF4-48B5-4C22-96C1-FDF662B36409}", L"VersionIndependentProgID",
         L"VersionIndependentProgID|@=S:PlimoCOMWrapper.TovikPlimoWrapper"},
    };
}

// The AppID script as per-user mode expands it: the text that registration applies per user.
constexpr wchar_t kPerUserAppIdScript[] =
    L"HKCU\r\n"
    L"{\tSoftware\r\n"
    L"\t{\r\n"
    L"\t\tClasses\r\n"
    L"{\r\n"
    L"\tNoRemove AppID\r\n"
    L"\t{\r\n"
    L"\t\t'{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}' = s 'PlimoCOMWrapper'\r\n"
    L"\t\t'PlimoCOMWrapper.EXE'\r\n"
    L"\t\t{\r\n"
    L"\t\t\tval AppID = s '{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}'\r\n"
    L"\t\t}\r\n"
    L"\t}\r\n"
    L"\r\n"
    L"\t}\r\n"
    L"}\r\n"
    L"}\r\n";
