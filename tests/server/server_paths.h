// Where the end-to-end tests find the server and the programs built beside them.
#pragma once

#include <string>

#include "server_under_test.h"
#include "test_paths.h"

// The executable of the server under test (see server_under_test.h).
inline std::wstring ServerPath() {
    return CurrentServer().Executable();
}

// The server run with `arguments`, as a command line.
inline std::wstring ServerCommand(const std::wstring& arguments,
                                  const std::wstring& server = ServerPath()) {
    return L"\"" + server + L"\" " + arguments;
}

constexpr wchar_t kClassKey[] = L"CLSID\\{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}";
constexpr wchar_t kAppIdKey[] = L"AppID\\{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}";
constexpr wchar_t kAppIdText[] = L"{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}";
constexpr wchar_t kClassText[] = L"{5BA5BD8B-8DAB-47E8-ABDA-22C9F49D89EB}";
constexpr wchar_t kLibraryText[] = L"{75F52DF4-48B5-4C22-96C1-FDF662B36409}";
constexpr wchar_t kProgId[] = L"PlimoCOMWrapper.TovikPlimoWrapper.1";
constexpr wchar_t kIndependentProgId[] = L"PlimoCOMWrapper.TovikPlimoWrapper";

// The class that serves the whole interface, and its library.
constexpr wchar_t kClassKey2[] = L"CLSID\\{E886B200-9099-4B61-A541-7E4B3200C898}";
constexpr wchar_t kClassText2[] = L"{E886B200-9099-4B61-A541-7E4B3200C898}";
constexpr wchar_t kLibraryText2[] = L"{429CCA64-86DB-498F-B360-50368B0BC08A}";
constexpr wchar_t kProgId2[] = L"PlimoCOMWrapper.TovikPlimoWrapper2.1";
constexpr wchar_t kIndependentProgId2[] = L"PlimoCOMWrapper.TovikPlimoWrapper2";
