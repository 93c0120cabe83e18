// Reading a text value of the registry whole, however long it is.
#pragma once

#include <windows.h>

#include <string>

// The text of `key`'s REG_SZ or REG_EXPAND_SZ value `name` (expanded); empty when the key is
// null, or the value is missing or of another type.
inline std::wstring ReadRegistryText(HKEY key, const wchar_t* name) {
    // RRF_RT_REG_SZ takes an expandable value too, expanded; asking for RRF_RT_REG_EXPAND_SZ is
    // refused unless expansion is turned off.
    DWORD bytes = 0;
    if (key == nullptr || ::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr,
                                         &bytes) != ERROR_SUCCESS) {
        return std::wstring();
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, &text[0], &bytes) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    text.resize(text.find(L'\0'));
    return text;
}
