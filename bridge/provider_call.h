// ProviderCall: admission to the provider for one call, and the one table of the provider's
// entry points with the way the bridge calls each.
//
// Every method that reaches the provider is admitted first: one provider call runs at a time on
// a thread, and the object it is made for stays alive until the call has ended. Everything the
// method does while admitted (the conversions made after admission, the provider call, the
// building of its results and the handing over) runs inside one frame of the call's way, so
// that a fault anywhere in it ends the call, and with it the admission:
// - Guarded (CallProviderGuarded, provider_call_guard.h): a fault or a C++ exception becomes
//   E_FAIL, with nothing written, and the object stays usable. The methods with a list, whose
//   length and names are the client's choice (which is where a provider that mishandles its
//   input is most likely to fault), SccAddFromScc, whose list and count are the provider's, and
//   Init's load of the library, which runs the provider's DllMain and must not cost the object
//   its next Init.
// - Observed: a fault goes on to COM's dispatch, which fails the call (RPC_E_SERVERFAULT); the
//   call is ended on the way, as the stack unwinds past it. Every other method: clients are told
//   (docs/errors.md) that a fault there comes back that way, and guarding them would change the
//   answer they get.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <type_traits>
#include <utility>

#include "com_ptr.h"
#include "hresult_error.h"
#include "provider_call_guard.h"
#include "win32_error.h"
#include "wrapper_results.h"

class ProviderMessages;
class ReportedItems;

enum class CallWay { kGuarded, kObserved };

// One entry point of the provider: its exported name and the way the bridge calls it.
struct ProviderEntry {
    const char* name;
    CallWay way;
};

// The table: every entry point the bridge calls, and how.
namespace entry {
constexpr ProviderEntry kInitialize{"SccInitialize", CallWay::kObserved};
constexpr ProviderEntry kUninitialize{"SccUninitialize", CallWay::kObserved};
constexpr ProviderEntry kGetVersion{"SccGetVersion", CallWay::kObserved};
constexpr ProviderEntry kSetOption{"SccSetOption", CallWay::kObserved};
constexpr ProviderEntry kGetCommandOptions{"SccGetCommandOptions", CallWay::kObserved};
constexpr ProviderEntry kOpenProject{"SccOpenProject", CallWay::kObserved};
constexpr ProviderEntry kCloseProject{"SccCloseProject", CallWay::kObserved};
constexpr ProviderEntry kGetProjPath{"SccGetProjPath", CallWay::kObserved};
constexpr ProviderEntry kBeginBatch{"SccBeginBatch", CallWay::kObserved};
constexpr ProviderEntry kEndBatch{"SccEndBatch", CallWay::kObserved};
constexpr ProviderEntry kCheckin{"SccCheckin", CallWay::kGuarded};
constexpr ProviderEntry kCheckout{"SccCheckout", CallWay::kGuarded};
constexpr ProviderEntry kUncheckout{"SccUncheckout", CallWay::kGuarded};
constexpr ProviderEntry kGet{"SccGet", CallWay::kGuarded};
constexpr ProviderEntry kAdd{"SccAdd", CallWay::kGuarded};
constexpr ProviderEntry kQueryInfo{"SccQueryInfo", CallWay::kGuarded};
constexpr ProviderEntry kRemove{"SccRemove", CallWay::kGuarded};
constexpr ProviderEntry kHistory{"SccHistory", CallWay::kGuarded};
constexpr ProviderEntry kRunScc{"SccRunScc", CallWay::kGuarded};
constexpr ProviderEntry kBackgroundGet{"SccBackgroundGet", CallWay::kGuarded};
constexpr ProviderEntry kWillCreateSccFile{"SccWillCreateSccFile", CallWay::kGuarded};
constexpr ProviderEntry kEnumChangedFiles{"SccEnumChangedFiles", CallWay::kGuarded};
constexpr ProviderEntry kDirQueryInfo{"SccDirQueryInfo", CallWay::kGuarded};
constexpr ProviderEntry kPopulateList{"SccPopulateList", CallWay::kGuarded};
constexpr ProviderEntry kQueryChanges{"SccQueryChanges", CallWay::kGuarded};
constexpr ProviderEntry kPopulateDirList{"SccPopulateDirList", CallWay::kGuarded};
constexpr ProviderEntry kAddFromScc{"SccAddFromScc", CallWay::kGuarded};
constexpr ProviderEntry kRename{"SccRename", CallWay::kObserved};
constexpr ProviderEntry kDiff{"SccDiff", CallWay::kObserved};
constexpr ProviderEntry kDirDiff{"SccDirDiff", CallWay::kObserved};
constexpr ProviderEntry kProperties{"SccProperties", CallWay::kObserved};
constexpr ProviderEntry kGetEvents{"SccGetEvents", CallWay::kObserved};
constexpr ProviderEntry kGetExtendedCapabilities{"SccGetExtendedCapabilities", CallWay::kObserved};
constexpr ProviderEntry kCreateSubProject{"SccCreateSubProject", CallWay::kObserved};
constexpr ProviderEntry kGetParentProjectPath{"SccGetParentProjectPath", CallWay::kObserved};
constexpr ProviderEntry kIsMultiCheckoutEnabled{"SccIsMultiCheckoutEnabled", CallWay::kObserved};
constexpr ProviderEntry kGetUserOption{"SccGetUserOption", CallWay::kObserved};
// Init's load of the library: the provider's DllMain.
constexpr ProviderEntry kLoad{nullptr, CallWay::kGuarded};
// TakeMessages, which reaches no provider code but reads what calls collect.
constexpr ProviderEntry kNone{nullptr, CallWay::kGuarded};
} // namespace entry

