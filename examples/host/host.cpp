// plimo-host: a small source-control host, as IDEs and other tools are. It loads a provider by
// its name in the machine's list of providers, opens a project and shows the status of the files,
// checks them out and checks them in, printing what the provider says through the host's
// text-output procedure and what it lists in the folder through the host's populate callback.
//
//   plimo-host PROVIDER PROJECT FOLDER FILE...
//
// It knows nothing of PlimoCOMWrapper: given "NAME (through PlimoCOMWrapper)" (see
// "plimo-scc proxy add"), it loads the proxy provider and drives the real one in its server.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "provider_entry_points.h"
#include "scoped_resource.h"

namespace {

constexpr wchar_t kInstalledProviders[] =
    L"SOFTWARE\\SourceCodeControlProvider\\InstalledSCCProviders";

// The host's text-output procedure: everything the provider says during a call.
LONG __cdecl PrintMessage(LPCSTR message, DWORD type) {
    static const char* const kinds[] = {"", "info", "warning", "error", "status"};
    std::printf("  provider %s: %s\n", type < 5 ? kinds[type] : "message", message);
    return SCC_MSG_RTN_OK;
}

// The host's populate callback: each file the provider reports for the list.
BOOL __cdecl PrintListed(void* caller, BOOL keep, LONG status, LPCSTR name) {
    std::printf("  listed: %s (status 0x%04lX%s)\n", name, static_cast<unsigned long>(status),
                keep ? "" : ", left out");
    ++*static_cast<int*>(caller);
    return TRUE; // go on
}

// What one status word says, for a person.
std::string StatusWords(LONG status) {
    if (status == SCC_STATUS_INVALID) return "invalid";
    std::string words = (status & SCC_STATUS_CONTROLLED) ? "controlled" : "not controlled";
    if (status & SCC_STATUS_CHECKEDOUT) words += ", checked out";
    if (status & SCC_STATUS_OUTOTHER) words += " by someone else";
    return words;
}

// The DLL the machine's list names for `name`: the list value gives a key under HKLM, whose
// SCCServerPath is the DLL. A host reads the view of its own width, as this one does.
std::wstring ProviderDll(const std::wstring& name) {
    wchar_t key[MAX_PATH] = {}, dll[MAX_PATH] = {};
    DWORD size = sizeof key;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, kInstalledProviders, name.c_str(), RRF_RT_REG_SZ,
                       nullptr, key, &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    size = sizeof dll;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, L"SCCServerPath", RRF_RT_REG_SZ, nullptr, dll,
                       &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return dll;
}

std::string Narrow(const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size : 1, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

std::string FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return Narrow(length > 0 && length < MAX_PATH ? std::wstring(full, length) : path);
}

// The provider's entry points, looked up by name as every host does.
struct Provider {
    template <typename F> static void Look(HMODULE dll, const char* name, F* entry) {
        *entry = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(dll, name)));
    }

    provider::SccInitializeFn initialize;
    provider::SccContextFn uninitialize, closeProject;
    provider::SccOpenProjectFn openProject;
    provider::SccPopulateListFn populateList;
    provider::SccQueryInfoFn queryInfo;
    provider::SccCheckinFn checkout, checkin;

    bool Find(HMODULE dll) {
        Look(dll, "SccInitialize", &initialize);
        Look(dll, "SccUninitialize", &uninitialize);
        Look(dll, "SccCloseProject", &closeProject);
        Look(dll, "SccOpenProject", &openProject);
        Look(dll, "SccPopulateList", &populateList);
        Look(dll, "SccQueryInfo", &queryInfo);
        Look(dll, "SccCheckout", &checkout);
        Look(dll, "SccCheckin", &checkin);
        return initialize && uninitialize && closeProject && openProject && populateList &&
               queryInfo && checkout && checkin;
    }
};

// Prints one call's result; true when the provider answered success.
bool Report(const char* call, LONG result) {
    std::printf("%s -> %ld%s\n", call, static_cast<long>(result), result < 0 ? " (failed)" : "");
    return result >= 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: plimo-host PROVIDER PROJECT FOLDER FILE...\n");
        return 2;
    }
    const std::wstring dll = ProviderDll(argv[1]);
    if (dll.empty()) {
        std::fprintf(stderr, "plimo-host: no provider named \"%s\" in this host's list\n",
                     Narrow(argv[1]).c_str());
        return 2;
    }
    std::printf("loading %s\n", Narrow(dll).c_str());
    ScopedLibrary library(::LoadLibraryW(dll.c_str()));
    Provider scc{};
    if (!library || !scc.Find(library.get())) {
        std::fprintf(stderr, "plimo-host: %s is no provider this host can load\n",
                     Narrow(dll).c_str());
        return 3;
    }

    // The provider's session: its name and capabilities, then the project.
    void* context = nullptr;
    char name[SCC_NAME_LEN + 1] = {}, label[SCC_AUXLABEL_LEN + 1] = {};
    char user[SCC_USER_LEN + 1] = "", aux[SCC_PRJPATH_LEN + 1] = "";
    LONG caps = 0, checkoutComment = 0, comment = 0;
    if (!Report("SccInitialize", scc.initialize(&context, nullptr, "plimo-host", name, &caps, label,
                                                &checkoutComment, &comment))) {
        return 1;
    }
    std::printf("  provider: %s, capabilities 0x%08lX\n", name, static_cast<unsigned long>(caps));
    const std::string project = Narrow(argv[2]), folder = FullPath(argv[3]);
    const bool opened = Report(
        "SccOpenProject", scc.openProject(context, nullptr, user, project.c_str(), folder.c_str(),
                                          aux, nullptr, &PrintMessage, SCC_OP_SILENTOPEN));
    bool ok = opened;
    if (opened) {
        std::vector<std::string> paths;
        for (int i = 4; i < argc; ++i) {
            paths.push_back(FullPath(argv[i]));
        }
        std::vector<LPCSTR> files;
        for (const std::string& path : paths) {
            files.push_back(path.c_str());
        }
        const LONG count = static_cast<LONG>(files.size());
        std::vector<LONG> status(files.size());

        // What the provider has in the project's folder, through the host's populate callback.
        int listed = 0;
        LPCSTR folders[] = {folder.c_str()};
        LONG folderStatus = 0;
        ok = Report("SccPopulateList",
                    scc.populateList(context, SCC_COMMAND_GET, 1, folders, &PrintListed, &listed,
                                     &folderStatus, SCC_PL_DIR)) &&
             ok;
        std::printf("  %d listed\n", listed);
        ok = Report("SccQueryInfo", scc.queryInfo(context, count, files.data(), status.data())) &&
             ok;
        for (size_t i = 0; i < files.size(); ++i) {
            std::printf("  %s: %s\n", files[i], StatusWords(status[i]).c_str());
        }
        ok = Report("SccCheckout", scc.checkout(context, nullptr, count, files.data(),
                                                "edited by plimo-host", 0, 0)) &&
             ok;
        ok = Report("SccCheckin", scc.checkin(context, nullptr, count, files.data(),
                                              "checked in by plimo-host", 0, 0)) &&
             ok;
        Report("SccCloseProject", scc.closeProject(context));
    }
    Report("SccUninitialize", scc.uninitialize(context));
    return ok ? 0 : 1;
}
