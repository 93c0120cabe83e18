// The text conversions between the client's wide strings and the provider's narrow text in the
// calling thread's ANSI code page.
#pragma once

#include <windows.h>

#include <memory>

#include "win32_error.h"

// Narrow text owned by the caller; null when there is none.
using NarrowText = std::unique_ptr<char[]>;
// Wide text owned by the caller; null when there is none.
using WideText = std::unique_ptr<wchar_t[]>;

// Texts longer than this many units (terminator included) are not converted: twice the length
// must still fit in the int the platform's conversions count in.
constexpr size_t kMaxConvertedLength = 0x3FFFFFFF;

// A text the code page cannot convert under the rule asked, or one too long to convert.
constexpr HRESULT kUntranslatable = HResultFromWin32(ERROR_NO_UNICODE_TRANSLATION);

// How text reaches the provider in the code page. No conversion ever turns a character into a
// look-alike (the platform's best fit), which could make a separator, a dot or a quote of it.
enum class TextRule {
    // Names (files, folders, projects, users): exact or refused, since a name with the code page's
    // default character in it ('?', a wildcard) would name something else.
    kExact,
    // Free text (a comment, the caller's name): a character the code page lacks becomes its
    // default character, as it always has.
    kFreeText,
};

// Converts the NUL-terminated `text` into `codePage` under `rule`. S_OK with the text;
// kUntranslatable with null when the text is too long or the rule refuses a character;
// E_OUTOFMEMORY with null when no storage can be had. The text is read up to its first NUL.
HRESULT ConvertToNarrow(UINT codePage, const wchar_t* text, NarrowText* result,
                        TextRule rule = TextRule::kExact);

// Converts the `length` units of `text` (which hold no NUL) into `buffer` of `size` bytes under
// `rule`, where it stays NUL-terminated. When it does not fit for lack of room alone, the whole
// conversion goes to *larger instead (owned by the caller). S_OK either way; kUntranslatable
// when the rule refuses a character or the text is longer than kMaxConvertedLength (buffer then
// empty); E_OUTOFMEMORY.
HRESULT ConvertToNarrowIn(UINT codePage, const wchar_t* text, size_t length, char* buffer,
                          size_t size, NarrowText* larger, TextRule rule = TextRule::kExact);
// The same for the NUL-terminated `text`, whose length it reads first.
HRESULT ConvertToNarrowIn(UINT codePage, const wchar_t* text, char* buffer, size_t size,
                          NarrowText* larger, TextRule rule = TextRule::kExact);

// Converts the NUL-terminated narrow `text` from `codePage`; results as for ConvertToNarrow.
HRESULT ConvertToWide(UINT codePage, const char* text, WideText* result);

// `s` in the calling thread's ANSI code page, as a text argument of the provider under `rule`:
// S_OK, with null for a null `s`; E_INVALIDARG, with null, when the rule refuses a character of
// `s` (or it is too long to convert); E_OUTOFMEMORY.
HRESULT WideToNarrow(const wchar_t* s, NarrowText* result, TextRule rule = TextRule::kExact);

// The narrow text `t` of the calling thread's ANSI code page as wide text, or null when it
// cannot be converted.
WideText NarrowToWide(const char* t);
