#include "image_machine.h"

#include "scoped_resource.h"

namespace {

constexpr WORD kDosSignature = 0x5A4D;     // "MZ"
constexpr DWORD kPeSignature = 0x00004550; // "PE\0\0"
constexpr LONG kNewHeaderAt = 0x3C;        // where the DOS header keeps the PE header's offset
// A PE header lies near the start; anything further is not one a linker wrote.
constexpr LONG kLatestNewHeader = 0x10000;

HRESULT LastError() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Reads exactly `size` bytes at `offset`; a short read means the file is no image.
HRESULT ReadAt(HANDLE file, LONG offset, void* data, DWORD size) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    DWORD read = 0;
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !::ReadFile(file, data, size, &read, nullptr)) {
        return LastError();
    }
    return read == size ? S_OK : HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);
}

} // namespace

HRESULT ReadImageMachine(const std::wstring& path, WORD* machine) {
    HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    ScopedHandle file(opened);
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

std::wstring MachineName(WORD machine) {
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
