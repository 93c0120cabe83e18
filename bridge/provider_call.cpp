#include "provider_call.h"

namespace {

// Provider calls are made on the thread that serves the object; a test's threads each count
// their own.
thread_local int callsInProgress = 0;

} // namespace

bool ProviderCallInProgress() {
    return callsInProgress != 0;
}

ProviderCall::ProviderCall(IUnknown* object) {
    if (!ProviderStackUsable()) {
        status_ = kProviderStackLost;
        return;
    }
    if (callsInProgress != 0) {
        status_ = kProviderBusy;
        return;
    }
    ++callsInProgress;
    held_ = ComPtr<IUnknown>::Share(object);
}

ProviderCall::ProviderCall(IUnknown* object, HMODULE library, const char* name,
                           ProviderMessages* messages)
    : ProviderCall(object) {
    if (FAILED(status_)) return;
    previousMessages_ = SetCurrentMessages(messages);
    entry_ = library != nullptr ? ::GetProcAddress(library, name) : nullptr;
    if (entry_ == nullptr) {
        status_ = kNoProviderEntry;
    }
}

ProviderCall::~ProviderCall() {
    // Only a call that returned gets here (an abandoned one is ended on the way up): its stack
    // has unwound, so a guard page an overflow used up meanwhile can be put back now. One that
    // was abandoned is seen to at the next admission.
    End();
    ProviderStackUsable();
}

void ProviderCall::End() {
    if (!held_) {
        return;
    }
    --callsInProgress;
    SetCurrentMessages(previousMessages_);
    // Last, and possibly the object's final release: nothing of the object is touched after it.
    // reset() empties the pointer before releasing, so a second End does nothing.
    held_.reset();
}
