#include "proxy_commands.h"

#include <windows.h>

#include "command_line.h"
#include "console_output.h"
#include "exit_status.h"
#include "image_machine.h"
#include "json_text.h"
#include "provider_registry.h"
#include "registry_text.h"
#include "scc_words.h"
#include "scc_proxy_registry.h"
#include "scoped_resource.h"
#include "terminal_text.h"
#include "win32_error.h"

namespace {

// One registry view: the flag that names it, and the width of the hosts that read it.
struct View {
    REGSAM flag;
    int bits;
};
constexpr View kViews[] = {{KEY_WOW64_32KEY, 32}, {KEY_WOW64_64KEY, 64}};

const View& ViewOf(int bits) {
    return bits == 64 ? kViews[1] : kViews[0];
}

bool HasSixtyFourBitView() {
    if (sizeof(void*) == 8) {
        return true;
    }
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

int Fail(const std::wstring& reason, int code = kExitUsage) {
    WriteError(L"plimo-scc: proxy: " + reason + L"\n");
    return code;
}

std::wstring Describe(HRESULT hr) {
    return Hexadecimal(static_cast<unsigned long>(hr));
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The name as a key and folder name: the characters neither may hold become '_'.
std::wstring KeyName(const std::wstring& name) {
    std::wstring key = name;
    for (wchar_t& c : key) {
        if (c < 32 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) {
            c = L'_';
        }
    }
    return key;
}

std::wstring EntryKey(const std::wstring& keyName) {
    return std::wstring(sccproxy::kProxyRootKey) + L"\\" + keyName;
}

std::wstring Folder(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The proxy of `bits`, found beside this program: in its folder or its x64 folder, or in the
// folder above and that one's x64 folder (the build tree keeps 32-bit plimo-scc in x86\).
std::wstring FindProxy(int bits) {
    wchar_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    const std::wstring name = bits == 64 ? sccproxy::kProxy64FileName : sccproxy::kProxy32FileName;
    const std::wstring here = Folder(std::wstring(self, length));
    for (const std::wstring& folder :
         {here, here + L"\\x64", Folder(here), Folder(here) + L"\\x64"}) {
        if (!folder.empty() && FileExists(folder + L"\\" + name)) {
            return folder + L"\\" + name;
        }
    }
    return std::wstring();
}

LONG OpenKey(const std::wstring& path, const View& view, REGSAM access, ScopedRegKey* key) {
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | view.flag, key->put());
}

LONG CreateKey(const std::wstring& path, const View& view, ScopedRegKey* key) {
    return ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                             KEY_READ | KEY_SET_VALUE | view.flag, nullptr, key->put(), nullptr);
}

LONG WriteText(HKEY key, const wchar_t* name, const std::wstring& text) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// One proxied provider as its entry records it.
struct ProxyEntry {
    std::wstring keyName;
    std::wstring listName;
    std::wstring proxyPath;
    std::wstring providerName;
    std::wstring providerPath;
    int hostBits = 0;
    bool isDefault = false;
};

std::vector<ProxyEntry> ListEntries() {
    std::vector<ProxyEntry> entries;
    for (const View& view : kViews) {
        if (view.bits == 64 && !HasSixtyFourBitView()) {
            continue;
        }
        ScopedRegKey root, defaults;
        if (OpenKey(sccproxy::kProxyRootKey, view, KEY_READ, &root) != ERROR_SUCCESS) {
            continue;
        }
        OpenKey(kProviderRootKey, view, KEY_READ, &defaults);
        const std::wstring defaultKey = ReadRegistryText(defaults.get(), kDefaultProviderValue);
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD length = 256;
            if (::RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr,
                                nullptr) != ERROR_SUCCESS) {
                break;
            }
            ScopedRegKey key;
            if (OpenKey(EntryKey(name), view, KEY_READ, &key) != ERROR_SUCCESS) {
                continue;
            }
            entries.push_back({name, ReadRegistryText(key.get(), sccproxy::kServerNameValue),
                               ReadRegistryText(key.get(), sccproxy::kServerPathValue),
                               ReadRegistryText(key.get(), sccproxy::kProviderNameValue),
                               ReadRegistryText(key.get(), sccproxy::kProviderPathValue), view.bits,
                               SameText(defaultKey, EntryKey(name))});
        }
    }
    return entries;
}

