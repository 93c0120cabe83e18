// The provider's exported entry points: they check the caller's arguments, find the session
// behind the context and hand each file to the open SampleProject.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "provider_entry_points.h"
#include "sample_project.h"
#include "provider_values.h"
#include "thread_text.h"

#define SAMPLE_EXPORT extern "C" __declspec(dllexport)

namespace {

constexpr char kProviderName[] = "Plimo sample provider";
constexpr char kAuxPathLabel[] = "Store folder";
constexpr LONG kMaxCommentLength = 1024;
constexpr LONG kCapabilities = SCC_CAP_REMOVE | SCC_CAP_RENAME | SCC_CAP_QUERYINFO |
                               SCC_CAP_GETPROJPATH | SCC_CAP_COMMENTCHECKIN | SCC_CAP_COMMENTADD |
                               SCC_CAP_TEXTOUT | SCC_CAP_POPULATELIST;
// The caller's buffer capacities, terminator included.
constexpr size_t kUserCapacity = SCC_USER_LEN + 1;
constexpr size_t kProjectPathCapacity = SCC_PRJPATH_LEN + 1;

// What SccInitialize hands out as the context: one caller's session.
struct Session {
    std::unique_ptr<SampleProject> project;
};

// Every session alive, owned here so that they all go when the library is unloaded. A caller
// may keep handing over a context after SccUninitialize freed it, so a context is used only once
// it is found in this list. The provider is not reentrant: calls come one at a time.
std::vector<std::unique_ptr<Session>>& Sessions() {
    static std::vector<std::unique_ptr<Session>> sessions;
    return sessions;
}

Session* FindSession(void* context) {
    for (const std::unique_ptr<Session>& session : Sessions()) {
        if (session.get() == context) {
            return session.get();
        }
    }
    return nullptr;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    return path;
}

// The store used when the caller names none: a folder beside the working folder.
std::wstring DefaultStore(const std::wstring& workingFolder) {
    std::wstring folder = WithoutTrailingSeparators(workingFolder);
    return folder.empty() ? folder : folder + L".store";
}

// The last name in the path of the working folder, which names its project by default.
std::wstring FolderName(const std::wstring& workingFolder) {
    std::wstring folder = WithoutTrailingSeparators(workingFolder);
    return folder.substr(folder.find_last_of(L"\\/:") + 1);
}

// The name of the signed-in user, or empty when it has no narrow form.
std::string SignedInUser() {
    wchar_t name[256 + 1];
    DWORD length = ARRAYSIZE(name);
    std::string narrow;
    if (!::GetUserNameW(name, &length) || !Narrow(name, &narrow)) {
        return std::string();
    }
    return narrow;
}

// The caller's user name, or the signed-in user's when the caller gave none.
bool ChooseUser(const char* given, std::string* user) {
    *user = *given != '\0' ? std::string(given) : SignedInUser();
    return !user->empty() && user->size() <= SCC_USER_LEN;
}

// Runs `body`, turning any exception (out of memory, in practice) into a failure code: nothing
// may be thrown across the exports.
template <typename Body> LONG Guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return SCC_E_NONSPECIFICERROR;
    }
}

// The project open in the session behind `context`: SCC_OK, or why there is none.
LONG FindProject(void* context, SampleProject** project) {
    Session* session = FindSession(context);
    if (session == nullptr) {
        return SCC_E_INITIALIZEFAILED;
    }
    if (!session->project) {
        return SCC_E_PROJNOTOPEN;
    }
    *project = session->project.get();
    return SCC_OK;
}

// Applies `apply` to every file of a file-list call and returns the first failure, or SCC_OK.
// One file's failure does not keep the others from being done.
template <typename Apply>
LONG ForEachFile(void* context, LONG nFiles, LPCSTR* lpFileNames, Apply apply) {
    SampleProject* project = nullptr;
    LONG found = FindProject(context, &project);
    if (found != SCC_OK) {
        return found;
    }
    if (nFiles < 0 || (nFiles > 0 && lpFileNames == nullptr)) {
        return SCC_E_NONSPECIFICERROR;
    }
    return Guarded([&]() -> LONG {
        LONG result = SCC_OK;
        for (LONG i = 0; i < nFiles; ++i) {
            LONG one = apply(*project, lpFileNames[i], i);
            if (result == SCC_OK) {
                result = one;
            }
        }
        return result;
    });
}

} // namespace

