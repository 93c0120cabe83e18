// Where the end-to-end tests find the server and the programs built beside them.
#pragma once

#include <string>
#include <vector>

#include "registry_view.h"

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

// One class as its script registers it.
struct RegisteredClass {
    const wchar_t* key;
    const wchar_t* clsid;
    const wchar_t* name;
    const wchar_t* progId;
    const wchar_t* independentProgId;
    const wchar_t* library;
};

// What a server registers, and the registry view a 32-bit test program finds it in.
struct RegisteredNames {
    std::wstring appIdText;
    std::wstring appIdName; // the AppID's name, and its executable's name without ".EXE"
    std::vector<RegisteredClass> classes;
    ClassesRoot machine;
    ClassesRoot user;
    const wchar_t* platform; // the key of its type libraries' entry: "win32" or "win64"

    std::wstring AppIdKey() const { return L"AppID\\" + appIdText; }
    std::wstring ExecutableAppIdKey() const { return L"AppID\\" + appIdName + L".EXE"; }
};

inline const RegisteredNames& NamesOf(const ServerUnderTest& server) {
    static const RegisteredNames names32{kAppIdText,
                                         L"PlimoCOMWrapper",
                                         {{kClassKey, kClassText, L"TovikPlimoWrapper Class",
                                           kProgId, kIndependentProgId, kLibraryText},
                                          {kClassKey2, kClassText2, L"TovikPlimoWrapper2 Class",
                                           kProgId2, kIndependentProgId2, kLibraryText2}},
                                         kMachineClasses,
                                         kUserClasses,
                                         L"win32"};
    static const RegisteredNames names64{
        L"{728564B9-F0A9-4987-9B17-427C4605D430}",
        L"PlimoCOMWrapper64",
        {{L"CLSID\\{55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}",
          L"{55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}", L"TovikPlimoWrapper64 Class",
          L"PlimoCOMWrapper.TovikPlimoWrapper64.1", L"PlimoCOMWrapper.TovikPlimoWrapper64",
          kLibraryText2}},
        kMachineClasses64,
        kUserClasses64,
        L"win64"};
    return server.bits == 64 ? names64 : names32;
}

// The interfaces both servers' libraries describe.
constexpr const wchar_t* kInterfaceKeys[] = {L"Interface\\{ACCA7630-3C01-4E7B-9AC8-C84888C0235B}",
                                             L"Interface\\{ACA09F90-6DF3-4838-A84D-9934631D2E46}"};
