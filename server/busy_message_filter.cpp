#include "busy_message_filter.h"

HRESULT STDMETHODCALLTYPE BusyMessageFilter::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IMessageFilter) {
        *ppv = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD,
                                                              LPINTERFACEINFO interfaceInfo) {
    if (!providerBusy_() || interfaceInfo == nullptr) {
        return SERVERCALL_ISHANDLED;
    }
    return classes_.AnswersInterface(interfaceInfo->iid) ? SERVERCALL_RETRYLATER
                                                         : SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::RetryRejectedCall(HTASK, DWORD, DWORD) {
    return static_cast<DWORD>(-1);
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITDEFPROCESS;
}

ScopedMessageFilter::ScopedMessageFilter(IMessageFilter* filter)
    : installed_(SUCCEEDED(::CoRegisterMessageFilter(filter, previous_.put()))) {}

ScopedMessageFilter::~ScopedMessageFilter() {
    if (!installed_) return;
    ComPtr<IMessageFilter> ours;
    ::CoRegisterMessageFilter(previous_.get(), ours.put());
}