int List(bool json) {
    const std::vector<ProxyEntry> entries = ListEntries();
    if (json) {
        std::vector<std::wstring> items;
        for (const ProxyEntry& entry : entries) {
            items.push_back(JsonObject()
                                .Text(L"name", entry.listName)
                                .Text(L"provider", entry.providerName)
                                .Text(L"providerPath", entry.providerPath)
                                .Text(L"proxy", entry.proxyPath)
                                .Number(L"hostBits", entry.hostBits)
                                .Bool(L"default", entry.isDefault)
                                .str());
        }
        WriteOut(JsonObject().Raw(L"proxies", JsonArray(items)).str() + L"\n");
        return kExitSuccess;
    }
    if (entries.empty()) {
        WriteOut(L"no provider runs through the proxy (\"plimo-scc proxy add NAME\" adds one)\n");
    }
    for (const ProxyEntry& entry : entries) {
        // The names come from the registry, which others may write: never raw to the terminal.
        WriteOut(TerminalText(entry.listName) + L": " + std::to_wstring(entry.hostBits) +
                 L"-bit hosts load " + TerminalText(entry.proxyPath) + L", which runs " +
                 TerminalText(entry.providerPath) + (entry.isDefault ? L" (default)\n" : L"\n"));
    }
    return kExitSuccess;
}

// The installed provider `name` that is not itself an entry of the proxy.
bool FindProvider(const std::wstring& name, InstalledProvider* found) {
    std::vector<InstalledProvider> providers;
    if (FAILED(ListInstalledProviders(&providers))) {
        return false;
    }
    const std::wstring ours = std::wstring(sccproxy::kProxyRootKey) + L"\\";
    for (const InstalledProvider& provider : providers) {
        if (SameText(provider.name, name) && !SameText(provider.key.substr(0, ours.size()), ours)) {
            *found = provider;
            return true;
        }
    }
    return false;
}

int Add(const std::wstring& name, bool makeDefault) {
    InstalledProvider provider;
    if (!FindProvider(name, &provider)) {
        return Fail(L"no provider named \"" + name +
                    L"\" is installed (\"plimo-scc providers\" lists them)");
    }
    if (provider.path.empty()) {
        return Fail(L"the provider \"" + provider.name + L"\" names no DLL");
    }
    WORD machine = 0;
    int providerBits = SUCCEEDED(ReadImageMachine(provider.path, &machine)) ? ServerBitsFor(machine)
                                                                            : provider.bits;
    if (providerBits == 0) {
        return Fail(provider.path + L" is a " + MachineName(machine) +
                    L" DLL, which no PlimoCOMWrapper server loads");
    }
    const int hostBits = providerBits == 32 ? 64 : 32;
    if (!HasSixtyFourBitView()) {
        return Fail(L"this Windows has one registry view and runs 32-bit hosts only; they load \"" +
                    provider.name + L"\" themselves");
    }
    const std::wstring proxy = FindProxy(hostBits);
    if (proxy.empty()) {
        return Fail(L"the " + std::to_wstring(hostBits) + L"-bit proxy " +
                        (hostBits == 64 ? sccproxy::kProxy64FileName : sccproxy::kProxy32FileName) +
                        L" is not beside plimo-scc",
                    kExitNotReached);
    }
    // A copy of its own per entry: its path is how the proxy knows which provider it stands for.
    const std::wstring keyName = KeyName(provider.name);
    const std::wstring copies = Folder(proxy) + L"\\" + sccproxy::kCopiesFolder;
    const std::wstring copy = copies + L"\\" + keyName + proxy.substr(Folder(proxy).size());
    ::CreateDirectoryW(copies.c_str(), nullptr);
    ::CreateDirectoryW(Folder(copy).c_str(), nullptr);
    if (!::CopyFileW(proxy.c_str(), copy.c_str(), FALSE)) {
        return Fail(L"cannot copy the proxy to " + copy + L": " + Describe(FailureFromLastError()),
                    kExitNotReached);
    }
    const View& view = ViewOf(hostBits);
    const std::wstring listName = provider.name + sccproxy::kListNameSuffix;
    ScopedRegKey entry, list, root;
    LONG error = CreateKey(EntryKey(keyName), view, &entry);
    if (error == ERROR_SUCCESS)
        error = WriteText(entry.get(), sccproxy::kServerNameValue, listName);
    if (error == ERROR_SUCCESS) error = WriteText(entry.get(), sccproxy::kServerPathValue, copy);
    if (error == ERROR_SUCCESS)
        error = WriteText(entry.get(), sccproxy::kProviderNameValue, provider.name);
    if (error == ERROR_SUCCESS)
        error = WriteText(entry.get(), sccproxy::kProviderPathValue, provider.path);
    if (error == ERROR_SUCCESS) error = CreateKey(kInstalledProvidersKey, view, &list);
    if (error == ERROR_SUCCESS) error = WriteText(list.get(), listName.c_str(), EntryKey(keyName));
    if (error == ERROR_SUCCESS && makeDefault) {
        error = CreateKey(kProviderRootKey, view, &root);
        const std::wstring previous = ReadRegistryText(root.get(), kDefaultProviderValue);
        if (error == ERROR_SUCCESS && !previous.empty() && !SameText(previous, EntryKey(keyName))) {
            error = WriteText(entry.get(), sccproxy::kPreviousDefaultValue, previous);
        }
        if (error == ERROR_SUCCESS) {
            error = WriteText(root.get(), kDefaultProviderValue, EntryKey(keyName));
        }
    }
    if (error != ERROR_SUCCESS) {
        return Fail(L"cannot write the " + std::to_wstring(hostBits) +
                        L"-bit registry view (run as an administrator): " +
                        Describe(HResultFromWin32(error)),
                    kExitNotReached);
    }
    WriteOut(L"proxy: \"" + listName + L"\" added for " + std::to_wstring(hostBits) +
             L"-bit hosts" + (makeDefault ? L", as their default provider" : L"") + L": " + copy +
             L" runs " + provider.path + L" in the " + std::to_wstring(providerBits) +
             L"-bit server\n");
    return kExitSuccess;
}

