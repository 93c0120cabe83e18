// The typed values a registry script writes.
#include "reg_value_text.h"

#include <oleauto.h>

#include <cwchar>
#include <memory>
#include <new>

#include "win32_error.h"

namespace {

struct ValueType {
    LPCWSTR token;
    DWORD regType;
};

constexpr ValueType kValueTypes[] = {
    {L"S", REG_SZ},
    {L"M", REG_MULTI_SZ},
    {L"D", REG_DWORD},
    {L"B", REG_BINARY},
};

LONG SetValue(HKEY key, LPCWSTR name, DWORD regType, const void* data, size_t bytes) {
    return ::RegSetValueExW(key, name, 0, regType, static_cast<const BYTE*>(data),
                            static_cast<DWORD>(bytes));
}

LONG SetString(HKEY key, LPCWSTR name, LPCWSTR text) {
    return SetValue(key, name, REG_SZ, text, (std::wcslen(text) + 1) * sizeof(wchar_t));
}

// "\0" separates the strings; any other backslash is an ordinary character. The list ends at
// its first empty string, so "\0\0" cuts it short.
LONG SetMultiString(HKEY key, LPCWSTR name, LPCWSTR text) {
    const size_t length = std::wcslen(text);
    std::unique_ptr<wchar_t[]> strings(new (std::nothrow) wchar_t[length + 2]);
    if (!strings) {
        return ERROR_OUTOFMEMORY;
    }
    size_t used = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\\' && text[i + 1] == L'0') {
            strings[used++] = L'\0';
            ++i;
        } else {
            strings[used++] = text[i];
        }
    }
    strings[used] = L'\0';
    strings[used + 1] = L'\0';

    size_t end = 0;
    while (strings[end] != L'\0') {
        end += std::wcslen(&strings[end]) + 1;
    }
    return SetValue(key, name, REG_MULTI_SZ, strings.get(), (end + 1) * sizeof(wchar_t));
}

// Any character that is not a hexadecimal digit counts as 0.
BYTE NibbleOf(wchar_t digit) {
    if (digit >= L'0' && digit <= L'9') {
        return static_cast<BYTE>(digit - L'0');
    }
    if (digit >= L'A' && digit <= L'F') {
        return static_cast<BYTE>(digit - L'A' + 10);
    }
    if (digit >= L'a' && digit <= L'f') {
        return static_cast<BYTE>(digit - L'a' + 10);
    }
    return 0;
}

HRESULT SetBinary(HKEY key, LPCWSTR name, LPCWSTR text) {
    const size_t digits = std::wcslen(text);
    if (digits % 2 != 0) {
        return E_FAIL;
    }
    const size_t bytes = digits / 2;
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[bytes + 1]);
    if (!data) {
        return E_FAIL;
    }
    for (size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<BYTE>(NibbleOf(text[2 * i]) << 4 | NibbleOf(text[2 * i + 1]));
    }
    return HResultFromWin32(SetValue(key, name, REG_BINARY, data.get(), bytes));
}

HRESULT SetDword(HKEY key, LPCWSTR name, LPCWSTR text) {
    ULONG number = 0;
    // A number the conversion refuses would be written as whatever it left behind: refuse it.
    // Some headers declare the text non-const; the conversion only reads it.
    if (FAILED(::VarUI4FromStr(const_cast<OLECHAR*>(text), 0, 0, &number))) return DISP_E_EXCEPTION;
    const DWORD value = number;
    return HResultFromWin32(SetValue(key, name, REG_DWORD, &value, sizeof(value)));
}

} // namespace

bool FindValueType(LPCWSTR token, DWORD* regType) {
    for (const ValueType& type : kValueTypes) {
        if (::lstrcmpiW(token, type.token) == 0) {
            *regType = type.regType;
            return true;
        }
    }
    return false;
}

HRESULT SetValueFromText(HKEY key, LPCWSTR name, DWORD regType, LPCWSTR text) {
    switch (regType) {
    case REG_SZ:
        return HResultFromWin32(SetString(key, name, text));
    case REG_MULTI_SZ:
        return HResultFromWin32(SetMultiString(key, name, text));
    case REG_DWORD:
        return SetDword(key, name, text);
    case REG_BINARY:
        return SetBinary(key, name, text);
    default:
        return DISP_E_EXCEPTION;
    }
}
