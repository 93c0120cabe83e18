// IRegistrationHost: what registration needs from the server it registers. The server's module
// implements it; registration knows nothing else of the server.
#pragma once

#include <windows.h>

// A replacement variable handed to a registry script; a list of them ends with a null name.
struct RegistryVariable {
    const wchar_t* name;
    const wchar_t* value;
};

// One class the server publishes: its identifier and the hook that applies (true) or removes
// (false) its registry script. An empty slot of the server's class table has a null identifier.
struct RegisteredClass {
    const CLSID* clsid;
    HRESULT (*updateRegistry)(bool doRegister);
};

class IRegistrationHost {
public:
    // The image whose full path is registered as the server, and whose resources hold the
    // registry scripts.
    virtual HINSTANCE ResourceInstance() const = 0;
    // The image that holds the type library.
    virtual HINSTANCE TypeLibraryImage() const = 0;
    // The server's classes, in the order of its class table.
    virtual size_t ClassCount() const = 0;
    virtual RegisteredClass ClassAt(size_t index) const = 0;
    // The server's own replacement variables, which every script is applied with; the list ends
    // with a null name and stays valid as long as the host.
    virtual const RegistryVariable* CommonVariables() const = 0;

protected:
    ~IRegistrationHost() = default;
};
