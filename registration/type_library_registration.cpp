// The type libraries of a server's image: the (resource, platform) rows of its description and
// one width policy.
//
// The width policy: a server registers the libraries of its own platform. A 64-bit image also
// carries the same libraries compiled for 32 bits, after its own and in their order, because a
// 32-bit client finds a library only by its win32 entry (a 64-bit one falls back to it). The
// 64-bit server registers those copies where no 32-bit server holds the entry, and a 32-bit
// server that leaves hands the entry back to the copy of a 64-bit server that stays.
#include "type_library_registration.h"

#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "registered_files.h"
#include "scoped_resource.h"
#include "type_library_entries.h"
#include "type_library_owners.h"

// MinGW's oleauto.h leaves out the per-user registration functions that Windows has had since
// Vista, though its import library has them: declared here as the Windows SDK declares them.
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDirectory);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD majorVersion, WORD minorVersion,
                                      LCID locale, SYSKIND platform);

namespace {

SYSKIND OwnPlatform(const ServerDescription& server) {
    return server.bits == 64 ? SYS_WIN64 : SYS_WIN32;
}

// A library of the server's own platform, and the resource of its copy for the other platform
// (0 where the image carries none).
struct LibraryRow {
    UINT own;
    UINT copy;
};

// The server's libraries in the order of its description, each paired with its copy.
std::vector<LibraryRow> LibraryRows(const ServerDescription& server) {
    std::vector<LibraryRow> rows;
    size_t copies = 0;
    for (size_t i = 0; i < server.libraryCount; ++i) {
        const TypeLibraryResource& library = server.libraries[i];
        if (library.platform == OwnPlatform(server)) {
            rows.push_back(LibraryRow{library.resource, 0});
        } else if (copies < rows.size()) {
            rows[copies++].copy = library.resource;
        }
    }
    return rows;
}

// Where a 64-bit image carries the 32-bit copy of library `own`: after its own libraries, which
// are every server's.
UINT CopyInSixtyFourBitImage(UINT own, size_t libraryCount) {
    return own + static_cast<UINT>(libraryCount);
}

// A library of the image: the path the registry records for it, the library and its attributes
// (which it lends: they go first).
struct LoadedLibrary {
    std::wstring path;
    ScopedTypeLib library;
    ScopedLibAttr attr;
};

// The first library is named by the image's own path; another by its resource number after it
// ("...\PlimoCOMWrapper.exe\2"), as the registry then records it.
HRESULT LoadLibraryResource(LPCWSTR imagePath, UINT resource, LoadedLibrary* loaded) {
    loaded->path = imagePath;
    if (resource != 1) {
        loaded->path += L"\\" + std::to_wstring(resource);
    }
    HRESULT hr = ::LoadTypeLib(loaded->path.c_str(), loaded->library.put());
    if (FAILED(hr)) return hr;
    return loaded->library->GetLibAttr(loaded->attr.put(loaded->library.get()));
}

// The library names no help file, so no help folder is registered with it.
HRESULT PlatformRegister(const LoadedLibrary& loaded, RegistrationScope scope) {
    std::wstring path = loaded.path;
    return scope == RegistrationScope::PerUser
               ? ::RegisterTypeLibForUser(loaded.library.get(), &path[0], nullptr)
               : ::RegisterTypeLib(loaded.library.get(), &path[0], nullptr);
}

HRESULT PlatformUnregister(const TLIBATTR& library, SYSKIND platform, RegistrationScope scope) {
    return scope == RegistrationScope::PerUser
               ? ::UnRegisterTypeLibForUser(library.guid, library.wMajorVerNum,
                                            library.wMinorVerNum, library.lcid, platform)
               : ::UnRegisterTypeLib(library.guid, library.wMajorVerNum, library.wMinorVerNum,
                                     library.lcid, platform);
}

// The library's entry for one platform, and whether it names this image.
struct PlatformEntry {
    SYSKIND platform;
    std::optional<std::wstring> path;
    bool ours;
};

// Removes the entries of library `row` that name this image (its own and its copy's), leaving
// another server's entries as they are.
HRESULT UnregisterLibrary(LPCWSTR imagePath, const LibraryRow& row, size_t libraryCount,
                          RegistrationScope scope) {
    LoadedLibrary loaded;
    HRESULT hr = LoadLibraryResource(imagePath, row.own, &loaded);
    if (FAILED(hr)) return hr;
    const TLIBATTR& attr = *loaded.attr.get();
    const TypeLibraryEntries entries(attr, scope);
    // What this image registers for each platform (win32, win64).
    std::wstring ownPath[2];
    ownPath[attr.syskind == SYS_WIN64] = loaded.path;
    if (row.copy != 0) {
        LoadedLibrary copy;
        hr = LoadLibraryResource(imagePath, row.copy, &copy);
        if (FAILED(hr)) return hr;
        ownPath[copy.attr->syskind == SYS_WIN64] = copy.path;
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
        hr = entries.SetPath(SYS_WIN32,
                             ImageOf(*win64.path) + L"\\" +
                                 std::to_wstring(CopyInSixtyFourBitImage(row.own, libraryCount)));
        if (FAILED(hr)) return hr;
        win32.ours = false;
    }
    if (!win32.ours && !win64.ours) {
        // Another server's entries stay as they are. With nothing registered at all there is
        // nothing to remove, which is success whatever the platform answers. It is still asked,
        // because Wine writes a per-user library per machine, where this scope's entries do not
        // show it.
        if (!win32.path && !win64.path) {
            PlatformUnregister(attr, attr.syskind, scope);
        }
        return S_OK;
    }
    // The libraries' interfaces share one set of keys, which the platform's unregistration
    // deletes whichever platform it removes: only the last entry goes through it, with them.
    for (PlatformEntry& entry : platforms) {
        if (!entry.ours) continue;
        entry.ours = false;
        entry.path.reset();
        const bool last = !win32.path && !win64.path;
        hr =
            last ? PlatformUnregister(attr, entry.platform, scope) : entries.Remove(entry.platform);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

} // namespace

HRESULT RegisterTypeLibraries(const ServerDescription& server, LPCWSTR imagePath,
                              RegistrationScope scope) {
    const std::vector<LibraryRow> rows = LibraryRows(server);
    for (const LibraryRow& row : rows) {
        LoadedLibrary loaded;
        HRESULT hr = LoadLibraryResource(imagePath, row.own, &loaded);
        if (FAILED(hr)) return hr;
        hr = PlatformRegister(loaded, scope);
        if (FAILED(hr)) return hr;
    }
    // The copies take the other platform's entries over from anything but a server of that
    // platform: from nothing, from a file that is gone, and from a server of this width in
    // another folder, whose entries this registration replaces everywhere else too.
    for (const LibraryRow& row : rows) {
        if (row.copy == 0) continue;
        LoadedLibrary loaded;
        HRESULT hr = LoadLibraryResource(imagePath, row.copy, &loaded);
        if (FAILED(hr)) return hr;
        const SYSKIND platform = loaded.attr->syskind;
        const std::optional<std::wstring> holder =
            TypeLibraryEntries(*loaded.attr.get(), scope).Path(platform);
        if (holder && HeldByServerFor(*holder, platform)) continue;
        hr = PlatformRegister(loaded, scope);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterTypeLibraries(const ServerDescription& server, LPCWSTR imagePath,
                                RegistrationScope scope) {
    const std::vector<LibraryRow> rows = LibraryRows(server);
    HRESULT result = S_OK;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        const HRESULT hr = UnregisterLibrary(imagePath, *row, rows.size(), scope);
        if (SUCCEEDED(result) && FAILED(hr)) {
            result = hr;
        }
    }
    return result;
}

bool PerUserTypeLibraryRegistered(const ServerDescription& server, LPCWSTR imagePath) {
    const std::vector<LibraryRow> rows = LibraryRows(server);
    LoadedLibrary loaded;
    if (rows.empty() || FAILED(LoadLibraryResource(imagePath, rows.front().own, &loaded))) {
        return false;
    }
    ScopedRegKey found;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, TypeLibraryVersionKey(*loaded.attr.get()).c_str(), 0,
                           KEY_READ, found.put()) == ERROR_SUCCESS;
}