SAMPLE_EXPORT LONG __cdecl SccInitialize(void** ppvContext, HWND, LPCSTR, LPSTR lpSccName,
                                         LONG* lpSccCaps, LPSTR lpAuxPathLabel,
                                         LONG* pnCheckoutCommentLen, LONG* pnCommentLen) {
    return Guarded([&]() -> LONG {
        if (ppvContext == nullptr || lpSccName == nullptr || lpSccCaps == nullptr ||
            lpAuxPathLabel == nullptr || pnCheckoutCommentLen == nullptr ||
            pnCommentLen == nullptr) {
            return SCC_E_INITIALIZEFAILED;
        }
        Sessions().push_back(std::make_unique<Session>());
        *ppvContext = Sessions().back().get();
        CopyToBuffer(kProviderName, lpSccName, SCC_NAME_LEN + 1);
        CopyToBuffer(kAuxPathLabel, lpAuxPathLabel, SCC_AUXLABEL_LEN + 1);
        *lpSccCaps = kCapabilities;
        *pnCheckoutCommentLen = 0; // check-outs take no comment
        *pnCommentLen = kMaxCommentLength;
        return SCC_OK;
    });
}

SAMPLE_EXPORT LONG __cdecl SccUninitialize(void* pvContext) {
    std::vector<std::unique_ptr<Session>>& sessions = Sessions();
    for (auto it = sessions.begin(); it != sessions.end(); ++it) {
        if (it->get() == pvContext) {
            sessions.erase(it);
            return SCC_OK;
        }
    }
    return SCC_E_INITIALIZEFAILED;
}

SAMPLE_EXPORT LONG __cdecl SccGetVersion(void*) {
    // The sample implements what version 1.2 of the interface asks of a provider.
    return (SCC_VER_MAJOR << 16) | 2;
}

SAMPLE_EXPORT LONG __cdecl SccSetOption(void* pvContext, LONG, LONG_PTR) {
    return FindSession(pvContext) != nullptr ? SCC_E_OPNOTSUPPORTED : SCC_E_INITIALIZEFAILED;
}

SAMPLE_EXPORT LONG __cdecl SccGetCommandOptions(void* pvContext, HWND, LONG, LONG_PTR*) {
    return FindSession(pvContext) != nullptr ? SCC_E_OPNOTSUPPORTED : SCC_E_INITIALIZEFAILED;
}

SAMPLE_EXPORT LONG __cdecl SccOpenProject(void* pvContext, HWND, LPSTR lpUser, LPCSTR lpProjName,
                                          LPCSTR lpLocalProjPath, LPSTR lpAuxProjPath, LPCSTR,
                                          provider::TextOutProc lpTextOutProc, LONG dwFlags) {
    return Guarded([&]() -> LONG {
        Session* session = FindSession(pvContext);
        if (session == nullptr) {
            return SCC_E_INITIALIZEFAILED;
        }
        if (session->project) {
            return SCC_E_PROJECTALREADYOPEN;
        }
        if (lpUser == nullptr || lpProjName == nullptr || lpLocalProjPath == nullptr ||
            lpAuxProjPath == nullptr) {
            return SCC_E_NONSPECIFICERROR;
        }
        std::string user;
        if (!ChooseUser(lpUser, &user)) {
            return SCC_E_INVALIDUSER;
        }
        std::wstring local = Widen(lpLocalProjPath);
        std::wstring store = *lpAuxProjPath != '\0' ? Widen(lpAuxProjPath) : DefaultStore(local);
        std::string storeText;
        if (local.empty() || store.empty() || !Narrow(store, &storeText) ||
            storeText.size() >= kProjectPathCapacity) {
            return SCC_E_INVALIDFILEPATH;
        }
        LONG result = SCC_OK;
        session->project =
            SampleProject::Open(user, lpProjName, local, store, (dwFlags & SCC_OP_CREATEIFNEW) != 0,
                                lpTextOutProc, &result);
        if (!session->project) {
            return result;
        }
        // Both fit (checked above); the caller learns whom the project was opened for and where
        // its store is.
        CopyToBuffer(user, lpUser, kUserCapacity);
        CopyToBuffer(storeText, lpAuxProjPath, kProjectPathCapacity);
        return SCC_OK;
    });
}

