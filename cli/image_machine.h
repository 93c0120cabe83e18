// The machine a Windows image (a DLL or an EXE) is built for, read from its PE header, so that a
// provider is matched with a server that can load it before any server is started.
#pragma once

#include <windows.h>

#include <string>

// Reads the machine of the PE image at `path` (IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64,
// ...). S_OK with *machine set; HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT) when the file is not a
// PE image; the platform's HRESULT when it cannot be opened or read. Reads a few hundred bytes.
HRESULT ReadImageMachine(const std::wstring& path, WORD* machine);

// The machine for a person: "32-bit x86", "64-bit x64", "64-bit ARM64", or its number.
std::wstring MachineName(WORD machine);
