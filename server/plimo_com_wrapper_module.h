// PlimoComWrapperModule: the server's module object. It runs the process (command line or
// serving) and registers and unregisters the server, per machine or per user.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "server_module.h"
#include "server_registration.h"

// Registration (RegisterAll and the rest) comes from ServerRegistration, to which the module
// supplies its image, its class table and its replacement variables.
class PlimoComWrapperModule : public ServerModule, public ServerRegistration {
public:
    // `image` is the executable (or test program) whose resources and type libraries are
    // registered; the entries stay the caller's.
    PlimoComWrapperModule(HINSTANCE image, ClassTableEntry* first, ClassTableEntry* end);

    // The whole run: COM, then either the first registration switch of the command line or
    // serving. Returns the exit code, an HRESULT.
    int RunModule();
    // Runs the first recognised switch of `commandLine` and returns false with its result in
    // *result; returns true (and S_OK) when the line holds no switch and the server must serve.
    bool ProcessCommandLine(const wchar_t* commandLine, HRESULT* result);
    // Publishes the class object, serves until the last lock is gone, withdraws it and pauses.
    HRESULT Serve();
    void PumpMessages();
    HRESULT PublishClassObjects(DWORD classContext, DWORD flags);
    // Withdraws every class object still published; one withdrawn before is not asked again.
    HRESULT WithdrawClassObjects();

    // "APPID", the server's AppID.
    const RegistryVariable* CommonVariables() const override;
    HINSTANCE ResourceInstance() const override;
    HINSTANCE TypeLibraryImage() const override;
    size_t ClassCount() const override;
    RegisteredClass ClassAt(size_t index) const override;

    // Whether the run served, so that the end of the process removes a per-user registration.
    bool cleanupAtExit() const { return cleanupAtExit_; }

private:
    HINSTANCE image_;
    bool cleanupAtExit_ = false;
};

// The server's module, made on first use; CurrentModule() is the same object.
PlimoComWrapperModule& TheModule();
