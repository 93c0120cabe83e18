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

// Deletes parent\name with every key below it, bottom up. The first failure, as
// HRESULT_FROM_WIN32 (of ERROR_FILE_NOT_FOUND when the key is absent). `name` must be a single
// non-empty name: an empty one would stand for `parent` itself.
HRESULT DeleteKeyTree(HKEY parent, LPCWSTR name);

// Deletes the single key parent\name, which must have no subkeys; HRESULT_FROM_WIN32 of a
// refusal.
HRESULT DeleteSubkey(HKEY parent, LPCWSTR name);
