// Conversions between the interface's narrow text and the wide text of the file system.
#include "thread_text.h"

#include <windows.h>

#include <cstring>

std::wstring Widen(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::wstring();
    }
    int length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

bool Narrow(const std::wstring& text, std::string* narrow) {
    if (text.empty()) {
        narrow->clear();
        return true;
    }
    BOOL lossy = FALSE;
    int length = ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1,
                                       nullptr, 0, nullptr, &lossy);
    if (length <= 1 || lossy) {
        return false;
    }
    std::string converted(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, &converted[0],
                          length, nullptr, nullptr);
    converted.resize(static_cast<size_t>(length) - 1);
    *narrow = std::move(converted);
    return true;
}

bool CopyToBuffer(const std::string& text, char* buffer, size_t capacity) {
    if (text.size() + 1 > capacity) {
        return false;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}
