// The in/out string buffer: a fixed narrow buffer that carries one [in, out] BSTR to the
// provider and back, for the length of one call.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

#include "wide_text.h"

// Allocates the strings handed back to the client: SysAllocString unless a test has put
// something else in its place.
using StringAllocator = BSTR(WINAPI*)(const OLECHAR* text);

// Replaces the allocator of returned strings and gives the one it replaces; null restores
// SysAllocString. Only tests call it, to make an allocation fail.
StringAllocator SetReturnedStringAllocator(StringAllocator allocator);

// A new string for the client, from the allocator in place; null when it cannot be allocated.
BSTR AllocateReturnedString(const OLECHAR* text);

namespace in_out_string {

// Zero-fills `buffer` (`capacity` bytes) and loads at most capacity - 1 bytes of the narrow form
// of `entry` into it under `rule`, cut wherever that falls. A null entry leaves it empty.
// E_INVALIDARG, with the buffer empty, when the rule refuses a character of the entry;
// E_OUTOFMEMORY.
HRESULT Load(BSTR entry, char* buffer, size_t capacity, TextRule rule);

// Hands the NUL-terminated `text` back through `*target`: a new string replaces the entry string,
// which is released. When the new string cannot be allocated, *target becomes null (the entry
// string is still released) and the result is E_OUTOFMEMORY.
HRESULT Return(const char* text, BSTR* target);

} // namespace in_out_string

// One in/out string buffer of `Capacity` bytes, terminator included: what the provider is told it
// may fill. A guard byte beyond the capacity is always NUL, so a provider that fills the buffer
// without terminating it still leaves text that ends within the buffer.
template <size_t Capacity> class InOutString {
public:
    InOutString() { text_[Capacity] = '\0'; }

    InOutString(const InOutString&) = delete;
    InOutString& operator=(const InOutString&) = delete;

    // Loads the client's entry text under `rule`; `entry` stays the client's until Return. S_OK,
    // or why the call must not go on: E_INVALIDARG (a text the rule refuses) or E_OUTOFMEMORY.
    HRESULT Load(BSTR entry, TextRule rule = TextRule::kExact) {
        return in_out_string::Load(entry, text_, Capacity, rule);
    }

    // The buffer the provider reads and rewrites.
    char* get() { return text_; }

    // Replaces *target (the entry string, released here) with a new string of the buffer's
    // text; E_OUTOFMEMORY with *target null when that cannot be allocated.
    HRESULT Return(BSTR* target) {
        text_[Capacity] = '\0'; // even if the provider wrote past the capacity
        return in_out_string::Return(text_, target);
    }

private:
    char text_[Capacity + 1] = {};
};
