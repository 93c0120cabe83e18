// One plimo-scc command as one whole session through the PlimoCOMWrapper server: activate it,
// bind the provider, initialise, open the project, run the command, close, uninitialise,
// release. Every step that was started is ended, whatever a later step answers.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "command_line.h"

struct SessionRequest {
    Command command = Command::Status;
    std::wstring providerPath; // full path of the provider DLL
    std::wstring project;
    std::wstring localPath; // full path
    std::wstring auxPath;
    std::wstring user;
    const wchar_t* comment = nullptr; // null: no comment
    std::vector<std::wstring> files;  // full paths
};

struct SessionResult {
    // SccInitialize's answers.
    std::wstring providerName;
    std::wstring auxPathLabel;
    LONG capabilities = 0;
    LONG checkoutCommentLength = 0;
    LONG commentLength = 0;
    // version: SccGetVersion's answer, the interface version the provider implements.
    LONG interfaceVersion = 0;
    // SccOpenProject's answers: whom the project was opened for, and the auxiliary path.
    std::wstring user;
    std::wstring auxPath;
    // The command's own answer, and for status one word per file. commandSucceeded: the
    // command's call (SccInitialize for info) reached the provider and it answered success (a
    // cancelled operation is no success), even if a later step failed.
    bool commandSucceeded = false;
    LONG commandResult = 0;
    std::vector<LONG> statuses;

    // The first step that failed: its name ("SccCheckout", "activating the server", ...) and
    // either a failed HRESULT (from the server, or from COM) or, with S_OK, the provider's
    // answer: an error code, or SCC_I_OPERATIONCANCELED. Null when every step succeeded.
    // failedAfterCommand: the step came after the command had done its work (closing the
    // project, ending the provider's session).
    const wchar_t* failedStep = nullptr;
    HRESULT failedHResult = S_OK;
    LONG failedCode = 0;
    bool failedAfterCommand = false;
};

// Runs `request` through a server of its own. COM must be initialised on this thread (single-
// threaded apartment).
void RunSession(const SessionRequest& request, SessionResult* result);
