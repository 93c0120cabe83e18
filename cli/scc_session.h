// One plimo-scc command as one whole session through the PlimoCOMWrapper server: activate it,
// bind the provider, initialise, open the project, run the command, close, uninitialise,
// release. Every step that was started is ended, whatever a later step answers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "command_line.h"

// One message the provider wrote through its text-output procedure.
struct ProviderMessage {
    LONG type; // 1 information, 2 warning, 3 error, 4 status
    std::wstring text;
};

// One item the provider reported during the command: a file of `list` (kept in the list or left
// out, with its status word), a change of `changes` (its kind and, for a rename, the file's
// other name), or an event of `changes` from a provider that queues them (its status word).
struct ReportedItem {
    std::wstring name;
    LONG value = 0; // list and events: the status word; changes: the kind of change
    bool keep = true;
    std::wstring latestName;
};

struct SessionRequest {
    Command command = Command::Status;
    int serverBits = 32;       // the server to activate: the 32-bit one or the 64-bit one
    std::wstring providerPath; // full path of the provider DLL
    std::wstring project;
    std::wstring localPath; // full path
    std::wstring auxPath;
    std::wstring user;
    const wchar_t* comment = nullptr; // null: no comment
    std::vector<std::wstring> files;  // full paths
    bool folders = false;             // list: the names are folders
    // Called with each message of the provider as soon as it is collected; may be empty.
    std::function<void(const ProviderMessage&)> onMessage;
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
    // The entry point that did the command's work: changes asks for the queued events when the
    // provider has no SccQueryChanges.
    const wchar_t* commandCall = nullptr;
    // One word per name given: status and list the status word, dirstatus the folder's, diff the
    // provider's answer for that file.
    std::vector<LONG> statuses;
    // What list and changes reported, in order; reportsComplete is false when the server kept
    // only the first part of a longer report.
    std::vector<ReportedItem> reported;
    bool reportsComplete = true;
    bool reportedEvents = false; // changes: the items are SccGetEvents' events
    // Every message of the provider, in order.
    std::vector<ProviderMessage> messages;

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

// Runs `request` through a server of its own, an object of a class that serves the whole
// interface (TovikPlimoWrapper2 of the 32-bit server, TovikPlimoWrapper64 of the 64-bit one): its
// project opening gives the provider a text-output procedure. COM must be
// initialised on this thread (single-threaded apartment).
void RunSession(const SessionRequest& request, SessionResult* result);
