// The serving thread's message filter: while a provider call is in progress, calls to the
// object's interfaces are answered "retry later" instead of being dispatched into it.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "class_table.h"
#include "com_ptr.h"
#include "provider_call.h"
#include "scoped_resource.h"

// A provider may pump messages while it runs (a dialog does), and every incoming call is a
// message on the serving thread: without the filter it would be dispatched into the object in
// the middle of the provider's call. COM's own calls (reference counting, interface queries, the
// class factory) go through, so a final release cannot be held up; the object holds itself alive
// across the provider call. A client with a message filter of its own retries by itself; one
// without receives the busy failure.
class BusyMessageFilter final : public IMessageFilter {
public:
    // Turns away calls to every interface the objects of `classes` answer (which the caller keeps
    // alive) while `providerBusy` says a provider call is in progress on the serving thread.
    explicit BusyMessageFilter(const ClassTable& classes,
                               bool (*providerBusy)() = &ProviderCallInProgress)
        : classes_(classes), providerBusy_(providerBusy) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    // The filter outlives its installation (ScopedMessageFilter): COM's counts need no effect.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               LPINTERFACEINFO interfaceInfo) override;
    // The server makes no outgoing calls of its own, so these are never asked in practice: a
    // rejected call is not retried and pending messages are handled as COM does by default.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount,
                                              DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount,
                                           DWORD pendingType) override;

private:
    const ClassTable& classes_;
    bool (*providerBusy_)();
};

// Installs `filter` on the calling thread (a single-threaded apartment) for the owner's scope and
// puts back the one it replaced. Where the platform refuses the filter, the thread serves without
// it and nothing is put back.
class ScopedMessageFilter {
public:
    explicit ScopedMessageFilter(IMessageFilter* filter);
    ~ScopedMessageFilter();
    ScopedMessageFilter(const ScopedMessageFilter&) = delete;
    ScopedMessageFilter& operator=(const ScopedMessageFilter&) = delete;

private:
    ComPtr<IMessageFilter> previous_;
    bool installed_;
};