SAMPLE_EXPORT LONG __cdecl SccCloseProject(void* pvContext) {
    Session* session = FindSession(pvContext);
    if (session == nullptr) {
        return SCC_E_INITIALIZEFAILED;
    }
    if (!session->project) {
        return SCC_E_PROJNOTOPEN;
    }
    session->project.reset();
    return SCC_OK;
}

// With no user interface to browse with, the provider proposes what SccOpenProject would use:
// the project named after the working folder, its store beside it. *pbNew comes back set when
// the caller allowed a new project and the store holds none yet.
SAMPLE_EXPORT LONG __cdecl SccGetProjPath(void* pvContext, HWND, LPSTR lpUser, LPSTR lpProjName,
                                          LPSTR lpLocalPath, LPSTR lpAuxProjPath, BOOL,
                                          BOOL* pbNew) {
    return Guarded([&]() -> LONG {
        if (FindSession(pvContext) == nullptr) {
            return SCC_E_INITIALIZEFAILED;
        }
        if (lpUser == nullptr || lpProjName == nullptr || lpLocalPath == nullptr ||
            lpAuxProjPath == nullptr || pbNew == nullptr) {
            return SCC_E_NONSPECIFICERROR;
        }
        std::string user;
        if (!ChooseUser(lpUser, &user)) {
            return SCC_E_INVALIDUSER;
        }
        std::wstring local = Widen(lpLocalPath);
        std::wstring store = *lpAuxProjPath != '\0' ? Widen(lpAuxProjPath) : DefaultStore(local);
        std::string storeText;
        std::string name = lpProjName;
        if (local.empty() || store.empty() || !Narrow(store, &storeText) ||
            storeText.size() >= kProjectPathCapacity ||
            (name.empty() && !Narrow(FolderName(local), &name)) || name.empty() ||
            name.size() >= kProjectPathCapacity) {
            return SCC_E_INVALIDFILEPATH;
        }
        bool exists = SampleProject::StoreHoldsProject(store);
        if (!exists && !*pbNew) {
            return SCC_E_UNKNOWNPROJECT;
        }
        *pbNew = exists ? FALSE : TRUE;
        CopyToBuffer(user, lpUser, kUserCapacity);
        CopyToBuffer(name, lpProjName, kProjectPathCapacity);
        CopyToBuffer(storeText, lpAuxProjPath, kProjectPathCapacity);
        return SCC_OK;
    });
}

SAMPLE_EXPORT LONG __cdecl SccAdd(void* pvContext, HWND, LONG nFiles, LPCSTR* lpFileNames,
                                  LPCSTR lpComment, LONG*, LONG_PTR) {
    // Files are stored byte for byte, so the per-file type options change nothing.
    return ForEachFile(
        pvContext, nFiles, lpFileNames,
        [&](SampleProject& project, LPCSTR file, LONG) { return project.Add(file, lpComment); });
}

SAMPLE_EXPORT LONG __cdecl SccCheckout(void* pvContext, HWND, LONG nFiles, LPCSTR* lpFileNames,
                                       LPCSTR, LONG, LONG_PTR) {
    return ForEachFile(
        pvContext, nFiles, lpFileNames,
        [](SampleProject& project, LPCSTR file, LONG) { return project.Checkout(file); });
}

