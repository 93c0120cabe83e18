// The host's narrow texts and lists as the interface takes them (BSTRs, safe arrays), and the
// interface's answers written back into the host's own buffers and arrays. Texts are in the
// ANSI code page, the provider interface's own.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "array_view.h"
#include "scoped_resource.h"

// The most names one list may hold: more is no host's list but a wrong count.
constexpr LONG kMaxHostNames = 1000000;

// The host's `text` as a new BSTR in *out, reading at most `limit` bytes (a buffer's size: its
// text may lack a terminator). A null text gives a null BSTR when `keepNull`, else an empty one.
HRESULT BstrFromHost(const char* text, size_t limit, bool keepNull, ScopedBstr* out);

// Writes `text` into the host's buffer of `size` bytes, terminated, cut where it does not fit
// (never inside a double-byte character). A null buffer is left alone.
void CopyToHost(BSTR text, char* buffer, size_t size);

// The host's `count` names as a zero-based VT_BSTR array. E_POINTER (the host's argument, not the
// server's refusal) for a negative count, one beyond kMaxHostNames, or a null list with names; a
// null name becomes an empty one.
HRESULT NameArray(LONG count, const char* const* names, ScopedSafeArray* out);

// One LONG a name (SccAdd's options): a zero-based VT_I4 array; a null list gives zeros.
HRESULT NumberArray(LONG count, const LONG* numbers, ScopedSafeArray* out);

// The numbers of an array the server returned: VT_ARRAY | VT_I4, or VT_ARRAY | VT_VARIANT of
// VT_I4 or VT_BOOL elements (a yes as 1). E_UNEXPECTED for any other shape.
HRESULT ReadNumbers(const VARIANT& value, std::vector<LONG>* numbers);

// The texts of an array the server returned (VT_ARRAY | VT_VARIANT of VT_BSTR, or
// VT_ARRAY | VT_BSTR), in the ANSI code page. E_UNEXPECTED for any other shape.
HRESULT ReadTexts(const VARIANT& value, std::vector<std::string>* texts);

// `text` in the ANSI code page.
std::string NarrowText(const wchar_t* text, size_t length);

// A BSTR for an [in, out] BSTR* parameter: owned here before and after the call, while the call
// frees the string it was given and leaves its answer in `value`.
struct InOutBstr {
    InOutBstr() = default;
    ~InOutBstr() { ::SysFreeString(value); }
    InOutBstr(const InOutBstr&) = delete;
    InOutBstr& operator=(const InOutBstr&) = delete;
    BSTR value = nullptr;
};

// One [in, out] text buffer of the host's: read as the call's input (at most `size` bytes) and
// written back, cut to fit, after the call.
class HostInOutText {
public:
    HostInOutText(char* buffer, size_t size) : buffer_(buffer), size_(size) {}
    HRESULT Read() {
        ScopedBstr text;
        HRESULT hr = BstrFromHost(buffer_, size_, false, &text);
        if (FAILED(hr)) return hr;
        text_.value = text.release(); // the slot owns it from here on
        return S_OK;
    }
    BSTR* slot() { return &text_.value; }
    void Write() const { CopyToHost(text_.value, buffer_, size_); }

private:
    char* buffer_;
    size_t size_;
    InOutBstr text_;
};
