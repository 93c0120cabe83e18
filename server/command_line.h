// Reading the server's command line: words after "-" or "/", compared without regard to case.
#pragma once

// The position just after the first "-" or "/" at or after `text`; null when there is none.
const wchar_t* FindSwitchStart(const wchar_t* text);

// 0 when the word at `word` is `name` (any case) and ends there with the end of the text, a
// blank or a tab; otherwise -1 or 1 by the first differing character.
int CompareSwitchWord(const wchar_t* word, const wchar_t* name);
