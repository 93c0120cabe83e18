// The machine a Windows image (a DLL or an EXE) is built for, read from its PE header, so that a
// provider is matched with a server that can load it before any server is started. plimo-scc and
// the proxy provider both choose their server with it.
#pragma once

#include <windows.h>

#include <string>

#include "scoped_resource.h"
#include "win32_error.h"

namespace image_machine_detail {

constexpr WORD kDosSignature = 0x5A4D;     // "MZ"
constexpr DWORD kPeSignature = 0x00004550; // "PE\0\0"
constexpr LONG kNewHeaderAt = 0x3C;        // where the DOS header keeps the PE header's offset
// A PE header lies near the start; anything further is not one a linker wrote.
constexpr LONG kLatestNewHeader = 0x10000;

// Reads exactly `size` bytes at `offset`; a short read means the file is no image.
inline HRESULT ReadAt(HANDLE file, LONG offset, void* data, DWORD size) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    DWORD read = 0;
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !::ReadFile(file, data, size, &read, nullptr)) {
        return FailureFromLastError();
    }
    return read == size ? S_OK : HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
}

} // namespace image_machine_detail

// Reads the machine of the PE image at `path` (IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64,
// ...). S_OK with *machine set; HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT) when the file is not a
// PE image; the platform's HRESULT when it cannot be opened or read. Reads a few hundred bytes.
inline HRESULT ReadImageMachine(const std::wstring& path, WORD* machine) {
    using namespace image_machine_detail;
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return FailureFromLastError();
    }
    WORD dosSignature = 0;
    LONG newHeader = 0;
    HRESULT hr = ReadAt(file.get(), 0, &dosSignature, sizeof dosSignature);
    if (FAILED(hr)) return hr;
    hr = ReadAt(file.get(), kNewHeaderAt, &newHeader, sizeof newHeader);
    if (FAILED(hr)) return hr;
    if (dosSignature != kDosSignature || newHeader < kNewHeaderAt + 4 ||
        newHeader > kLatestNewHeader) {
        return HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
    }
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER file;
    } header{};
    hr = ReadAt(file.get(), newHeader, &header, sizeof header);
    if (FAILED(hr)) return hr;
    if (header.signature != kPeSignature) {
        return HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
    }
    *machine = header.file.Machine;
    return S_OK;
}

// The width of the PlimoCOMWrapper server that loads images of `machine`: 32 (x86), 64 (x64),
// or 0 when neither server can.
inline int ServerBitsFor(WORD machine) {
    return machine == IMAGE_FILE_MACHINE_I386 ? 32 : machine == IMAGE_FILE_MACHINE_AMD64 ? 64 : 0;
}

// The machine for a person: "32-bit x86", "64-bit x64", "64-bit ARM64", or its number.
inline std::wstring MachineName(WORD machine) {
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386:
        return L"32-bit x86";
    case IMAGE_FILE_MACHINE_AMD64:
        return L"64-bit x64";
    case 0xAA64: // IMAGE_FILE_MACHINE_ARM64, which older headers lack
        return L"64-bit ARM64";
    default:
        return L"machine " + std::to_wstring(machine);
    }
}
