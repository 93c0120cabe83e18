// CPlimoCOMWrapperModule: the server's module object. It runs the process (command line or
// serving) and registers and unregisters the server, per machine or per user.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "atl_module.h"

class InstanceRecord;

// A replacement variable handed to a registry script; a list of them ends with a null name.
struct RegistryVariable {
    const wchar_t* name;
    const wchar_t* value;
};

class CPlimoCOMWrapperModule : public CAtlModule {
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
    HRESULT WithdrawClassObjects();

    // Registration. Each returns the HRESULT of the last step performed; earlier steps are not
    // undone. In per-user registration mode everything goes under HKCU\Software\Classes.
    HRESULT RegisterAll();
    HRESULT UnregisterAll();
    // Removes the per-user registration (sets per-user mode for the rest of the process).
    HRESULT RemovePerUserRegistration();
    HRESULT RegisterAppIdEntries();
    HRESULT UnregisterAppIdEntries();
    HRESULT RegisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass);
    HRESULT UnregisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass);
    // Applies (or removes) the "REGISTRY" script resource `id` with the module's variables and
    // the `extra` pairs (ending with a null name; may be null).
    HRESULT ApplyRegistryResource(UINT id, bool doRegister, const RegistryVariable* extra);
    // The type library held by the executable (or by a .tlb file beside it) and its path. The
    // caller owns both on success.
    HRESULT LoadModuleTypeLib(ITypeLib** library, BSTR* path);
    HRESULT RegisterModuleTypeLib();
    HRESULT UnregisterModuleTypeLib();
    // Whether the type library is registered for the current user (HKCU's classes hold it).
    bool PerUserTypeLibRegistered();

    HRESULT AddCommonVariables(IRegistrarBase* registrar) override;

    bool cleanupAtExit = false;

private:
    InstanceRecord& instance_;
};

// Start-up objects, constructed in this order before the entry runs.
extern ClassTableRecord classTableRecord;
extern InstanceRecord instanceRecord;
extern CPlimoCOMWrapperModule theModule;
