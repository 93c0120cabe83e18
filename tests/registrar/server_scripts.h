// The server's two registry scripts as the executable carries them (lines end in CR LF, one tab
// per level), and what registering them must leave below the classes root.
#pragma once

#include <string>
#include <vector>

constexpr wchar_t kAppIdScript[] = L"HKCR\r\n"
                                   L"{\r\n"
                                   L"\tNoRemove AppID\r\n"
                                   L"\t{\r\n"
                                   L"\t\t'%APPID%' = s 'PlimoCOMWrapper'\r\n"
                                   L"\t\t'PlimoCOMWrapper.EXE'\r\n"
                                   L"\t\t{\r\n"
                                   L"\t\t\tval AppID = s '%APPID%'\r\n"
                                   L"\t\t}\r\n"
                                   L"\t}\r\n"
                                   L"}\r\n";

constexpr wchar_t kClassScript[] =
    L"HKCR\r\n"
    L"{\r\n"
    L"\tPlimoCOMWrapper.TovikPlimoWrapper.1 = s 'TovikPlimoWrapper Class'\r\n"
    L"\t{\r\n"
    L"\t\tCLSID = s '{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}'\r\n"
    L"\t}\r\n"
    L"\tPlimoCOMWrapper.TovikPlimoWrapper = s 'TovikPlimoWrapper Class'\r\n"
    L"\t{\r\n"
    L"\t\tCLSID = s '{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}'\r\n"
    L"\t\tCurVer = s 'PlimoCOMWrapper.TovikPlimoWrapper.1'\r\n"
    L"\t}\r\n"
    L"\tNoRemove CLSID\r\n"
    L"\t{\r\n"
    L"\t\tForceRemove {5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB} = s 'TovikPlimoWrapper Class'\r\n"
    L"\t\t{\r\n"
    L"\t\t\tProgID = s 'PlimoCOMWrapper.TovikPlimoWrapper.1'\r\n"
    L"\t\t\tVersionIndependentProgID = s 'PlimoCOMWrapper.TovikPlimoWrapper'\r\n"
    L"\t\t\tForceRemove 'Programmable'\r\n"
    L"\t\t\tLocalServer32 = s '%MODULE%'\r\n"
    L"\t\t\t'TypeLib' = s '{75F52DF4-48B5-4C22-96C1-FDF662B36409}'\r\n"
    L"\t\t}\r\n"
    L"\t}\r\n"
    L"}\r\n";

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