// Whether a provider call is running on the calling thread. The server's message filter asks it
// before any incoming call is dispatched.
bool ProviderCallInProgress();

// Held for the length of a method. When admitted, it marks the thread as being inside the
// provider and holds a reference to `object`, so that a final release arriving while the
// provider runs (a provider that shows a dialog pumps messages) cannot free the library under
// the provider's own code: the object goes when the call ends instead.
class ProviderCall {
public:
    ProviderCall() = default;
    // Ends the call, if it was admitted.
    ~ProviderCall();

    ProviderCall(const ProviderCall&) = delete;
    ProviderCall& operator=(const ProviderCall&) = delete;

    // Admission, and the lookup of `entry` in `library` (which may be null) afresh at every call
    // (none for entry::kLoad and entry::kNone). While admitted, what the provider writes through
    // the text-output procedure goes to `messages` (when not null). S_OK when the call may go on;
    // otherwise kProviderStackLost, kProviderBusy or kNoProviderEntry (no library bound, or it
    // lacks the entry), in that order. A call refused before the lookup holds nothing.
    HRESULT Admit(IUnknown* object, HMODULE library, const ProviderEntry& entry,
                  ProviderMessages* messages);

    // The entry point found, as the type it is called with; null unless admitted.
    template <typename Fn> Fn entry() const {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(entry_));
    }

    // Runs `body` (HRESULT()) in the frame of the call's way and returns its result: E_FAIL when
    // a guarded body faults; a C++ exception that leaves `body` becomes its HRESULT. An observed
    // body that faults is abandoned: the call is ended on the way, and the fault goes on.
    template <typename Body> HRESULT Run(Body&& body);

    // Makes `reports` what this call's list callbacks fill, and returns the caller data that
    // identifies this call to them, and no other (see ReportedItems::Of). `reports` must live
    // until the call ends.
    void* Collect(ReportedItems* reports);

    // The call admitted on the calling thread, or null.
    static ProviderCall* Current();
    // What the call collects: its messages (null when it keeps none), and the reports whose
    // caller data is `callerData` (null for any other data).
    ProviderMessages* messages() const { return messages_; }
    ReportedItems* ReportsFor(const void* callerData) const;

private:
    // Leaves the provider and lets the object go; idempotent.
    void End();

    template <typename Body> static void RunBody(void* frame);

    // The reference that keeps the object alive while admitted; empty otherwise.
    ComPtr<IUnknown> held_;
    CallWay way_ = CallWay::kGuarded;
    FARPROC entry_ = nullptr;
    ProviderMessages* messages_ = nullptr;
    ReportedItems* reports_ = nullptr;
    void* callerData_ = nullptr;
};

template <typename Body> void ProviderCall::RunBody(void* frame) {
    auto* run = static_cast<std::pair<Body*, HRESULT>*>(frame);
    try {
        run->second = (*run->first)();
    } catch (...) {
        run->second = HResultFromCaughtException();
    }
}

template <typename Body> HRESULT ProviderCall::Run(Body&& body) {
    using Plain = std::remove_reference_t<Body>;
    std::pair<Plain*, HRESULT> frame{&body, E_FAIL};
    if (way_ == CallWay::kGuarded) {
        return CallGuarded(&RunBody<Plain>, &frame) ? frame.second : E_FAIL;
    }
    // When a fault is handled further up, the stack is unwound past this frame without its
    // destructors: the call is then ended on the way, so the thread is free again and the object
    // is not held for ever.
    struct Observed {
        std::pair<Plain*, HRESULT>* frame;
        ProviderCall* call;
    } observed{&frame, this};
    CallObserved([](void* o) { RunBody<Plain>(static_cast<Observed*>(o)->frame); },
                 [](void* o) { static_cast<Observed*>(o)->call->End(); }, &observed);
    return frame.second;
}
