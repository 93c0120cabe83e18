// Splitting a registry script into tokens.
#include "reg_script_tokenizer.h"

namespace {

bool IsBlank(wchar_t c) {
    return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
}

} // namespace

void RegScriptTokenizer::SkipBlanks() {
    while (IsBlank(*cursor_)) {
        cursor_ = ::CharNextW(cursor_);
    }
}

bool RegScriptTokenizer::AtEnd() {
    SkipBlanks();
    return *cursor_ == L'\0';
}

HRESULT RegScriptTokenizer::Next(std::wstring* token) {
    SkipBlanks();
    if (*cursor_ == L'\0') {
        return DISP_E_EXCEPTION;
    }

    token->clear();
    // Copies the character at the cursor, of one or more units, and steps past it.
    auto copyCharacter = [&]() {
        LPCWSTR const next = ::CharNextW(cursor_);
        const size_t units = static_cast<size_t>(next - cursor_);
        if (token->size() + units > kMaxTokenLength) {
            return false;
        }
        token->append(cursor_, units);
        cursor_ = next;
        return true;
    };

    if (*cursor_ == L'\'') {
        cursor_ = ::CharNextW(cursor_);
        for (;;) {
            if (*cursor_ == L'\0') {
                return DISP_E_EXCEPTION;
            }
            if (*cursor_ == L'\'') {
                LPCWSTR const next = ::CharNextW(cursor_);
                if (*next != L'\'') {
                    cursor_ = next;
                    return S_OK;
                }
                cursor_ = next; // the first of two quotes is dropped, the second copied
            }
            if (!copyCharacter()) {
                return DISP_E_EXCEPTION;
            }
        }
    }
    while (*cursor_ != L'\0' && !IsBlank(*cursor_)) {
        if (!copyCharacter()) {
            return DISP_E_EXCEPTION;
        }
    }
    return S_OK;
}
