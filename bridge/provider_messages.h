// ProviderMessages: what a provider writes through the text-output procedure the bridge gives it,
// kept in order for the client to take, and the procedure itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "provider_entry_points.h"

// At most this many messages are kept between two takes; the client learns of the rest from one
// last message of its own (kDroppedMessagesNote, a warning) that closes the list.
constexpr size_t kMaxKeptMessages = 10000;
constexpr char kDroppedMessagesNote[] =
    "PlimoCOMWrapper: further messages were dropped: at most 10000 are kept between two takes";

class ProviderMessages {
public:
    // Keeps one message, unless the list is full or it is one of the cancel protocol's; a null
    // text is kept as empty.
    void Add(LPCSTR text, DWORD type);

    // The messages kept so far, oldest first, and their types (one each).
    const std::vector<std::string>& Texts() const { return texts_; }
    const std::vector<LONG>& Types() const { return types_; }

    // Forgets them and starts again.
    void Clear();

private:
    std::vector<std::string> texts_;
    std::vector<LONG> types_;
    bool dropped_ = false;
};

// Makes `messages` (which may be null) the list the text-output procedure writes to on the
// calling thread, and returns the one it replaces.
ProviderMessages* SetCurrentMessages(ProviderMessages* messages);

// The text-output procedure the bridge gives a provider: keeps each message in the list in
// scope on the calling thread (one from any other thread has nowhere to go and is dropped), and
// answers every message, the cancel protocol's included, with "go on".
LONG __cdecl CollectProviderMessage(LPCSTR lpMessage, DWORD dwMessageType);
