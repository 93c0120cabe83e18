// plimo-scc's two output streams: what a command produced on standard output, errors on
// standard error.
#pragma once

#include <string>

// Writes `text` as it is (no line break added): as UTF-16 to a console, which shows every
// character, and as UTF-8 to a file or a pipe, which is what scripts and JSON readers expect.
void WriteOut(const std::wstring& text);
void WriteError(const std::wstring& text);
