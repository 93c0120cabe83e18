// Where the end-to-end tests find the server and the programs built beside them.
#pragma once

#include <string>
#include <vector>

#include <objbase.h>

#include "PlimoCOMWrapper2.h"
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

// A GUID as the registry writes it: "{XXXXXXXX-XXXX-...}", upper case.
inline std::wstring GuidString(const GUID& guid) {
    wchar_t text[39] = {};
    ::StringFromGUID2(guid, text, ARRAYSIZE(text));
    return text;
}

// One class as the class script registers it.
struct RegisteredClass {
    std::wstring key; // CLSID\{...}
    std::wstring clsid;
    std::wstring name;
    std::wstring progId;
    std::wstring independentProgId;
    std::wstring library;
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

// The names of what `server` registers, as its description gives them.
inline RegisteredNames NamesFromDescription(const ServerDescription& server) {
    RegisteredNames names{GuidString(*server.appId), server.name,  {},
                          kMachineClasses,           kUserClasses, L"win32"};
    if (server.bits == 64) {
        names.machine = kMachineClasses64;
        names.user = kUserClasses64;
        names.platform = L"win64";
    }
    for (size_t i = 0; i < server.classCount; ++i) {
        const ServedClass& served = server.classes[i];
        const std::wstring clsid = GuidString(*served.clsid);
        const std::wstring progId = std::wstring(L"PlimoCOMWrapper.") + served.name;
        names.classes.push_back({L"CLSID\\" + clsid, clsid, std::wstring(served.name) + L" Class",
                                 progId + L".1", progId, GuidString(*served.libraryId)});
    }
    return names;
}

inline const RegisteredNames& NamesOf(const ServerUnderTest& server) {
    static const RegisteredNames names32 = NamesFromDescription(kServer32);
    static const RegisteredNames names64 = NamesFromDescription(kServer64);
    return server.bits == 64 ? names64 : names32;
}

// The libraries both servers register, and the interfaces they describe.
inline const std::wstring kLibraryText = GuidString(LIBID_PlimoCOMWrapperLib);
inline const std::wstring kLibraryText2 = GuidString(LIBID_PlimoCOMWrapper2Lib);
inline const std::wstring kInterfaceKeys[] = {L"Interface\\" + GuidString(IID_IPlimoWrapper),
                                              L"Interface\\" + GuidString(IID_IPlimoWrapper2)};
