// Splits the expanded text of a registry script into its tokens: runs of non-blank characters,
// or quoted stretches in which blanks are ordinary characters.
#pragma once

#include <windows.h>

#include <string>

// Reads tokens one after another from a NUL-terminated text, which must outlive the tokenizer.
// A position taken with Position() can be returned to with Rewind(), so that a block can be read
// a second time.
class RegScriptTokenizer {
public:
    // Longest token, quotes removed.
    static constexpr size_t kMaxTokenLength = 4094;

    explicit RegScriptTokenizer(LPCWSTR text) : cursor_(text) {}

    // Reads the next token into *token. A token that opens with a single quote ends at the next
    // lone quote, and a doubled quote inside it stands for one; any other token ends at a blank
    // or the end of the text. DISP_E_EXCEPTION, *token unspecified, when only blanks remain, a
    // quoted token is not closed, or the token is longer than kMaxTokenLength.
    HRESULT Next(std::wstring* token);

    // Steps past blanks and tells whether the text ends there.
    bool AtEnd();

    LPCWSTR Position() const { return cursor_; }
    void Rewind(LPCWSTR position) { cursor_ = position; }

private:
    void SkipBlanks();

    LPCWSTR cursor_;
};
