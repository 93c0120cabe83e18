// CPlimoCOMWrapperModule: the server's module object. It runs the process (command line or
// serving) and registers and unregisters the server, per machine or per user.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "atl_module.h"
#include "server_registration.h"

class InstanceRecord;

// Registration (RegisterAll and the rest) comes from CServerRegistration, to which the module
// supplies its image, its class table and its replacement variables.
class CPlimoCOMWrapperModule : public CAtlModule, public CServerRegistration {
public:
    CPlimoCOMWrapperModule(ClassTableRecord& classTable, InstanceRecord& instance);

    // The whole run: COM, then either the first registration switch of the command line or
    // serving. Returns the exit code: -1 when start-up failed, otherwise an HRESULT.
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

    // Adds "APPID", the server's AppID; the result of the add.
    HRESULT AddCommonVariables(IRegistrarBase* registrar) override;
    HINSTANCE ResourceInstance() const override;
    HINSTANCE TypeLibraryImage() const override;
    size_t ClassCount() const override;
    RegisteredClass ClassAt(size_t index) const override;

    bool cleanupAtExit = false;

private:
    InstanceRecord& instance_;
};

// Start-up objects, constructed in this order before the entry runs.
extern ClassTableRecord classTableRecord;
extern InstanceRecord instanceRecord;
extern CPlimoCOMWrapperModule theModule;
