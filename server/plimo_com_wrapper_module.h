// PlimoComWrapperModule: the server's module object. It runs the process (command line or
// serving) and registers and unregisters the server it describes, per machine or per user.
#pragma once

#include <windows.h>

#include "server_description.h"
#include "server_module.h"

class PlimoComWrapperModule : public ServerModule {
public:
    // `server` describes the server and `image` is it: the executable (or test program) whose
    // file, resources and type libraries are registered. The description and the entries stay
    // the caller's.
    PlimoComWrapperModule(const ServerDescription& server, HINSTANCE image, ClassTableEntry* first,
                          ClassTableEntry* end);

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
    // Removes what the server registered for the current user alone (see server_registration.h).
    HRESULT RemovePerUserRegistration();

    // Whether the run served, so that the end of the process removes a per-user registration.
    bool cleanupAtExit() const { return cleanupAtExit_; }

private:
    const ServerDescription& server_;
    HINSTANCE image_;
    bool cleanupAtExit_ = false;
};

// The server's module, made on first use; CurrentModule() is the same object.
PlimoComWrapperModule& TheModule();
