// One context that SccInitialize hands a host: the IPlimoWrapper2 object in the server of the
// real provider's width, the host's text-output procedure, and the rule of one call at a time.
// ProxyCall is one entry's use of a context, from admission to the replay of the provider's
// messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "PlimoCOMWrapper2.h"
#include "com_ptr.h"
#include "host_thread_com.h"
#include "provider_entry_points.h"
#include "proxied_provider.h"

class ProxyContext {
public:
    // Activates the server of `provider`'s width on this thread (initialising COM here first
    // when the host has not) and binds the provider with Init. On failure *out is empty and
    // nothing is left behind: no COM initialisation, no server.
    static HRESULT Create(const ProxiedProvider& provider, std::unique_ptr<ProxyContext>* out);
    // Releases the object, so that its server exits, and uninitialises COM when Create
    // initialised it and this is the thread it did it on.
    ~ProxyContext();
    ProxyContext(const ProxyContext&) = delete;
    ProxyContext& operator=(const ProxyContext&) = delete;

    // Makes `context` one the host may name, and hands back the value the host gets.
    static void* Publish(std::unique_ptr<ProxyContext> context);
    // Takes the published context `pvContext` back from the hosts' reach; it must have been
    // admitted (see Admit) by the caller. Null when it is no published context.
    static std::unique_ptr<ProxyContext> Withdraw(void* pvContext);
    // Admits one call on the published context `pvContext`: the context; or null with *busy set
    // when a call on it is in progress (and *textOut its host's text-output procedure, to tell
    // why); or null when no published context has that value.
    static ProxyContext* Admit(void* pvContext, bool* busy, provider::TextOutProc* textOut);
    // Some published context whose server is not known to be gone, for a question any of them
    // answers (they all run the same provider); null when there is none.
    static void* AnyPublished();
    // Ends the call that Admit admitted.
    void Dismiss() { inCall_.store(false); }

    // The object, for a call from the apartment it was made in: any thread of the process's
    // multithreaded apartment when it was made there, else the thread that made it.
    // RPC_E_WRONG_THREAD from any other apartment.
    HRESULT Object(ComPtr<IPlimoWrapper2>* object) const;

    // The host's text-output procedure (null: none), given at SccOpenProject.
    provider::TextOutProc textOut() const { return textOut_.load(); }
    void setTextOut(provider::TextOutProc textOut) { textOut_.store(textOut); }
    // The server was found gone: every later call fails at once.
    bool gone() const { return gone_; }
    void setGone() { gone_ = true; }
    // SccAddFromScc's list, held for the host until it asks for it to be freed.
    std::vector<std::string>& addFromSccNames() { return addFromSccNames_; }
    std::vector<const char*>& addFromSccList() { return addFromSccList_; }

private:
    ProxyContext() = default;

    std::unique_ptr<HostThreadCom> com_; // for the context's whole life
    ComPtr<IPlimoWrapper2> object_;      // its last reference: releasing it ends the server
    DWORD homeThread_ = 0;
    bool homeIsMultithreaded_ = false;
    std::atomic<bool> inCall_{false};
    std::atomic<bool> gone_{false};
    // Read by a call refused as busy while the admitted call may set it.
    std::atomic<provider::TextOutProc> textOut_{nullptr};
    std::vector<std::string> addFromSccNames_;
    std::vector<const char*> addFromSccList_;
};

// One entry's use of a context: admission (refused while another call on it runs), COM on the
// calling thread for the call when the host has none there, the object, and at the end the
// provider's messages replayed to the host or the bridge's failure reported.
class ProxyCall {
public:
    // Admits a call of `entry` on `pvContext`.
    ProxyCall(void* pvContext, const char* entry);
    // A call on a context made for this one call (SccGetVersion before any SccInitialize).
    ProxyCall(ProxyContext* owned, const char* entry);
    ~ProxyCall();
    ProxyCall(const ProxyCall&) = delete;
    ProxyCall& operator=(const ProxyCall&) = delete;

    // Whether the call may go ahead; if not, refusal() is what the entry returns.
    bool ready() const { return object_.get() != nullptr; }
    // Whether the call holds its context (it may still not be ready: a server found gone).
    bool admitted() const { return admitted_; }
    LONG refusal() const { return refusal_; }
    IPlimoWrapper2* object() const { return object_.get(); }
    ProxyContext& context() const { return *context_; }

    // Ends the call that returned `hr` and, when it reached the provider, `result`: replays the
    // provider's messages to the host and gives `result`; or reports the bridge's failure to the
    // host and gives its SCC_E_* result.
    LONG Finish(HRESULT hr, LONG result);

    // Writes `text` to the host's text-output procedure, if it gave one.
    void Tell(const std::string& text, DWORD type) const;

private:
    void Prepare();
    LONG Refuse(const struct BridgeFailure& failure);
    void ReplayMessages();

    const char* entry_;
    ProxyContext* context_ = nullptr;
    bool admitted_ = false;
    HostThreadCom com_; // for this call, on a thread where the host has no COM
    ComPtr<IPlimoWrapper2> object_;
    LONG refusal_ = 0;
};
