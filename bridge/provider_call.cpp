#include "provider_call.h"

#include "provider_messages.h"

namespace {

// Provider calls are made on the thread that serves the object; a test's threads each have their
// own call in progress.
thread_local ProviderCall* current = nullptr;

// The caller data of the calls, one number each, never null. Only ever compared, never followed:
// a provider that hands back data of another call, or any other value, reaches nothing.
LONG lastCallerData = 0;

void* NextCallerData() {
    LONG next = ::InterlockedIncrement(&lastCallerData);
    if (next == 0) {
        next = ::InterlockedIncrement(&lastCallerData);
    }
    return reinterpret_cast<void*>(static_cast<ULONG_PTR>(static_cast<ULONG>(next)));
}

} // namespace

bool ProviderCallInProgress() {
    return current != nullptr;
}

HRESULT ProviderCall::Admit(IUnknown* object, HMODULE library, const ProviderEntry& entry,
                            ProviderMessages* messages) {
    if (!ProviderStackUsable()) {
        return kProviderStackLost;
    }
    if (current != nullptr) {
        return kProviderBusy;
    }
    current = this;
    way_ = entry.way;
    messages_ = messages;
    held_ = ComPtr<IUnknown>::Share(object);
    if (entry.name == nullptr) {
        return S_OK;
    }
    entry_ = library != nullptr ? ::GetProcAddress(library, entry.name) : nullptr;
    return entry_ != nullptr ? S_OK : kNoProviderEntry;
}

ProviderCall::~ProviderCall() {
    // Only a call that returned gets here (an abandoned one is ended on the way up): its stack
    // has unwound, so a guard page an overflow used up meanwhile can be put back now. One that
    // was abandoned is seen to at the next admission.
    End();
    ProviderStackUsable();
}

void ProviderCall::End() {
    if (current != this) {
        return;
    }
    current = nullptr;
    reports_ = nullptr;
    // Last, and possibly the object's final release: nothing of the object is touched after it.
    held_.reset();
}

void* ProviderCall::Collect(ReportedItems* reports) {
    reports_ = reports;
    callerData_ = NextCallerData();
    return callerData_;
}

ProviderCall* ProviderCall::Current() {
    return current;
}

ReportedItems* ProviderCall::ReportsFor(const void* callerData) const {
    return reports_ != nullptr && callerData == callerData_ ? reports_ : nullptr;
}
