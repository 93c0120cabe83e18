// ProviderMessages: what a provider writes through the text-output procedure the bridge gives it,
// kept in order for the client to take, with the server's own notes; and the procedure itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "provider_entry_points.h"
#include "scoped_variant.h"

// At most this many messages, and this many bytes of their texts, are kept between two takes:
// room for a long history or diff written as one message, never enough to exhaust the server.
// A message that does not fit is dropped, and so is every later one until the take; the client
// learns of it from one last message of the server's own (kDroppedMessagesNote, a warning),
// which counts among the messages kept.
constexpr size_t kMaxKeptMessages = 10000;
constexpr size_t kMaxKeptMessageBytes = 16 * 1024 * 1024;
constexpr char kDroppedMessagesNote[] =
    "PlimoCOMWrapper: further messages were dropped: at most 10000 messages and 16 MB are kept "
    "between two takes";

class ProviderMessages {
public:
    // Keeps one message of the provider's, unless it is one of the cancel protocol's or it does
    // not fit; a null text is kept as empty. Never fails: a message that cannot be kept is
    // dropped, and the take says so.
    void Add(LPCSTR text, DWORD type);
    // Keeps one message of the server's own, a warning, as the provider's are kept.
    void AddNote(const char* text);

    // Makes the messages kept so far, oldest first, into the arrays the client takes (their texts
    // and their types) and their count; then they are the client's to hand over. Nothing is
    // forgotten until Clear.
    HRESULT Make(ScopedVariant* texts, ScopedVariant* types, LONG* count) const;
    // Forgets them and starts again.
    void Clear();

private:
    // Keeps `length` bytes of `text`; false when it was dropped.
    bool Keep(const char* text, size_t length, LONG type);

    std::vector<std::string> texts_;
    std::vector<LONG> types_;
    size_t bytes_ = 0;
    bool dropped_ = false;
};

// The text-output procedure the bridge gives a provider: keeps each message in the messages of
// the call admitted on the calling thread (one from any other thread, or written outside any
// call, has nowhere to go and is dropped), and answers every message, the cancel protocol's
// included, with "go on".
LONG __cdecl CollectProviderMessage(LPCSTR lpMessage, DWORD dwMessageType);
