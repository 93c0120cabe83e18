#include "provider_messages.h"

#include <new>

namespace {

// Provider calls are made on the thread that serves the object; a test's threads each have their
// own list in scope.
thread_local ProviderMessages* current = nullptr;

} // namespace

void ProviderMessages::Add(LPCSTR text, DWORD type) {
    // The cancel protocol's messages ask and frame; they carry nothing to show.
    if (dropped_ || type == provider::kMessageDoCancel || type == provider::kMessageStartCancel ||
        type == provider::kMessageStopCancel) {
        return;
    }
    // The last place left takes the server's own note instead, and closes the list.
    const bool last = texts_.size() + 1 >= kMaxKeptMessages;
    try {
        texts_.push_back(last ? kDroppedMessagesNote : text != nullptr ? text : "");
        try {
            types_.push_back(static_cast<LONG>(last ? provider::kMessageWarning : type));
        } catch (const std::bad_alloc&) {
            texts_.pop_back(); // the two lists stay of one length
            throw;
        }
    } catch (const std::bad_alloc&) {
        // The message is lost, not the call: the provider is still told to go on.
        dropped_ = true;
        return;
    }
    dropped_ = last;
}

void ProviderMessages::Clear() {
    texts_.clear();
    types_.clear();
    dropped_ = false;
}

ProviderMessages* SetCurrentMessages(ProviderMessages* messages) {
    ProviderMessages* previous = current;
    current = messages;
    return previous;
}

LONG __cdecl CollectProviderMessage(LPCSTR lpMessage, DWORD dwMessageType) {
    if (current != nullptr) {
        current->Add(lpMessage, dwMessageType);
    }
    return provider::kMessageReturnOk;
}
