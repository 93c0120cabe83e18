// An owned handle to one open registry key, reopened from entry to entry of a script block.
#pragma once

#include <windows.h>

#include "scoped_resource.h"

// Owns at most one open key. A successful Open or Create closes the key held before and keeps
// the new one; a failed one leaves the held key as it was. Destruction closes the key.
class RegKeyHandle {
public:
    RegKeyHandle() = default;

    // RegOpenKeyExW of parent\name; returns its Win32 code. A null or empty name opens a new
    // handle to `parent` itself.
    LONG Open(HKEY parent, LPCWSTR name, REGSAM access);

    // RegCreateKeyExW of parent\name (no class, non-volatile, default security); returns its
    // Win32 code.
    LONG Create(HKEY parent, LPCWSTR name, REGSAM access);

    // Closes the held key now and returns RegCloseKey's code (ERROR_SUCCESS when none is held).
    LONG Close();

    // The held key, or null. The handle stays owned by this object.
    HKEY get() const { return key_.get(); }

private:
    ScopedRegKey key_;
};
