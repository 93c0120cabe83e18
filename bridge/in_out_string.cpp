#include "in_out_string.h"

#include <cstring>

#include "wide_text.h"

namespace {

StringAllocator g_allocator = &::SysAllocString;

} // namespace

StringAllocator SetReturnedStringAllocator(StringAllocator allocator) {
    StringAllocator previous = g_allocator;
    g_allocator = allocator != nullptr ? allocator : &::SysAllocString;
    return previous;
}

namespace in_out_string {

void Load(BSTR entry, char* buffer, size_t capacity) {
    std::memset(buffer, 0, capacity);
    if (entry == nullptr) {
        return;
    }
    NarrowText text = WideToNarrow(entry);
    if (text) {
        std::strncpy(buffer, text.get(), capacity - 1);
    }
}

HRESULT Return(const char* text, BSTR* target) {
    WideText wide = NarrowToWide(text);
    BSTR returned = wide ? g_allocator(wide.get()) : nullptr;
    ::SysFreeString(*target);
    *target = returned;
    return returned != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // namespace in_out_string
