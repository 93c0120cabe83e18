#include "proxy_context.h"

#include <mutex>

#include "server_description.h"
#include "bridge_failure.h"
#include "host_text.h"
#include "provider_values.h"
#include "scoped_resource.h"
#include "scoped_variant.h"

namespace {

// The published contexts. A host names a context by the value SccInitialize gave it; any other
// value (a context already uninitialised, a stray pointer) is refused, never dereferenced.
std::mutex g_contextsLock;
// Never destroyed: a host that unloads the proxy with contexts still open would otherwise have
// their servers released from inside the loader's lock, where a call out of the process may
// deadlock. Their servers are then COM's to clean up, as for a host that ends.
std::vector<std::unique_ptr<ProxyContext>>& g_contexts =
    *new std::vector<std::unique_ptr<ProxyContext>>();

ProxyContext* Published(void* pvContext) {
    for (const std::unique_ptr<ProxyContext>& context : g_contexts) {
        if (context.get() == pvContext) {
            return context.get();
        }
    }
    return nullptr;
}

// Whether the calling thread is in the process's multithreaded apartment (implicitly too).
bool InMultithreadedApartment() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(::CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA;
}

} // namespace

HRESULT ProxyContext::Create(const ProxiedProvider& provider, std::unique_ptr<ProxyContext>* out) {
    std::unique_ptr<ProxyContext> context(new ProxyContext());
    context->com_.reset(new HostThreadCom());
    HRESULT hr = context->com_->Join();
    if (FAILED(hr)) return hr;
    ComPtr<IPlimoWrapper2> object;
    hr = ::CoCreateInstance(WholeInterfaceClass(provider.bits), nullptr, CLSCTX_LOCAL_SERVER,
                            IID_IPlimoWrapper2, object.putVoid());
    if (FAILED(hr)) return hr;
    ScopedBstr path(::SysAllocString(provider.path.c_str()));
    if (!path) return E_OUTOFMEMORY;
    hr = object->Init(path.get());
    if (FAILED(hr)) return hr;
    context->object_ = std::move(object);
    context->homeThread_ = ::GetCurrentThreadId();
    context->homeIsMultithreaded_ = InMultithreadedApartment();
    *out = std::move(context);
    return S_OK;
}

ProxyContext::~ProxyContext() {
    object_.reset(); // before COM leaves the thread, if the context brought it
}

void* ProxyContext::Publish(std::unique_ptr<ProxyContext> context) {
    const std::lock_guard<std::mutex> lock(g_contextsLock);
    g_contexts.push_back(std::move(context));
    return g_contexts.back().get();
}

std::unique_ptr<ProxyContext> ProxyContext::Withdraw(void* pvContext) {
    const std::lock_guard<std::mutex> lock(g_contextsLock);
    for (auto it = g_contexts.begin(); it != g_contexts.end(); ++it) {
        if (it->get() == pvContext) {
            std::unique_ptr<ProxyContext> context = std::move(*it);
            g_contexts.erase(it);
            return context;
        }
    }
    return nullptr;
}

ProxyContext* ProxyContext::Admit(void* pvContext, bool* busy, provider::TextOutProc* textOut) {
    const std::lock_guard<std::mutex> lock(g_contextsLock);
    *busy = false;
    ProxyContext* context = Published(pvContext);
    if (context == nullptr) {
        return nullptr;
    }
    if (context->inCall_.exchange(true)) {
        *busy = true;
        *textOut = context->textOut();
        return nullptr;
    }
    return context;
}

void* ProxyContext::AnyPublished() {
    const std::lock_guard<std::mutex> lock(g_contextsLock);
    for (const std::unique_ptr<ProxyContext>& context : g_contexts) {
        if (!context->gone_) {
            return context.get();
        }
    }
    return nullptr;
}

HRESULT ProxyContext::Object(ComPtr<IPlimoWrapper2>* object) const {
    const bool home =
        homeIsMultithreaded_ ? InMultithreadedApartment() : ::GetCurrentThreadId() == homeThread_;
    if (!home) return RPC_E_WRONG_THREAD;
    *object = ComPtr<IPlimoWrapper2>::Share(object_.get());
    return S_OK;
}

ProxyCall::ProxyCall(void* pvContext, const char* entry) : entry_(entry) {
    bool busy = false;
    provider::TextOutProc textOut = nullptr;
    context_ = ProxyContext::Admit(pvContext, &busy, &textOut);
    admitted_ = context_ != nullptr;
    if (busy) {
        // The context is another call's: only the host's own procedure is told.
        const BridgeFailure failure = BusyFailure(entry_);
        if (textOut != nullptr) {
            textOut(failure.message.c_str(), SCC_MSG_ERROR);
        }
        refusal_ = failure.result;
        return;
    }
    if (context_ == nullptr) {
        refusal_ = SCC_E_NONSPECIFICERROR; // no context of ours: nobody to tell
        return;
    }
    Prepare();
}

ProxyCall::ProxyCall(ProxyContext* owned, const char* entry) : entry_(entry), context_(owned) {
    Prepare();
}

ProxyCall::~ProxyCall() {
    object_.reset();
    if (admitted_) {
        context_->Dismiss();
    }
}

void ProxyCall::Prepare() {
    if (context_->gone()) {
        refusal_ = Refuse(GoneFailure(entry_));
        return;
    }
    HRESULT hr = com_.Join();
    if (SUCCEEDED(hr)) {
        hr = context_->Object(&object_);
    }
    if (FAILED(hr)) {
        object_.reset();
        refusal_ = Refuse(DescribeFailure(entry_, hr));
    }
}

LONG ProxyCall::Refuse(const BridgeFailure& failure) {
    if (failure.serverGone) {
        context_->setGone();
    }
    Tell(failure.message, SCC_MSG_ERROR);
    return failure.result;
}

void ProxyCall::Tell(const std::string& text, DWORD type) const {
    provider::TextOutProc textOut = context_ != nullptr ? context_->textOut() : nullptr;
    if (textOut != nullptr) {
        textOut(text.c_str(), type);
    }
}

LONG ProxyCall::Finish(HRESULT hr, LONG result) {
    if (FAILED(hr)) {
        const BridgeFailure failure = DescribeFailure(entry_, hr);
        if (!failure.serverGone) {
            ReplayMessages(); // what the provider wrote before it failed
        }
        return Refuse(failure);
    }
    ReplayMessages();
    if (hr == S_FALSE) {
        Tell(std::string("PlimoCOMWrapper: ") + entry_ +
                 ": the provider reported more than the server keeps; only the first 100000 "
                 "items were handed on",
             SCC_MSG_WARNING);
    }
    return result;
}

void ProxyCall::ReplayMessages() {
    // Without a procedure of the host's there is no one to hand them to, and the server keeps
    // them only up to its bound: the round trip is saved.
    if (context_->textOut() == nullptr || !object_) {
        return;
    }
    ScopedVariant texts, types;
    LONG count = 0;
    std::vector<std::string> messages;
    std::vector<LONG> kinds;
    if (FAILED(object_->TakeMessages(texts.put(), types.put(), &count)) ||
        FAILED(ReadTexts(texts.get(), &messages)) || FAILED(ReadNumbers(types.get(), &kinds)) ||
        messages.size() != kinds.size()) {
        return;
    }
    for (size_t i = 0; i < messages.size(); ++i) {
        Tell(messages[i], static_cast<DWORD>(kinds[i]));
    }
}
