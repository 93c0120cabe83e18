// Registering the type library that the executable carries, per machine or per user.
#include "server_registration.h"

#include <windows.h>
#include <oleauto.h>

#include <cwchar>

#include "registration_mode.h"
#include "scoped_resource.h"
#include "type_library_owners.h"
#include "win32_error.h"

namespace {

using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user variants exist only on newer systems: looked up, never linked.
template <typename Fn> Fn PerUserFunction(const char* name) {
    if (!IsPerUserRegistrationMode()) {
        return nullptr;
    }
    HMODULE oleaut = ::GetModuleHandleW(L"OLEAUT32.DLL");
    if (oleaut == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(oleaut, name)));
}

// Replaces the extension of the file name in `path` (the part from the last "." after the last
// "\") with ".tlb", or appends it. False when the result would not fit in MAX_PATH.
bool WithTlbExtension(wchar_t (&path)[MAX_PATH]) {
    wchar_t* name = path;
    for (wchar_t* p = path; *p != L'\0'; ++p) {
        if (*p == L'\\') {
            name = p + 1;
        }
    }
    wchar_t* dot = nullptr;
    for (wchar_t* p = name; *p != L'\0'; ++p) {
        if (*p == L'.') {
            dot = p;
        }
    }
    wchar_t* end = dot != nullptr ? dot : name + ::lstrlenW(name);
    if ((end - path) + 5 > MAX_PATH) {
        return false;
    }
    ::lstrcpyW(end, L".tlb");
    return true;
}

// The registry name of a library's platform, as the platform writes it under the locale's key.
const wchar_t* PlatformKeyName(SYSKIND platform) {
    switch (platform) {
    case SYS_WIN16:
        return L"win16";
    case SYS_WIN32:
        return L"win32";
    case SYS_WIN64:
        return L"win64";
    default:
        return L"mac";
    }
}

// The 32-bit and the 64-bit server register the same libraries, each for its own platform, and
// the libraries' interfaces share one set of keys. The platform's unregistration deletes those
// keys whichever platform it is asked to remove, which would leave the other width's clients
// unable to marshal. So while the library stays registered for the other width, only this
// width's entry goes. S_FALSE: no other width is registered, and the platform's unregistration
// is the one to use.
HRESULT RemoveOwnPlatformEntry(const TLIBATTR& attr) {
    if (attr.syskind != SYS_WIN32 && attr.syskind != SYS_WIN64) {
        return S_FALSE;
    }
    const SYSKIND other = attr.syskind == SYS_WIN32 ? SYS_WIN64 : SYS_WIN32;
    wchar_t guid[40];
    if (::StringFromGUID2(attr.guid, guid, ARRAYSIZE(guid)) == 0) {
        return E_FAIL;
    }
    // Versions and locales are written in hexadecimal ("1.0", "0", "409").
    wchar_t path[120];
    std::swprintf(path, ARRAYSIZE(path), L"Software\\Classes\\TypeLib\\%ls\\%x.%x\\%lx", guid,
                  attr.wMajorVerNum, attr.wMinorVerNum, static_cast<unsigned long>(attr.lcid));
    const HKEY classes = IsPerUserRegistrationMode() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    ScopedRegKey locale;
    if (::RegOpenKeyExW(classes, path, 0, KEY_READ, locale.put()) != ERROR_SUCCESS) {
        return S_FALSE;
    }
    ScopedRegKey otherEntry;
    if (::RegOpenKeyExW(locale.get(), PlatformKeyName(other), 0, KEY_READ, otherEntry.put()) !=
        ERROR_SUCCESS) {
        return S_FALSE;
    }
    const LONG error = ::RegDeleteKeyW(locale.get(), PlatformKeyName(attr.syskind));
    return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

} // namespace

