// Registering the type library that the executable carries, per machine or per user.
#include "server_registration.h"

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <optional>
#include <string>

#include "scoped_resource.h"
#include "type_library_entries.h"
#include "type_library_owners.h"
#include "win32_error.h"

namespace {

using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user variant `name` of a registration function, in per-user mode only. They exist only
// on newer systems: looked up, never linked.
template <typename Fn> Fn PerUserFunction(RegistrationMode mode, const char* name) {
    if (mode != RegistrationMode::PerUser) {
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

// `path` without a resource number after the image's name ("...\\PlimoCOMWrapper64.exe\\2").
std::wstring ImageOf(const std::wstring& path) {
    const size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos || cut + 1 == path.size()) {
        return path;
    }
    for (size_t i = cut + 1; i < path.size(); ++i) {
        if (path[i] < L'0' || path[i] > L'9') {
            return path;
        }
    }
    return path.substr(0, cut);
}

} // namespace

HRESULT ServerRegistration::LoadModuleTypeLib(UINT index, ITypeLib** library, BSTR* path) {
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
        if (FAILED(hr)) return hr;
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
// A 64-bit image also carries both compiled for 32 bits, as the resources after them: a 32-bit
// client finds a library only by its win32 entry (a 64-bit one falls back to it), so the 64-bit
// server registers these where no 32-bit server has.
#ifdef _WIN64
constexpr UINT kThirtyTwoBitCopies = kTypeLibraryCount;
#else
constexpr UINT kThirtyTwoBitCopies = 0;
#endif

// A library of the image, its path and its attributes (which it lends: they go first).
struct LoadedLibrary {
    ScopedTypeLib library;
    ScopedBstr path;
    ScopedLibAttr attr;
};

HRESULT LoadWithAttributes(ServerRegistration& registration, UINT index, LoadedLibrary* loaded) {
    HRESULT hr = registration.LoadModuleTypeLib(index, loaded->library.put(), loaded->path.put());
    if (FAILED(hr)) return hr;
    return loaded->library->GetLibAttr(loaded->attr.put(loaded->library.get()));
}

} // namespace

HRESULT ServerRegistration::RegisterModuleTypeLib() {
    HRESULT hr = S_OK;
    for (UINT index = 1; index <= kTypeLibraryCount && SUCCEEDED(hr); ++index) {
        hr = RegisterTypeLibAt(index);
    }
    for (UINT copy = kTypeLibraryCount + 1;
         copy <= kTypeLibraryCount + kThirtyTwoBitCopies && SUCCEEDED(hr); ++copy) {
        LoadedLibrary loaded;
        hr = LoadWithAttributes(*this, copy, &loaded);
        if (SUCCEEDED(hr) && !TypeLibraryEntries(*loaded.attr.get(), mode_).Path(SYS_WIN32)) {
            hr = RegisterTypeLibAt(copy);
        }
    }
    return hr;
}

HRESULT ServerRegistration::UnregisterModuleTypeLib() {
    // Every library is asked to go, so that one registered by an older version alone (the first)
    // goes too; the first failure is the result. The 32-bit copies go first, and only where they
    // are the libraries' win32 entries: a 32-bit server may have registered its own since.
    HRESULT result = S_OK;
    for (UINT copy = kTypeLibraryCount + kThirtyTwoBitCopies; copy > kTypeLibraryCount; --copy) {
        const HRESULT hr = UnregisterCopyAt(copy);
        if (SUCCEEDED(result) && FAILED(hr)) {
            result = hr;
        }
    }
    for (UINT index = kTypeLibraryCount; index >= 1; --index) {
        const HRESULT hr = UnregisterTypeLibAt(index);
        if (SUCCEEDED(result) && FAILED(hr)) {
            result = hr;
        }
    }
    return result;
}

HRESULT ServerRegistration::RegisterTypeLibAt(UINT index) {
    ScopedTypeLib library;
    ScopedBstr path;
    HRESULT hr = LoadModuleTypeLib(index, library.put(), path.put());
    if (FAILED(hr)) return hr;
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
    if (auto forUser = PerUserFunction<RegisterForUserFn>(mode_, "RegisterTypeLibForUser")) {
        return forUser(library.get(), path.get(), helpDirectory);
    }
    return ::RegisterTypeLib(library.get(), path.get(), helpDirectory);
}

HRESULT ServerRegistration::UnregisterTypeLibAt(UINT index) {
    LoadedLibrary loaded;
    const HRESULT hr = LoadWithAttributes(*this, index, &loaded);
    if (FAILED(hr)) return hr;
    const ScopedLibAttr& attr = loaded.attr;
    // The 32-bit and the 64-bit server register the same libraries, each for its own platform,
    // and the libraries' interfaces share one set of keys. The platform's unregistration deletes
    // those keys whichever platform it removes, which would leave the other width's clients
    // unable to marshal: while the other width's entry stays, only this width's entry changes.
    const TypeLibraryEntries entries(*attr.get(), mode_);
    const SYSKIND own = attr->syskind;
    if (own == SYS_WIN32 || own == SYS_WIN64) {
        if (std::optional<std::wstring> other = entries.Path(OtherWidth(own))) {
            if (own == SYS_WIN64) {
                return entries.Remove(own);
            }
            // The 64-bit server stays: its 32-bit copy of this library serves 32-bit clients.
            return entries.SetPath(SYS_WIN32, ImageOf(*other) + L"\\" +
                                                  std::to_wstring(index + kTypeLibraryCount));
        }
    }
    if (auto forUser = PerUserFunction<UnregisterForUserFn>(mode_, "UnRegisterTypeLibForUser")) {
        return forUser(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                       attr->syskind);
    }
    return ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                               attr->syskind);
}

HRESULT ServerRegistration::UnregisterCopyAt(UINT index) {
    LoadedLibrary loaded;
    const HRESULT hr = LoadWithAttributes(*this, index, &loaded);
    if (FAILED(hr)) return hr;
    const TypeLibraryEntries entries(*loaded.attr.get(), mode_);
    const std::optional<std::wstring> registered = entries.Path(SYS_WIN32);
    if (!registered || ::lstrcmpiW(registered->c_str(), loaded.path.get()) != 0) {
        return S_OK;
    }
    return entries.Remove(SYS_WIN32);
}

bool ServerRegistration::PerUserTypeLibRegistered() {
    LoadedLibrary loaded;
    if (FAILED(LoadWithAttributes(*this, 1, &loaded))) return false;
    ScopedRegKey found;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, TypeLibraryVersionKey(*loaded.attr.get()).c_str(), 0,
                           KEY_READ, found.put()) == ERROR_SUCCESS;
}
