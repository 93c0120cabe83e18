#include "provider_registry.h"

#include "full_path.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

constexpr wchar_t kNameValue[] = L"SCCServerName";

// A registry view and the width of the providers that write in it.
struct View {
    REGSAM flag;
    int bits;
};
constexpr View kView32{KEY_WOW64_32KEY, 32};
constexpr View kView64{KEY_WOW64_64KEY, 64};

// Whether Windows has a 64-bit view beside the 32-bit one.
bool HasSixtyFourBitView() {
    if (sizeof(void*) == 8) {
        return true;
    }
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// The views to read, the 32-bit one first.
std::vector<View> Views() {
    return HasSixtyFourBitView() ? std::vector<View>{kView32, kView64} : std::vector<View>{kView32};
}

// Opens HKLM\`path` for reading in `view`; a missing key gives S_OK and no key.
HRESULT OpenKey(const wchar_t* path, const View& view, ScopedRegKey* key) {
    LONG error = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view.flag, key->put());
    return error == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromWin32(error);
}

// The text of a REG_SZ or REG_EXPAND_SZ value (expanded); empty when missing or of another type.
std::wstring ReadText(HKEY key, const wchar_t* name) {
    // RRF_RT_REG_SZ takes an expandable value too, expanded; asking for RRF_RT_REG_EXPAND_SZ
    // is refused unless expansion is turned off.
    const DWORD flags = RRF_RT_REG_SZ;
    DWORD bytes = 0;
    if (key == nullptr ||
        ::RegGetValueW(key, nullptr, name, flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::wstring();
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(key, nullptr, name, flags, nullptr, &text[0], &bytes) != ERROR_SUCCESS) {
        return std::wstring();
    }
    text.resize(text.find(L'\0'));
    return text;
}

// The SCCServerPath of the provider key HKLM\`key`; empty when it has none.
std::wstring ServerPath(const std::wstring& key, const View& view,
                        std::wstring* serverName = nullptr) {
    ScopedRegKey provider;
    if (FAILED(OpenKey(key.c_str(), view, &provider)) || !provider) return std::wstring();
    if (serverName != nullptr) {
        *serverName = ReadText(provider.get(), kNameValue);
    }
    return ReadText(provider.get(), kServerPathValue);
}

std::wstring DefaultKey(const View& view) {
    ScopedRegKey root;
    if (FAILED(OpenKey(kProviderRootKey, view, &root))) return std::wstring();
    return ReadText(root.get(), kDefaultProviderValue);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool Fail(std::wstring* error, const std::wstring& reason) {
    *error = reason;
    return false;
}

bool ChoosePath(const std::wstring& given, ProviderChoice* choice, std::wstring* error) {
    std::wstring path = FullPath(given);
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Fail(error, L"no provider DLL at " + (path.empty() ? given : path));
    }
    *choice = ProviderChoice{L"", path};
    return true;
}

bool ChooseEntry(const InstalledProvider& entry, ProviderChoice* choice, std::wstring* error) {
    if (entry.path.empty()) {
        return Fail(error, L"the provider \"" + entry.name + L"\" names no DLL: HKLM\\" +
                               entry.key + L" has no " + kServerPathValue);
    }
    *choice = ProviderChoice{entry.name, entry.path};
    return true;
}

bool ChooseDefault(ProviderChoice* choice, std::wstring* error) {
    View view = kView32;
    std::wstring key;
    for (const View& candidate : Views()) {
        key = DefaultKey(candidate);
        if (!key.empty()) {
            view = candidate;
            break;
        }
    }
    if (key.empty()) {
        return Fail(error, L"no --provider given and the machine has no default provider (HKLM\\" +
                               std::wstring(kProviderRootKey) + L"\\" + kDefaultProviderValue +
                               L")");
    }
    // The default's name is its entry in the list; a default outside the list is named by the
    // key's own SCCServerName.
    std::vector<InstalledProvider> providers;
    ListInstalledProviders(&providers);
    for (const InstalledProvider& provider : providers) {
        if (provider.isDefault && provider.bits == view.bits) {
            return ChooseEntry(provider, choice, error);
        }
    }
    InstalledProvider entry;
    entry.key = key;
    entry.path = ServerPath(key, view, &entry.name);
    if (entry.name.empty()) {
        entry.name = key;
    }
    return ChooseEntry(entry, choice, error);
}

} // namespace

namespace {

// Appends the providers listed in `view`.
HRESULT ListProvidersIn(const View& view, std::vector<InstalledProvider>* providers) {
    ScopedRegKey list;
    HRESULT hr = OpenKey(kInstalledProvidersKey, view, &list);
    if (FAILED(hr) || !list) return hr;
    const std::wstring defaultKey = DefaultKey(view);
    for (DWORD index = 0;; ++index) {
        // A value name holds at most 16,383 characters.
        wchar_t name[16384];
        DWORD nameLength = static_cast<DWORD>(sizeof name / sizeof name[0]);
        DWORD type = 0;
        LONG error =
            ::RegEnumValueW(list.get(), index, name, &nameLength, nullptr, &type, nullptr, nullptr);
        if (error == ERROR_NO_MORE_ITEMS) {
            return S_OK;
        }
        if (error != ERROR_SUCCESS) {
            return HResultFromWin32(error);
        }
        InstalledProvider provider;
        provider.name.assign(name, nameLength);
        provider.key = ReadText(list.get(), provider.name.c_str());
        if (provider.key.empty()) {
            continue; // not a provider entry: no key named
        }
        provider.path = ServerPath(provider.key, view);
        provider.isDefault = !defaultKey.empty() && SameText(provider.key, defaultKey);
        provider.bits = view.bits;
        providers->push_back(std::move(provider));
    }
}

} // namespace

HRESULT ListInstalledProviders(std::vector<InstalledProvider>* providers) {
    providers->clear();
    for (const View& view : Views()) {
        HRESULT hr = ListProvidersIn(view, providers);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

bool ChooseProvider(const std::wstring& given, ProviderChoice* choice, std::wstring* error) {
    if (given.empty()) {
        return ChooseDefault(choice, error);
    }
    if (given.find_first_of(L"\\/") != std::wstring::npos) {
        return ChoosePath(given, choice, error);
    }
    std::vector<InstalledProvider> providers;
    HRESULT hr = ListInstalledProviders(&providers);
    if (FAILED(hr)) return Fail(error, L"cannot read the machine's list of providers");
    for (const InstalledProvider& provider : providers) {
        if (SameText(provider.name, given)) {
            return ChooseEntry(provider, choice, error);
        }
    }
    return Fail(error, L"no provider named \"" + given +
                           L"\" is installed (\"plimo-scc providers\" lists them)");
}
