// An owned handle to one open registry key.
#include "reg_key_handle.h"

LONG RegKeyHandle::Open(HKEY parent, LPCWSTR name, REGSAM access) {
    HKEY opened = nullptr;
    const LONG error = ::RegOpenKeyExW(parent, name, 0, access, &opened);
    if (error == ERROR_SUCCESS) {
        key_.reset(opened);
    }
    return error;
}

LONG RegKeyHandle::Create(HKEY parent, LPCWSTR name, REGSAM access) {
    HKEY created = nullptr;
    const LONG error = ::RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                         nullptr, &created, nullptr);
    if (error == ERROR_SUCCESS) {
        key_.reset(created);
    }
    return error;
}

LONG RegKeyHandle::Close() {
    const HKEY held = key_.release();
    return held != nullptr ? ::RegCloseKey(held) : ERROR_SUCCESS;
}
