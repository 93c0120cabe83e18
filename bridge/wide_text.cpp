#include "wide_text.h"

#include <cstring>
#include <cwchar>
#include <new>

// Each conversion first tries a buffer of the size the classic rule gives: twice the units for
// narrow text, as many units as bytes for wide text. That is enough for every single- and
// double-byte code page, but not where one unit can need three bytes (UTF-8 as the system code
// page), so a conversion that runs out of room asks the platform for the size it needs and
// converts again. A text the code page can express thus always converts whole.
namespace {

template <typename Char> std::unique_ptr<Char[]> Allocate(size_t count) {
    std::unique_ptr<Char[]> buffer(new (std::nothrow) Char[count]);
    if (buffer) {
        buffer[0] = Char{};
    }
    return buffer;
}

int Widen(UINT codePage, const char* text, wchar_t* buffer, int size) {
    return ::MultiByteToWideChar(codePage, 0, text, -1, buffer, size);
}

// Converts `text` of `length` units (terminator included) with `convert`, first into `first`
// elements of the output.
template <typename Out, typename In, typename Converter>
HRESULT Convert(UINT codePage, const In* text, size_t length, size_t first, Converter convert,
                std::unique_ptr<Out[]>* result) {
    result->reset();
    if (length > kMaxConvertedLength) {
        return kUntranslatable;
    }
    std::unique_ptr<Out[]> buffer = Allocate<Out>(first);
    if (!buffer) {
        return E_OUTOFMEMORY;
    }
    if (convert(codePage, text, buffer.get(), static_cast<int>(first)) != 0) {
        *result = std::move(buffer);
        return S_OK;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return kUntranslatable;
    }
    int needed = convert(codePage, text, nullptr, 0);
    if (needed <= 0) {
        return kUntranslatable;
    }
    buffer = Allocate<Out>(static_cast<size_t>(needed));
    if (!buffer) {
        return E_OUTOFMEMORY;
    }
    if (convert(codePage, text, buffer.get(), needed) == 0) {
        return kUntranslatable;
    }
    *result = std::move(buffer);
    return S_OK;
}

// WideCharToMultiByte for `length` units of `text` (-1: up to and with its NUL) under `rule`: the
// bytes written (or needed, when `size` is 0), or 0 with the last error set. A character the
// rule refuses fails it with ERROR_NO_UNICODE_TRANSLATION. The platform's own way of answering
// stays in this file; everything outside it gets an HRESULT.
int NarrowByRule(TextRule rule, UINT codePage, const wchar_t* text, int length, char* buffer,
                 int size) {
    // No best fit: fullwidth and other look-alike forms would become separators, dots and quotes
    // (U+FF3C to '\\' under code page 1252), and a name would then point somewhere else.
    BOOL usedDefault = FALSE;
    int written = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, buffer, size,
                                        nullptr, rule == TextRule::kExact ? &usedDefault : nullptr);
    DWORD error = written == 0 ? ::GetLastError() : ERROR_SUCCESS;
    if (error == ERROR_INVALID_FLAGS || error == ERROR_INVALID_PARAMETER) {
        // UTF-8 (and UTF-7) take neither the flag nor a default character: every character has
        // its exact form there, and only a lone surrogate has none, which the platform refuses in
        // a name and replaces in free text.
        const DWORD strict = rule == TextRule::kExact ? WC_ERR_INVALID_CHARS : 0;
        written =
            ::WideCharToMultiByte(codePage, strict, text, length, buffer, size, nullptr, nullptr);
        error = written == 0 ? ::GetLastError() : ERROR_SUCCESS;
        if (error == ERROR_INVALID_FLAGS) {
            written =
                ::WideCharToMultiByte(codePage, 0, text, length, buffer, size, nullptr, nullptr);
            error = written == 0 ? ::GetLastError() : ERROR_SUCCESS;
        }
    }
    if (usedDefault) {
        // A character without an exact form: nothing of it is handed on.
        if (buffer != nullptr && size > 0) {
            buffer[0] = '\0';
        }
        ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    ::SetLastError(error);
    return written;
}

} // namespace

HRESULT ConvertToNarrow(UINT codePage, const wchar_t* text, NarrowText* result, TextRule rule) {
    size_t length = std::wcslen(text) + 1;
    const auto narrow = [rule](UINT page, const wchar_t* wide, char* buffer, int size) {
        return NarrowByRule(rule, page, wide, -1, buffer, size);
    };
    return Convert<char>(codePage, text, length, 2 * length, narrow, result);
}

HRESULT ConvertToNarrowIn(UINT codePage, const wchar_t* text, size_t length, char* buffer,
                          size_t size, NarrowText* larger, TextRule rule) {
    larger->reset();
    buffer[0] = '\0';
    if (length == 0) {
        return S_OK;
    }
    if (length > kMaxConvertedLength) {
        return kUntranslatable;
    }
    // The length is known, so the platform converts without looking for the terminator, and the
    // buffer keeps a byte for it (a buffer with room for the terminator alone holds no text).
    if (size > 1) {
        const int written = NarrowByRule(rule, codePage, text, static_cast<int>(length), buffer,
                                         static_cast<int>(size - 1));
        if (written != 0) {
            buffer[written] = '\0';
            return S_OK;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            buffer[0] = '\0';
            return kUntranslatable;
        }
        buffer[0] = '\0';
    }
    const int needed = NarrowByRule(rule, codePage, text, static_cast<int>(length), nullptr, 0);
    if (needed <= 0) {
        return kUntranslatable;
    }
    NarrowText whole = Allocate<char>(static_cast<size_t>(needed) + 1);
    if (!whole) {
        return E_OUTOFMEMORY;
    }
    if (NarrowByRule(rule, codePage, text, static_cast<int>(length), whole.get(), needed) !=
        needed) {
        return kUntranslatable;
    }
    whole[needed] = '\0';
    *larger = std::move(whole);
    return S_OK;
}

HRESULT ConvertToNarrowIn(UINT codePage, const wchar_t* text, char* buffer, size_t size,
                          NarrowText* larger, TextRule rule) {
    return ConvertToNarrowIn(codePage, text, std::wcslen(text), buffer, size, larger, rule);
}

HRESULT ConvertToWide(UINT codePage, const char* text, WideText* result) {
    size_t length = std::strlen(text) + 1;
    return Convert<wchar_t>(codePage, text, length, length, Widen, result);
}

HRESULT WideToNarrow(const wchar_t* s, NarrowText* result, TextRule rule) {
    result->reset();
    if (s == nullptr) {
        return S_OK;
    }
    const HRESULT hr = ConvertToNarrow(CP_THREAD_ACP, s, result, rule);
    return hr == kUntranslatable ? E_INVALIDARG : hr;
}

WideText NarrowToWide(const char* t) {
    WideText text;
    if (t != nullptr) {
        ConvertToWide(CP_THREAD_ACP, t, &text);
    }
    return text;
}
