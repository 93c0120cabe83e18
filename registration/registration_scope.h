// Where registration writes: in the machine's classes, or in the current user's alone
// (HKCU\Software\Classes), which needs no administrator.
#pragma once

#include <windows.h>

enum class RegistrationScope { PerMachine, PerUser };

// The key whose Software\Classes holds the classes of `scope`: HKLM or HKCU.
inline HKEY ClassesRootOf(RegistrationScope scope) {
    return scope == RegistrationScope::PerUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}
