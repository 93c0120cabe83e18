#include "provider_messages.h"

#include <cstring>
#include <new>

#include "provider_call.h"
#include "returned_arrays.h"

void ProviderMessages::Add(LPCSTR text, DWORD type) {
    // The cancel protocol's messages ask and frame; they carry nothing to show.
    if (dropped_ || type == SCC_MSG_DOCANCEL || type == SCC_MSG_STARTCANCEL ||
        type == SCC_MSG_STOPCANCEL) {
        return;
    }
    const char* kept = text != nullptr ? text : "";
    const size_t length = std::strlen(kept);
    if (length > kMaxKeptMessageBytes - bytes_) {
        dropped_ = true;
        return;
    }
    if (Keep(kept, length, static_cast<LONG>(type))) {
        bytes_ += length;
    }
}

void ProviderMessages::AddNote(const char* text) {
    // The server's few notes do not count against the provider's bytes.
    if (!dropped_) {
        Keep(text, std::strlen(text), static_cast<LONG>(SCC_MSG_WARNING));
    }
}

bool ProviderMessages::Keep(const char* text, size_t length, LONG type) {
    // The last place is kept for the note that says the rest were dropped.
    if (texts_.size() + 1 >= kMaxKeptMessages) {
        dropped_ = true;
        return false;
    }
    try {
        texts_.emplace_back(text, length);
        try {
            types_.push_back(type);
        } catch (const std::bad_alloc&) {
            texts_.pop_back(); // the two lists stay of one length
            throw;
        }
    } catch (const std::bad_alloc&) {
        // The message is lost, not the call: the provider is still told to go on.
        dropped_ = true;
        return false;
    }
    return true;
}

HRESULT ProviderMessages::Make(ScopedVariant* texts, ScopedVariant* types, LONG* count) const {
    const size_t kept = texts_.size();
    const size_t total = kept + (dropped_ ? 1 : 0);
    HRESULT hr = MakeTexts(
        total, [&](size_t i) { return i < kept ? texts_[i].c_str() : kDroppedMessagesNote; },
        texts);
    if (FAILED(hr)) return hr;
    hr = MakeLongs(
        total, [&](size_t i) { return i < kept ? types_[i] : static_cast<LONG>(SCC_MSG_WARNING); },
        types);
    if (FAILED(hr)) return hr;
    *count = static_cast<LONG>(total);
    return S_OK;
}

void ProviderMessages::Clear() {
    texts_.clear();
    types_.clear();
    bytes_ = 0;
    dropped_ = false;
}

LONG __cdecl CollectProviderMessage(LPCSTR lpMessage, DWORD dwMessageType) {
    const ProviderCall* call = ProviderCall::Current();
    if (call != nullptr && call->messages() != nullptr) {
        call->messages()->Add(lpMessage, dwMessageType);
    }
    return SCC_MSG_RTN_OK;
}