int Remove(const std::wstring& given) {
    // The provider's name, or the entry's own name in the list.
    std::wstring name = given;
    const std::wstring suffix = sccproxy::kListNameSuffix;
    if (name.size() > suffix.size() && SameText(name.substr(name.size() - suffix.size()), suffix)) {
        name.erase(name.size() - suffix.size());
    }
    int removed = 0;
    for (const ProxyEntry& entry : ListEntries()) {
        if (!SameText(entry.providerName, name) && !SameText(entry.keyName, KeyName(name))) {
            continue;
        }
        const View& view = ViewOf(entry.hostBits);
        ScopedRegKey key, list, root;
        OpenKey(EntryKey(entry.keyName), view, KEY_READ, &key);
        const std::wstring previous = ReadRegistryText(key.get(), sccproxy::kPreviousDefaultValue);
        key.reset();
        if (OpenKey(kInstalledProvidersKey, view, KEY_SET_VALUE, &list) == ERROR_SUCCESS) {
            ::RegDeleteValueW(list.get(), entry.listName.c_str());
        }
        // The default goes back to what --default replaced, if it is still ours.
        if (entry.isDefault &&
            OpenKey(kProviderRootKey, view, KEY_SET_VALUE, &root) == ERROR_SUCCESS) {
            if (previous.empty()) {
                ::RegDeleteValueW(root.get(), kDefaultProviderValue);
            } else {
                WriteText(root.get(), kDefaultProviderValue, previous);
            }
        }
        const LONG error =
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, EntryKey(entry.keyName).c_str(), view.flag, 0);
        if (error != ERROR_SUCCESS) {
            return Fail(L"cannot remove HKLM\\" + EntryKey(entry.keyName) + L": " +
                            Describe(HResultFromWin32(error)),
                        kExitNotReached);
        }
        // The copy goes too; a host that still has it loaded keeps it until it lets go.
        ::DeleteFileW(entry.proxyPath.c_str());
        ::RemoveDirectoryW(Folder(entry.proxyPath).c_str());
        WriteOut(L"proxy: \"" + entry.listName + L"\" removed for " +
                 std::to_wstring(entry.hostBits) + L"-bit hosts\n");
        ++removed;
    }
    return removed > 0 ? kExitSuccess
                       : Fail(L"no provider named \"" + given +
                              L"\" runs through the proxy (\"plimo-scc proxy list\" lists them)");
}

} // namespace

int RunProxyCommand(const std::vector<std::wstring>& args) {
    const std::wstring verb = args.empty() ? std::wstring() : args[0];
    std::vector<std::wstring> words;
    bool makeDefault = false, json = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == L"--default" && verb == L"add") {
            makeDefault = true;
        } else if (args[i] == L"--json" && verb == L"list") {
            json = true;
        } else if (args[i].size() > 1 && args[i][0] == L'-') {
            return Fail(L"unknown option " + args[i] + L"\nusage: " + ProxyUsage());
        } else {
            words.push_back(args[i]);
        }
    }
    if (verb == L"list" && words.empty()) {
        return List(json);
    }
    if ((verb == L"add" || verb == L"remove") && words.size() == 1 && !words[0].empty()) {
        return verb == L"add" ? Add(words[0], makeDefault) : Remove(words[0]);
    }
    return Fail(std::wstring(L"takes add NAME [--default], remove NAME or list [--json]\nusage: ") +
                ProxyUsage());
}
