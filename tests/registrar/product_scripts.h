// The product's own registry scripts as resources/ has them (the build copies them beside the
// tests), with sample values for their variables: realistic input for the interpreter, read
// without a server executable.
#pragma once

#include <windows.h>

#include <string>

#include "registry_scripts.h"
#include "replacement_variables.h"

// The AppID script and the class script.
inline const wchar_t* AppIdScript() {
    static const std::wstring text = RegistryScriptText(L"appid.rgs");
    return text.c_str();
}
inline const wchar_t* ClassScript() {
    static const std::wstring text = RegistryScriptText(L"class.rgs");
    return text.c_str();
}

constexpr wchar_t kAppId[] = L"{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}";
// A server path with a single quote, as registration hands it over: quote doubled, in double
// quotes.
constexpr wchar_t kModuleVariable[] = L"\"C:\\it''s here\\PlimoCOMWrapper.exe\"";

// Every variable the scripts read, with the values of a server and one of its classes.
inline void AddScriptVariables(ReplacementVariables& variables) {
    variables.Add(L"APPID", kAppId);
    variables.Add(L"SERVER", L"PlimoCOMWrapper");
    variables.Add(L"CLSID", L"{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}");
    variables.Add(L"CLASS", L"TovikPlimoWrapper");
    variables.Add(L"LIBID", L"{75F52DF4-48B5-4C22-96C1-FDF662B36409}");
    variables.Add(L"Module", kModuleVariable);
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
