// Whose file a registry entry names: what decides which entries a server's registration owns, so
// that registering takes them over from another folder and unregistering removes only its own.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>

#include "registration_scope.h"

// The full path of `image`. A path that fills the buffer may have been cut: refused.
HRESULT ImagePath(HINSTANCE image, wchar_t (&path)[MAX_PATH]);

// `path` without a resource number after the image's name ("...\\PlimoCOMWrapper64.exe\\2").
std::wstring ImageOf(const std::wstring& path);

// Whether the registered `entry` (a path, a path with a resource number after it, or either in
// double quotes as a command line has it) names `file`: the same image, without regard to case or
// to short and long folder names, and the same resource number.
bool NamesFile(const std::wstring& entry, const std::wstring& file);

// Whether a type library's `entry` for `platform` belongs to a server of that platform: it names
// a file that exists and is a 64-bit executable for win64, anything else for win32. A file that
// is gone belongs to nobody.
bool HeldByServerFor(const std::wstring& entry, SYSKIND platform);

// What the class `clsid` is registered to start (its LocalServer32) in the classes of `scope`, in
// this process's registry view; nothing when the class has none.
std::optional<std::wstring> ClassServer(const CLSID& clsid, RegistrationScope scope);
