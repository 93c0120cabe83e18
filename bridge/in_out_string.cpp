#include "in_out_string.h"

#include <cstring>
#include <cwchar>

#include "wide_text.h"

namespace {

StringAllocator g_allocator = &::SysAllocString;

// Texts this short, which in/out strings nearly always are, are converted on the stack rather
// than in a block of their own.
constexpr size_t kLocalBytes = 1024;
constexpr size_t kLocalUnits = 512;

} // namespace

StringAllocator SetReturnedStringAllocator(StringAllocator allocator) {
    StringAllocator previous = g_allocator;
    g_allocator = allocator != nullptr ? allocator : &::SysAllocString;
    return previous;
}

BSTR AllocateReturnedString(const OLECHAR* text) {
    return g_allocator(text);
}

namespace in_out_string {

HRESULT Load(BSTR entry, char* buffer, size_t capacity, TextRule rule) {
    std::memset(buffer, 0, capacity);
    if (entry == nullptr) {
        return S_OK;
    }
    char local[kLocalBytes];
    NarrowText larger;
    const HRESULT hr = ConvertToNarrowIn(CP_THREAD_ACP, entry, local, kLocalBytes, &larger, rule);
    if (hr == E_OUTOFMEMORY) return hr;
    if (FAILED(hr)) return E_INVALIDARG;
    std::strncpy(buffer, larger ? larger.get() : local, capacity - 1);
    return S_OK;
}

HRESULT Return(const char* text, BSTR* target) {
    BSTR returned = nullptr;
    // A byte never makes more than one unit.
    if (std::strlen(text) + 1 <= kLocalUnits) {
        wchar_t local[kLocalUnits];
        if (::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, local, kLocalUnits) != 0) {
            returned = g_allocator(local);
        }
    } else {
        WideText wide = NarrowToWide(text);
        returned = wide ? g_allocator(wide.get()) : nullptr;
    }
    ::SysFreeString(*target);
    *target = returned;
    return returned != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // namespace in_out_string