SAMPLE_EXPORT LONG __cdecl SccCheckin(void* pvContext, HWND, LONG nFiles, LPCSTR* lpFileNames,
                                      LPCSTR lpComment, LONG fOptions, LONG_PTR) {
    bool keep = (fOptions & SCC_KEEP_CHECKEDOUT) != 0;
    return ForEachFile(pvContext, nFiles, lpFileNames,
                       [&](SampleProject& project, LPCSTR file, LONG) {
                           return project.Checkin(file, lpComment, keep);
                       });
}

SAMPLE_EXPORT LONG __cdecl SccUncheckout(void* pvContext, HWND, LONG nFiles, LPCSTR* lpFileNames,
                                         LONG, LONG_PTR) {
    return ForEachFile(
        pvContext, nFiles, lpFileNames,
        [](SampleProject& project, LPCSTR file, LONG) { return project.Uncheckout(file); });
}

SAMPLE_EXPORT LONG __cdecl SccGet(void* pvContext, HWND, LONG nFiles, LPCSTR* lpFileNames,
                                  LONG fOptions, LONG_PTR) {
    // Folders are not kept under version, so there is nothing to get "all" or "recursively".
    if ((fOptions & (SCC_GET_ALL | SCC_GET_RECURSIVE)) != 0) {
        return FindSession(pvContext) != nullptr ? SCC_E_OPNOTSUPPORTED : SCC_E_INITIALIZEFAILED;
    }
    return ForEachFile(pvContext, nFiles, lpFileNames,
                       [](SampleProject& project, LPCSTR file, LONG) { return project.Get(file); });
}

SAMPLE_EXPORT LONG __cdecl SccQueryInfo(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                        LONG* lpStatus) {
    if (nFiles > 0 && lpStatus == nullptr) {
        return SCC_E_NONSPECIFICERROR;
    }
    return ForEachFile(pvContext, nFiles, lpFileNames,
                       [&](SampleProject& project, LPCSTR file, LONG index) {
                           lpStatus[index] = project.Status(file);
                           return SCC_OK;
                       });
}

// The comment and options are not used: the record and its log leave the store with the file.
SAMPLE_EXPORT LONG __cdecl SccRemove(void* pvContext, HWND, LONG nFiles, LPCSTR* lpFileNames,
                                     LPCSTR, LONG, LONG_PTR) {
    return ForEachFile(
        pvContext, nFiles, lpFileNames,
        [](SampleProject& project, LPCSTR file, LONG) { return project.Remove(file); });
}

SAMPLE_EXPORT LONG __cdecl SccRename(void* pvContext, HWND, LPCSTR lpFileName, LPCSTR lpNewName) {
    SampleProject* project = nullptr;
    LONG found = FindProject(pvContext, &project);
    if (found != SCC_OK) {
        return found;
    }
    return Guarded([&]() { return project->Rename(lpFileName, lpNewName); });
}

// Tells the caller which of the files it lists for a command have no place there. With SCC_PL_DIR
// the names are folders, and every controlled file directly in each is offered to the list. The
// status words are written for every name, even after the callback asked to stop.
SAMPLE_EXPORT LONG __cdecl SccPopulateList(void* pvContext, LONG nCommand, LONG nFiles,
                                           LPCSTR* lpFileNames,
                                           provider::PopulateListProc pfnPopulate,
                                           void* pvCallerData, LONG* lpStatus, LONG fOptions) {
    if (nFiles > 0 && (lpStatus == nullptr || pfnPopulate == nullptr)) {
        return SCC_E_NONSPECIFICERROR;
    }
    bool goOn = true;
    auto offer = [&](BOOL keep, LONG status, const char* name) {
        goOn = goOn && pfnPopulate(pvCallerData, keep, status, name) != FALSE;
    };
    if ((fOptions & SCC_PL_DIR) != 0) {
        return ForEachFile(pvContext, nFiles, lpFileNames,
                           [&](SampleProject& project, LPCSTR folder, LONG index) {
                               std::vector<SampleProject::ListedFile> files;
                               lpStatus[index] = project.ControlledFilesIn(folder, &files);
                               for (const SampleProject::ListedFile& file : files) {
                                   offer(TRUE, file.status, file.path.c_str());
                               }
                               return SCC_OK;
                           });
    }
    // Only an add takes files that are not controlled yet; every other command takes only
    // controlled ones.
    bool forAdd = nCommand == SCC_COMMAND_ADD;
    return ForEachFile(
        pvContext, nFiles, lpFileNames, [&](SampleProject& project, LPCSTR file, LONG index) {
            LONG status = project.Status(file);
            lpStatus[index] = status;
            bool controlled = status != SCC_STATUS_INVALID && (status & SCC_STATUS_CONTROLLED) != 0;
            bool fits = forAdd ? status == SCC_STATUS_NOTCONTROLLED : controlled;
            if (!fits && file != nullptr) {
                offer(FALSE, status, file);
            }
            return SCC_OK;
        });
}

