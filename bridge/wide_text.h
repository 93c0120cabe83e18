// The text conversions between the client's wide strings and the provider's narrow text in the
// calling thread's ANSI code page.
#pragma once

#include <windows.h>

#include <memory>

// Narrow text owned by the caller; null when there is none.
using NarrowText = std::unique_ptr<char[]>;
// Wide text owned by the caller; null when there is none.
using WideText = std::unique_ptr<wchar_t[]>;

// Texts longer than this many units (terminator included) are not converted: twice the length
// must still fit in the int the platform's conversions count in.
constexpr size_t kMaxConvertedLength = 0x3FFFFFFF;

// Converts the NUL-terminated `text` into `codePage`, characters the code page lacks becoming
// its default character. S_OK with the text; S_FALSE with null when the text is too long or the
// code page cannot convert it; E_OUTOFMEMORY with null when no storage can be had. The text is
// read up to its first NUL.
HRESULT ConvertToNarrow(UINT codePage, const wchar_t* text, NarrowText* result);

// Converts the `length` units of `text` (which hold no NUL; at most kMaxConvertedLength) into
// `buffer` of `size` bytes, where it stays NUL-terminated. When it does
// not fit for lack of room alone, the whole conversion goes to *larger instead (owned by the
// caller). S_OK either way; S_FALSE when the code page cannot convert the text (buffer then
// empty); E_OUTOFMEMORY.
HRESULT ConvertToNarrowIn(UINT codePage, const wchar_t* text, size_t length, char* buffer,
                          size_t size, NarrowText* larger);
// The same for the NUL-terminated `text`, whose length it reads first.
HRESULT ConvertToNarrowIn(UINT codePage, const wchar_t* text, char* buffer, size_t size,
                          NarrowText* larger);

// Converts the NUL-terminated narrow `text` from `codePage`; results as for ConvertToNarrow.
HRESULT ConvertToWide(UINT codePage, const char* text, WideText* result);

// `s` in the calling thread's ANSI code page, or null when `s` is null or cannot be converted.
NarrowText WideToNarrow(const wchar_t* s);

// The narrow text `t` of the calling thread's ANSI code page as wide text, or null when it
// cannot be converted.
WideText NarrowToWide(const char* t);
