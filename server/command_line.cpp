#include "command_line.h"

#include <windows.h>

namespace {

wchar_t Upper(wchar_t c) {
    // CharUpperW converts a single character passed in the low word of the pointer.
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
        ::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

bool EndsWord(wchar_t c) {
    return c == L'\0' || c == L' ' || c == L'\t';
}

} // namespace

const wchar_t* FindSwitchStart(const wchar_t* text) {
    for (const wchar_t* p = text; *p != L'\0'; p = ::CharNextW(p)) {
        if (*p == L'-' || *p == L'/') {
            return ::CharNextW(p);
        }
    }
    return nullptr;
}

int CompareSwitchWord(const wchar_t* word, const wchar_t* name) {
    wchar_t w = Upper(*word);
    wchar_t n = Upper(*name);
    while (!EndsWord(w) && w == n) {
        word = ::CharNextW(word);
        name = ::CharNextW(name);
        w = Upper(*word);
        n = Upper(*name);
    }
    if (EndsWord(w) && EndsWord(n)) {
        return 0;
    }
    return static_cast<unsigned short>(w) < static_cast<unsigned short>(n) ? -1 : 1;
}