SAMPLE_EXPORT LONG __cdecl SccQueryChanges(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                           provider::QueryChangesProc pfnCallback,
                                           void* pvCallerData) {
    if (nFiles > 0 && pfnCallback == nullptr) {
        return SCC_E_NONSPECIFICERROR;
    }
    bool goOn = true;
    // The store keeps no renames, so the latest name is always the name asked about.
    return ForEachFile(
        pvContext, nFiles, lpFileNames, [&](SampleProject& project, LPCSTR file, LONG) {
            if (goOn && file != nullptr) {
                provider::QueryChangesData change = {sizeof(provider::QueryChangesData), file,
                                                     project.Change(file), file};
                goOn = pfnCallback(pvCallerData, &change) != FALSE;
            }
            return SCC_OK;
        });
}

// Every change is written at once, so a batch has nothing to defer.
SAMPLE_EXPORT LONG __cdecl SccBeginBatch(void* pvContext) {
    return FindSession(pvContext) != nullptr ? SCC_OK : SCC_E_INITIALIZEFAILED;
}

SAMPLE_EXPORT LONG __cdecl SccEndBatch(void* pvContext) {
    return FindSession(pvContext) != nullptr ? SCC_OK : SCC_E_INITIALIZEFAILED;
}

// The exports must keep exactly the shapes callers use.
static_assert(std::is_same_v<decltype(&SccInitialize), provider::SccInitializeFn>);
static_assert(std::is_same_v<decltype(&SccUninitialize), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccGetVersion), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccSetOption), provider::SccSetOptionFn>);
static_assert(std::is_same_v<decltype(&SccGetCommandOptions), provider::SccGetCommandOptionsFn>);
static_assert(std::is_same_v<decltype(&SccOpenProject), provider::SccOpenProjectFn>);
static_assert(std::is_same_v<decltype(&SccCloseProject), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccGetProjPath), provider::SccGetProjPathFn>);
static_assert(std::is_same_v<decltype(&SccAdd), provider::SccAddFn>);
static_assert(std::is_same_v<decltype(&SccCheckout), provider::SccCheckinFn>);
static_assert(std::is_same_v<decltype(&SccCheckin), provider::SccCheckinFn>);
static_assert(std::is_same_v<decltype(&SccUncheckout), provider::SccUncheckoutFn>);
static_assert(std::is_same_v<decltype(&SccGet), provider::SccUncheckoutFn>);
static_assert(std::is_same_v<decltype(&SccQueryInfo), provider::SccQueryInfoFn>);
static_assert(std::is_same_v<decltype(&SccBeginBatch), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccEndBatch), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccRemove), provider::SccRemoveFn>);
static_assert(std::is_same_v<decltype(&SccRename), provider::SccRenameFn>);
static_assert(std::is_same_v<decltype(&SccPopulateList), provider::SccPopulateListFn>);
static_assert(std::is_same_v<decltype(&SccQueryChanges), provider::SccQueryChangesFn>);
