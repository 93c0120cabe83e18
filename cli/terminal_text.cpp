#include "terminal_text.h"

namespace {

// A terminal obeys C1 controls too: a UTF-8 one reads U+009B as the start of a sequence.
bool IsControl(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

std::wstring TerminalText(const std::wstring& text) {
    std::wstring shown;
    shown.reserve(text.size());
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    for (wchar_t c : text) {
        if (!IsControl(c)) {
            shown += c;
        } else if (c == L'\n') {
            shown += L"\\n";
        } else if (c == L'\r') {
            shown += L"\\r";
        } else if (c == L'\t') {
            shown += L"\\t";
        } else {
            shown += {L'\\', L'x', kDigits[(c >> 4) & 0xF], kDigits[c & 0xF]};
        }
    }
    return shown;
}
