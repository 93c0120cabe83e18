// Registering the type library that the executable carries, per machine or per user.
#include "server_registration.h"

#include <windows.h>
#include <oleauto.h>

#include <cwchar>
#include <optional>
#include <string>

#include "registered_files.h"
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

} // namespace

HRESULT ServerRegistration::LoadModuleTypeLib(UINT index, ITypeLib** library, BSTR* path) {
    *library = nullptr;
    *path = nullptr;
    wchar_t file[MAX_PATH];
    HRESULT hr = ImagePath(TypeLibraryImage(), file);
    if (FAILED(hr)) return hr;
    const size_t length = ::lstrlenW(file);
    // The first library is the image's own path; another is named by its resource number after
    // it ("...\PlimoCOMWrapper.exe\2"), as the registry then records it.
    if (index > 1) {
        const int added = std::swprintf(file + length, MAX_PATH - length, L"\\%u", index);
        if (added < 0) {
            return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
        }
    }
    ScopedTypeLib loaded;
    hr = ::LoadTypeLib(file, loaded.put());
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
// server registers these where no 32-bit server holds that entry.
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

// The library's entry for one platform, and whether it names this image.
struct PlatformEntry {
    SYSKIND platform;
    std::optional<std::wstring> path;
    bool ours;
};

} // namespace

HRESULT ServerRegistration::RegisterModuleTypeLib() {
    HRESULT hr = S_OK;
    for (UINT index = 1; index <= kTypeLibraryCount && SUCCEEDED(hr); ++index) {
        hr = RegisterTypeLibAt(index);
    }
    // The copies take the win32 entries over from anything but a 32-bit server: from nothing, from
    // a file that is gone, and from a 64-bit server in another folder, whose entries this
    // registration replaces everywhere else too.
    for (UINT copy = kTypeLibraryCount + 1;
         copy <= kTypeLibraryCount + kThirtyTwoBitCopies && SUCCEEDED(hr); ++copy) {
        LoadedLibrary loaded;
        hr = LoadWithAttributes(*this, copy, &loaded);
        if (FAILED(hr)) break;
        const std::optional<std::wstring> holder =
            TypeLibraryEntries(*loaded.attr.get(), mode_).Path(SYS_WIN32);
        if (!holder || !HeldByThirtyTwoBitServer(*holder)) {
            hr = RegisterTypeLibAt(copy);
        }
    }
    return hr;
}

HRESULT ServerRegistration::UnregisterModuleTypeLib() {
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
    HRESULT hr = LoadWithAttributes(*this, index, &loaded);
    if (FAILED(hr)) return hr;
    const TLIBATTR& attr = *loaded.attr.get();
    const TypeLibraryEntries entries(attr, mode_);
    // What this image registers for each platform: its own width's library and, in a 64-bit
    // image, the 32-bit copy.
    std::wstring ownPath[2];
    ownPath[attr.syskind == SYS_WIN64] = loaded.path.get();
    if (attr.syskind == SYS_WIN64 && kThirtyTwoBitCopies > 0) {
        LoadedLibrary copy;
        hr = LoadWithAttributes(*this, index + kTypeLibraryCount, &copy);
        if (FAILED(hr)) return hr;
        ownPath[0] = copy.path.get();
    }
    PlatformEntry platforms[] = {{SYS_WIN32, entries.Path(SYS_WIN32), false},
                                 {SYS_WIN64, entries.Path(SYS_WIN64), false}};
    for (int i = 0; i < 2; ++i) {
        platforms[i].ours =
            platforms[i].path && !ownPath[i].empty() && NamesFile(*platforms[i].path, ownPath[i]);
    }
    PlatformEntry& win32 = platforms[0];
    const PlatformEntry& win64 = platforms[1];
    // A 64-bit server that stays registered serves 32-bit clients with its 32-bit copy.
    if (win32.ours && win64.path && !win64.ours) {
        hr = entries.SetPath(SYS_WIN32, ImageOf(*win64.path) + L"\\" +
                                            std::to_wstring(index + kTypeLibraryCount));
        if (FAILED(hr)) return hr;
        win32.ours = false;
    }
    if (!win32.ours && !win64.ours) {
        // Another server's entries stay as they are. Nothing registered at all is for the
        // platform to report, as it always was.
        return win32.path || win64.path ? S_OK : PlatformUnregister(attr, attr.syskind);
    }
    // The libraries' interfaces share one set of keys, which the platform's unregistration
    // deletes whichever platform it removes: only the last entry goes through it, with them.
    for (PlatformEntry& entry : platforms) {
        if (!entry.ours) continue;
        entry.ours = false;
        entry.path.reset();
        const bool last = !win32.path && !win64.path;
        hr = last ? PlatformUnregister(attr, entry.platform) : entries.Remove(entry.platform);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ServerRegistration::PlatformUnregister(const TLIBATTR& library, SYSKIND platform) {
    if (auto forUser = PerUserFunction<UnregisterForUserFn>(mode_, "UnRegisterTypeLibForUser")) {
        return forUser(library.guid, library.wMajorVerNum, library.wMinorVerNum, library.lcid,
                       platform);
    }
    return ::UnRegisterTypeLib(library.guid, library.wMajorVerNum, library.wMinorVerNum,
                               library.lcid, platform);
}

bool ServerRegistration::PerUserTypeLibRegistered() {
    LoadedLibrary loaded;
    if (FAILED(LoadWithAttributes(*this, 1, &loaded))) return false;
    ScopedRegKey found;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, TypeLibraryVersionKey(*loaded.attr.get()).c_str(), 0,
                           KEY_READ, found.put()) == ERROR_SUCCESS;
}
