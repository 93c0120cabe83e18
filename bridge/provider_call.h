// ProviderCall: admission to the provider for one call. One provider call runs at a time on a
// thread, and the object it is made for stays alive until the call has returned.
//
// The two ways into the provider, and which entry point takes which (this is the one place that
// says so; the others point here). Both are admitted by a ProviderCall first.
// - Guarded, CallProviderGuarded (provider_call_guard.h): the file-list methods, ForwardFiles
//   (SccCheckin, SccCheckout, SccUncheckout, SccGet, SccRemove, SccHistory), SccAdd, SccQueryInfo
//   and every ForwardList method (SccRunScc, SccBackgroundGet, SccWillCreateSccFile,
//   SccEnumChangedFiles, SccDirQueryInfo, SccPopulateList, SccQueryChanges, SccPopulateDirList);
//   and Init's load of the library. A fault or a C++ exception in the provider becomes E_FAIL, with
//   nothing written, and the object stays usable. A list's length and names are the client's
//   choice, so that is where a provider that mishandles its input is most likely to fault; and
//   the load runs the provider's DllMain, which must not cost the object its next Init.
// - Unguarded, ProviderCall::Run: every other method. A fault goes on to COM's dispatch, which
//   fails the call (RPC_E_SERVERFAULT), and Run only sees the stack unwind past it, to end the
//   call on the way. Clients are told (docs/errors.md) that a fault in these methods comes back
//   that way; guarding them would change the answer they get.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "com_ptr.h"
#include "provider_call_guard.h"
#include "provider_messages.h"
#include "win32_error.h"

// No provider library is bound, or it lacks the entry point a method needs.
constexpr HRESULT kNoProviderEntry = HResultFromWin32(ERROR_INVALID_OPERATION);
// A call refused because a provider call is already running on the thread (the provider pumps
// messages, and another call arrived meanwhile): the server is busy; the caller may try again.
constexpr HRESULT kProviderBusy = RPC_E_SERVERCALL_RETRYLATER;
// A call refused because a stack overflow inside an earlier provider call left the thread's
// stack without its guard page: another overflow could not be caught.
constexpr HRESULT kProviderStackLost = HResultFromWin32(ERROR_STACK_OVERFLOW);

// Whether a provider call is running on the calling thread. The server's message filter asks it
// before any incoming call is dispatched.
bool ProviderCallInProgress();

// Held for the length of a method that calls the provider. When admitted, it marks the thread as
// being inside the provider and holds a reference to `object`, so that a final release arriving
// while the provider runs (a provider that shows a dialog pumps messages) cannot free the library
// under the provider's own code: the object goes when the scope ends instead.
class ProviderCall {
public:
    // Admission alone, for Init, whose provider code is the library's own start-up.
    explicit ProviderCall(IUnknown* object);
    // Admission and the lookup of the entry point `name` in `library` (which may be null), afresh
    // at every call. While admitted, what the provider writes through the text-output procedure
    // goes to `messages` (when not null).
    ProviderCall(IUnknown* object, HMODULE library, const char* name,
                 ProviderMessages* messages = nullptr);
    ~ProviderCall();

    ProviderCall(const ProviderCall&) = delete;
    ProviderCall& operator=(const ProviderCall&) = delete;

    // S_OK when the provider may be called; otherwise kProviderStackLost, kProviderBusy or, for
    // a lookup, kNoProviderEntry (no library bound, or it lacks the entry), in that order. A call
    // refused before the lookup holds nothing.
    HRESULT status() const { return status_; }

    // The entry point found, as the type it is called with; null unless status() is S_OK.
    template <typename Fn> Fn entry() const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(entry_));
    }

    // Runs `body`, the call into the provider, unguarded (see the top of this file for which
    // methods do). When a fault there is handled further up, the stack is unwound past this scope
    // without its destructor: the call is then given up on the way, as if it had ended, so the
    // thread is free again and the object is not held for ever.
    template <typename Body> void Run(Body&& body) {
        struct Frame {
            Body* body;
            ProviderCall* call;
        };
        Frame frame{&body, this};
        CallObserved([](void* f) { (*static_cast<Frame*>(f)->body)(); },
                     [](void* f) { static_cast<Frame*>(f)->call->End(); }, &frame);
    }

private:
    // Leaves the provider and lets the object go; idempotent.
    void End();

    // The reference that keeps the object alive while admitted; empty otherwise.
    ComPtr<IUnknown> held_;
    FARPROC entry_ = nullptr;
    // The message list in place before this call's, restored when it ends.
    ProviderMessages* previousMessages_ = nullptr;
    HRESULT status_ = S_OK;
};