HRESULT CServerRegistration::LoadModuleTypeLib(UINT index, ITypeLib** library, BSTR* path) {
    *library = nullptr;
    *path = nullptr;
    wchar_t file[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(TypeLibraryImage(), file, MAX_PATH);
    if (length == 0) {
        return FailureFromLastError();
    }
    if (length == MAX_PATH) {
        return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
    }
    // The first library is the image's own path; another is named by its resource number after
    // it ("...\PlimoCOMWrapper.exe\2"), as the registry then records it.
    if (index > 1) {
        const int added = std::swprintf(file + length, MAX_PATH - length, L"\\%u", index);
        if (added < 0) {
            return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
        }
    }
    ScopedTypeLib loaded;
    HRESULT hr = ::LoadTypeLib(file, loaded.put());
    if (FAILED(hr)) {
        // A type library shipped beside the executable stands in for the embedded first one.
        if (index > 1 || !WithTlbExtension(file)) {
            return E_FAIL;
        }
        hr = ::LoadTypeLib(file, loaded.put());
        if (FAILED(hr)) {
            return hr;
        }
    }
    BSTR copy = ::SysAllocString(file);
    if (copy == nullptr) {
        return E_OUTOFMEMORY;
    }
    *path = copy;
    *library = loaded.release();
    return S_OK;
}

namespace {

// The image's type libraries: IPlimoWrapper's, then IPlimoWrapper2's, which imports it.
constexpr UINT kTypeLibraryCount = 2;

} // namespace

HRESULT CServerRegistration::RegisterModuleTypeLib() {
    HRESULT hr = S_OK;
    for (UINT index = 1; index <= kTypeLibraryCount && SUCCEEDED(hr); ++index) {
        hr = RegisterTypeLibAt(index);
    }
    return hr;
}

HRESULT CServerRegistration::UnregisterModuleTypeLib() {
    // Every library is asked to go, so that one registered by an older version alone (the first)
    // goes too; the first failure is the result.
    HRESULT result = S_OK;
    for (UINT index = kTypeLibraryCount; index >= 1; --index) {
        const HRESULT hr = UnregisterTypeLibAt(index);
        if (SUCCEEDED(result) && FAILED(hr)) {
            result = hr;
        }
    }
    return result;
}

HRESULT CServerRegistration::RegisterTypeLibAt(UINT index) {
    ScopedTypeLib library;
    ScopedBstr path;
    HRESULT hr = LoadModuleTypeLib(index, library.put(), path.put());
    if (FAILED(hr)) {
        return hr;
    }
    // A help file named by the library gives the help directory: its name cut after the last
    // "\", "/" or ":". This server's library names none.
    ScopedBstr helpFile;
    wchar_t* helpDirectory = nullptr;
    if (SUCCEEDED(library.get()->GetDocumentation(-1, nullptr, nullptr, nullptr, helpFile.put())) &&
        helpFile) {
        wchar_t* cut = nullptr;
        for (wchar_t* p = helpFile.get(); *p != L'\0'; ++p) {
            if (*p == L'\\' || *p == L'/' || *p == L':') {
                cut = p + 1;
            }
        }
        if (cut != nullptr) {
            *cut = L'\0';
            helpDirectory = helpFile.get();
        }
    }
    if (auto forUser = PerUserFunction<RegisterForUserFn>("RegisterTypeLibForUser")) {
        return forUser(library.get(), path.get(), helpDirectory);
    }
    return ::RegisterTypeLib(library.get(), path.get(), helpDirectory);
}

HRESULT CServerRegistration::UnregisterTypeLibAt(UINT index) {
    ScopedTypeLib library;
    ScopedBstr path;
    HRESULT hr = LoadModuleTypeLib(index, library.put(), path.put());
    if (FAILED(hr)) {
        return hr;
    }
    ScopedLibAttr attr;
    hr = library->GetLibAttr(attr.put(library.get()));
    if (FAILED(hr)) {
        return hr;
    }
    hr = RemoveOwnPlatformEntry(*attr.get());
    if (hr != S_FALSE) {
        return hr;
    }
    if (auto forUser = PerUserFunction<UnregisterForUserFn>("UnRegisterTypeLibForUser")) {
        return forUser(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                       attr->syskind);
    }
    return ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                               attr->syskind);
}

bool CServerRegistration::PerUserTypeLibRegistered() {
    ScopedTypeLib library;
    ScopedBstr path;
    if (FAILED(LoadModuleTypeLib(1, library.put(), path.put()))) {
        return false;
    }
    ScopedLibAttr attr;
    if (FAILED(library->GetLibAttr(attr.put(library.get())))) {
        return false;
    }
    wchar_t guid[40];
    if (::StringFromGUID2(attr->guid, guid, ARRAYSIZE(guid)) == 0) {
        return false;
    }
    // Type-library versions are written in hexadecimal, as "1.0".
    wchar_t key[100];
    std::swprintf(key, ARRAYSIZE(key), L"Software\\Classes\\TypeLib\\%ls\\%x.%x", guid,
                  attr->wMajorVerNum, attr->wMinorVerNum);
    ScopedRegKey found;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, found.put()) == ERROR_SUCCESS;
}
