// Deleting the keys that a registry script names: whole trees for ForceRemove and Delete, single
// emptied keys for unregistration, and the names that a tree deletion must never touch.
#pragma once

#include <windows.h>

// Whether `name` is one of the well-known shared key names ("AppID", "CLSID", "Software", ...,
// compared ignoring case) that ForceRemove and Delete leave standing.
bool IsProtectedKeyName(LPCWSTR name);

// Whether `key` reports at least one subkey. A key whose information cannot be read counts as
// having none.
bool HasSubkeys(HKEY key);

// Deletes parent\name with every key below it, bottom up. Returns a Win32 code (not an
// HRESULT): the first failure, ERROR_FILE_NOT_FOUND when the key is absent. `name` must be a
// single non-empty name: an empty one would stand for `parent` itself.
LONG DeleteKeyTree(HKEY parent, LPCWSTR name);

// Deletes the single key parent\name, which must have no subkeys, through RegDeleteKeyExW when
// the system has it and RegDeleteKeyW otherwise. Returns a Win32 code.
LONG DeleteSubkey(HKEY parent, LPCWSTR name);
