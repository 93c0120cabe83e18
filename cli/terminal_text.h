// Text from a provider (or from the machine's list of providers) made safe for a terminal:
// shown, never obeyed.
#pragma once

#include <string>

// `text` with every control character written as an escape, so that it can neither end a line,
// forge one, nor drive the terminal: `\n`, `\r`, `\t`, and `\xNN` for every other C0 control,
// DEL and the C1 controls U+0080..U+009F. Everything else stays as it is, backslashes included
// (paths are full of them).
std::wstring TerminalText(const std::wstring& text);
