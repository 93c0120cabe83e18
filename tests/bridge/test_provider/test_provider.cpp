// A source-control provider for tests: it exports every entry point the bridge calls, records
// each call in the shared record, and answers as the record's script says.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "own_fault.h"
#include "provider_entry_points.h"
#include "provider_record.h"
#include "scoped_resource.h"

using namespace testprovider;

#if defined(_MSC_VER)
#define NOINLINE __declspec(noinline)
#else
#define NOINLINE __attribute__((noinline))
#endif

#ifdef SPARSE_PROVIDER
constexpr int32_t kVariant = 1;
#else
constexpr int32_t kVariant = 0;
#endif

namespace {

HANDLE g_mapping = nullptr;
Shared* g_shared = nullptr;
// The text-output procedure the last SccOpenProject received.
provider::TextOutProc g_textOut = nullptr;
// The callback and caller data the last SccPopulateList received, kept as a provider that
// caches them would.
provider::PopulateListProc g_keptPopulate = nullptr;
void* g_keptData = nullptr;

// Starts the record of one call; a full record drops further calls but still counts them.
Call& Record(Entry entry, void* context) {
    static Call overflow;
    if (g_shared->pumping != 0) {
        ::InterlockedIncrement(&g_shared->enteredWhilePumping);
    }
    LONG index = ::InterlockedIncrement(&g_shared->callCount) - 1;
    Call& call = index < kMaxCalls ? g_shared->calls[index] : overflow;
    std::memset(&call, 0, sizeof call);
    call.entry = entry;
    call.variant = kVariant;
    call.processId = ::GetCurrentProcessId();
    call.context = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(context));
    return call;
}

void RecordText(Call& call, int slot, const char* text) {
    call.textNull[slot] = text == nullptr;
    if (text != nullptr) {
        std::strncpy(call.text[slot], text, kTextSize - 1);
        call.textLength[slot] = static_cast<int32_t>(std::strlen(text));
    }
}

void RecordFiles(Call& call, LONG count, LPCSTR* names) {
    call.fileCount = count;
    call.filesNull = names == nullptr;
    if (names == nullptr) {
        return;
    }
    for (LONG i = 0; i < count && i < kMaxFiles; ++i) {
        std::strncpy(call.files[i], names[i], kFileSize - 1);
    }
    call.filesHash = HashNames(names, count);
}

int32_t Ptr(const void* p) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(p));
}

const Script& Plan() {
    return g_shared->script;
}

// Rewrites the in/out buffer at `slot` of a call to `entry` when the script asks for it.
void WriteText(Entry entry, int slot, char* buffer, size_t capacity) {
    if (buffer == nullptr) {
        return;
    }
    if (Plan().misbehaving == entry && Plan().misbehaviour == kFillUnterminated) {
        std::memset(buffer, 'a' + slot, capacity);
        return;
    }
    if ((Plan().writeTextMask & (1 << slot)) == 0) {
        return;
    }
    std::strncpy(buffer, Plan().writeText[slot], capacity - 1);
    buffer[capacity - 1] = '\0';
}

void WriteLong(int slot, LONG* target) {
    if ((Plan().writeLongMask & (1 << slot)) != 0 && target != nullptr) {
        *target = Plan().writeLong[slot];
    }
}

// A pointer-sized output: the scripted number, with Script::highHalf above it where a pointer has
// room for one.
void WriteLongPtr(int slot, LONG_PTR* target) {
    if ((Plan().writeLongMask & (1 << slot)) != 0 && target != nullptr) {
        *target = Plan().writeLong[slot];
        if (sizeof(LONG_PTR) > sizeof(LONG) && Plan().highHalf != 0) {
            *target = static_cast<LONG_PTR>((static_cast<ULONG_PTR>(Plan().highHalf) << 16 << 16) |
                                            static_cast<ULONG>(Plan().writeLong[slot]));
        }
    }
}

// A recursion bug: every frame keeps a buffer live across the call below it, so it can be neither
// folded into a loop nor kept off the stack.
NOINLINE int Recurse(int depth) {
    // Far beyond any stack: the bound only keeps the compiler from calling the recursion endless.
    static volatile int limit = 0x7FFFFFFF;
    if (depth >= limit) {
        return 0;
    }
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    return Recurse(depth + 1) + frame[0];
}

// Pumps this thread's messages until `stop` is set, at most kPumpingLimitMs.
void PumpMessagesUntil(HANDLE stop) {
    const ULONGLONG deadline = ::GetTickCount64() + kPumpingLimitMs;
    for (ULONGLONG now = ::GetTickCount64(); now < deadline; now = ::GetTickCount64()) {
        HANDLE waits[] = {stop};
        const DWORD woke = ::MsgWaitForMultipleObjects(
            1, waits, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) {
            return;
        }
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

// Pumps messages, as a modal dialog does, until the test says stop.
void PumpUntilStopped() {
    ScopedHandle pumping(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kPumpingEvent));
    ScopedHandle stop(::OpenEventW(SYNCHRONIZE, FALSE, kStopPumpingEvent));
    if (!pumping || !stop) {
        return;
    }
    ::InterlockedExchange(&g_shared->pumping, 1);
    ::SetEvent(pumping.get());
    PumpMessagesUntil(stop.get());
    ::InterlockedExchange(&g_shared->pumping, 0);
}

// Does what `misbehaviour` says.
void Misbehave(int32_t misbehaviour) {
    switch (misbehaviour) {
    case kFaultOnNull:
        *static_cast<volatile int*>(nullptr) = 1;
        break;
    case kHandleOwnFault:
        // The provider's own handler: registered beneath the bridge's, it must see the fault
        // first.
        if (RaiseAndHandleOwnFault()) {
            ::InterlockedIncrement(&g_shared->ownFaultsHandled);
        }
        break;
    case kExitProcess:
        ::ExitProcess(kExitProcessCode);
    case kAbort:
        std::abort();
    case kOverflowStack:
        Recurse(0);
        break;
    case kPumpMessages:
        PumpUntilStopped();
        break;
    case kPostQuit:
        ::PostQuitMessage(0);
        break;
    default:
        break;
    }
}

// Does what the script asks of `entry` beyond recording, then gives its result.
// Writes the scripted messages through the text-output procedure, if there is one.
void WriteMessages() {
    if (g_textOut == nullptr) {
        return;
    }
    if (Plan().cancelProtocol) {
        g_textOut("", SCC_MSG_STARTCANCEL);
        g_shared->doCancelAnswer = g_textOut("", SCC_MSG_DOCANCEL);
    }
    // One buffer for every huge message of a call.
    std::string huge(static_cast<size_t>(Plan().messageBytes > 0 ? Plan().messageBytes : 0), 'm');
    for (int32_t i = 0; i < Plan().messageCount; ++i) {
        char text[kTextSize];
        if (Plan().messageText[0] != '\0') {
            std::strncpy(text, Plan().messageText, sizeof text - 1);
            text[sizeof text - 1] = '\0';
        } else {
            std::snprintf(text, sizeof text, "message %d", static_cast<int>(i));
        }
        g_textOut(huge.empty() ? text : huge.c_str(), static_cast<DWORD>(i % 4 + 1));
    }
    if (Plan().cancelProtocol) {
        g_textOut("", SCC_MSG_STOPCANCEL);
    }
}

LONG Answer(Entry entry) {
    if (Plan().misbehaving == entry) {
        Misbehave(Plan().misbehaviour);
    }
    WriteMessages();
    return Plan().results[static_cast<int>(entry)];
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_shared = MapShared(&g_mapping);
        if (g_shared == nullptr) {
            return FALSE;
        }
        // A start-up misbehaves once: the next load of the library starts up as usual.
        if (Plan().misbehaving == Entry::Load) {
            g_shared->script.misbehaving = Entry::None;
            Misbehave(Plan().misbehaviour);
        }
        return TRUE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        // A null `reserved` means FreeLibrary, not the end of the process.
        if (reserved == nullptr) {
            g_shared->lastFreeProcessId = ::GetCurrentProcessId();
            ::InterlockedIncrement(&g_shared->libraryFrees);
        }
        ::UnmapViewOfFile(g_shared);
        ::CloseHandle(g_mapping);
    }
    return TRUE;
}

#define PROVIDER_ENTRY extern "C" __declspec(dllexport) LONG __cdecl

#ifndef SPARSE_PROVIDER
PROVIDER_ENTRY SccInitialize(void** ppvContext, HWND hWnd, LPCSTR lpCallerName, LPSTR lpSccName,
                             LONG* lpSccCaps, LPSTR lpAuxPathLabel, LONG* pnCheckoutCommentLen,
                             LONG* pnCommentLen) {
    Call& call = Record(Entry::Initialize, ppvContext != nullptr ? *ppvContext : nullptr);
    call.args[0] = Ptr(hWnd);
    call.args[1] = Ptr(lpSccCaps);
    call.args[2] = Ptr(pnCheckoutCommentLen);
    call.args[3] = Ptr(pnCommentLen);
    call.args[4] = Ptr(ppvContext);
    RecordText(call, 0, lpCallerName);
    RecordText(call, 1, lpSccName);
    RecordText(call, 2, lpAuxPathLabel);
    if (Plan().storeContext) {
        *ppvContext = reinterpret_cast<void*>(static_cast<uintptr_t>(Plan().contextToStore));
    }
    WriteText(Entry::Initialize, 0, lpSccName, SCC_NAME_LEN + 1);
    WriteText(Entry::Initialize, 1, lpAuxPathLabel, SCC_AUXLABEL_LEN + 1);
    WriteLong(0, lpSccCaps);
    WriteLong(1, pnCheckoutCommentLen);
    WriteLong(2, pnCommentLen);
    return Answer(Entry::Initialize);
}
#endif

PROVIDER_ENTRY SccUninitialize(void* pvContext) {
    Record(Entry::Uninitialize, pvContext);
    return Answer(Entry::Uninitialize);
}

PROVIDER_ENTRY SccGetVersion(void* pvContext) {
    Record(Entry::GetVersion, pvContext);
    return Answer(Entry::GetVersion);
}

PROVIDER_ENTRY SccSetOption(void* pvContext, LONG nOption, LONG_PTR dwVal) {
    Call& call = Record(Entry::SetOption, pvContext);
    call.args[0] = nOption;
    call.args[1] = static_cast<int32_t>(dwVal);
    if (Plan().misbehaving == Entry::SetOption && Plan().misbehaviour == kCallCallback) {
        const LONG_PTR target =
            Plan().callback != 0 ? static_cast<LONG_PTR>(Plan().callback) : dwVal;
        reinterpret_cast<void(__cdecl*)(int, int, int)>(target)(1, 2, 3);
    }
    return Answer(Entry::SetOption);
}

PROVIDER_ENTRY SccGetCommandOptions(void* pvContext, HWND hWnd, LONG iCommand, LONG_PTR* pCookie) {
    Call& call = Record(Entry::GetCommandOptions, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = iCommand;
    call.args[2] = Ptr(pCookie);
    call.args[3] = pCookie != nullptr ? static_cast<int32_t>(*pCookie) : 0;
    WriteLongPtr(0, pCookie);
    return Answer(Entry::GetCommandOptions);
}

PROVIDER_ENTRY SccOpenProject(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpProjName,
                              LPCSTR lpLocalProjPath, LPSTR lpAuxProjPath, LPCSTR lpComment,
                              provider::TextOutProc lpTextOutProc, LONG dwFlags) {
    Call& call = Record(Entry::OpenProject, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = Ptr(reinterpret_cast<const void*>(lpTextOutProc));
    g_textOut = lpTextOutProc;
    call.args[2] = dwFlags;
    RecordText(call, 0, lpUser);
    RecordText(call, 1, lpProjName);
    RecordText(call, 2, lpLocalProjPath);
    RecordText(call, 3, lpAuxProjPath);
    RecordText(call, 4, lpComment);
    WriteText(Entry::OpenProject, 0, lpUser, SCC_USER_LEN + 1);
    WriteText(Entry::OpenProject, 1, lpAuxProjPath, SCC_PRJPATH_LEN + 1);
    if (Plan().requireTextOutput && lpTextOutProc == nullptr) {
        return SCC_E_NONSPECIFICERROR; // as a provider that writes through it answers
    }
    return Answer(Entry::OpenProject);
}

#ifndef WITHOUT_CLOSE_PROJECT
PROVIDER_ENTRY SccCloseProject(void* pvContext) {
    Record(Entry::CloseProject, pvContext);
    return Answer(Entry::CloseProject);
}
#endif

#ifndef SPARSE_PROVIDER
PROVIDER_ENTRY SccGetProjPath(void* pvContext, HWND hWnd, LPSTR lpUser, LPSTR lpProjName,
                              LPSTR lpLocalPath, LPSTR lpAuxProjPath, BOOL bAllowChangePath,
                              BOOL* pbNew) {
    Call& call = Record(Entry::GetProjPath, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = bAllowChangePath;
    call.args[2] = Ptr(pbNew);
    call.args[3] = pbNew != nullptr ? *pbNew : 0;
    RecordText(call, 0, lpUser);
    RecordText(call, 1, lpProjName);
    RecordText(call, 2, lpLocalPath);
    RecordText(call, 3, lpAuxProjPath);
    WriteText(Entry::GetProjPath, 0, lpUser, SCC_USER_LEN + 1);
    WriteText(Entry::GetProjPath, 1, lpProjName, SCC_PRJPATH_LEN + 1);
    WriteText(Entry::GetProjPath, 2, lpLocalPath, MAX_PATH + 1);
    WriteText(Entry::GetProjPath, 3, lpAuxProjPath, SCC_PRJPATH_LEN + 1);
    WriteLong(0, reinterpret_cast<LONG*>(pbNew));
    return Answer(Entry::GetProjPath);
}
#endif

namespace {

// SccCheckin and SccCheckout share their shape.
// The high half of a pointer-sized value; 0 in a 32-bit provider.
int32_t HighHalf(LONG_PTR value) {
    return static_cast<int32_t>(static_cast<unsigned long long>(static_cast<ULONG_PTR>(value)) >>
                                32);
}

LONG CommentedFileCall(Entry entry, void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                       LPCSTR lpComment, LONG fOptions, LONG_PTR pvOptions) {
    Call& call = Record(entry, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = nFiles;
    call.args[2] = fOptions;
    call.args[3] = static_cast<int32_t>(pvOptions);
    call.args[7] = HighHalf(pvOptions);
    RecordFiles(call, nFiles, lpFileNames);
    RecordText(call, 0, lpComment);
    return Answer(entry);
}

// SccUncheckout and SccGet share their shape.
LONG PlainFileCall(Entry entry, void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                   LONG fOptions, LONG_PTR pvOptions) {
    Call& call = Record(entry, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = nFiles;
    call.args[2] = fOptions;
    call.args[3] = static_cast<int32_t>(pvOptions);
    RecordFiles(call, nFiles, lpFileNames);
    return Answer(entry);
}

} // namespace

PROVIDER_ENTRY SccCheckin(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                          LPCSTR lpComment, LONG fOptions, LONG_PTR pvOptions) {
    return CommentedFileCall(Entry::Checkin, pvContext, hWnd, nFiles, lpFileNames, lpComment,
                             fOptions, pvOptions);
}

PROVIDER_ENTRY SccCheckout(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                           LPCSTR lpComment, LONG fOptions, LONG_PTR pvOptions) {
    return CommentedFileCall(Entry::Checkout, pvContext, hWnd, nFiles, lpFileNames, lpComment,
                             fOptions, pvOptions);
}

PROVIDER_ENTRY SccUncheckout(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                             LONG fOptions, LONG_PTR pvOptions) {
    return PlainFileCall(Entry::Uncheckout, pvContext, hWnd, nFiles, lpFileNames, fOptions,
                         pvOptions);
}

#ifndef SPARSE_PROVIDER
PROVIDER_ENTRY SccGet(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, LONG fOptions,
                      LONG_PTR pvOptions) {
    return PlainFileCall(Entry::Get, pvContext, hWnd, nFiles, lpFileNames, fOptions, pvOptions);
}

PROVIDER_ENTRY SccAdd(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                      LPCSTR lpComment, LONG* pfOptions, LONG_PTR pvOptions) {
    Call& call = Record(Entry::Add, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = nFiles;
    call.args[2] = static_cast<int32_t>(pvOptions);
    RecordFiles(call, nFiles, lpFileNames);
    RecordText(call, 0, lpComment);
    call.optionsNull = pfOptions == nullptr;
    for (LONG i = 0; pfOptions != nullptr && i < nFiles && i < kMaxFiles; ++i) {
        call.options[i] = pfOptions[i];
    }
    return Answer(Entry::Add);
}

PROVIDER_ENTRY SccQueryInfo(void* pvContext, LONG nFiles, LPCSTR* lpFileNames, LONG* lpStatus) {
    Call& call = Record(Entry::QueryInfo, pvContext);
    call.args[0] = nFiles;
    RecordFiles(call, nFiles, lpFileNames);
    call.optionsNull = lpStatus == nullptr;
    for (LONG i = 0; lpStatus != nullptr && i < nFiles && i < kMaxFiles; ++i) {
        call.options[i] = lpStatus[i]; // what the bridge handed in: all 0
    }
    for (LONG i = 0; lpStatus != nullptr && i < nFiles && i < Plan().statusCount; ++i) {
        lpStatus[i] = Plan().status[i];
    }
    return Answer(Entry::QueryInfo);
}

PROVIDER_ENTRY SccBeginBatch(void* pvContext) {
    Record(Entry::BeginBatch, pvContext);
    return Answer(Entry::BeginBatch);
}
#endif

PROVIDER_ENTRY SccEndBatch(void* pvContext) {
    Record(Entry::EndBatch, pvContext);
    return Answer(Entry::EndBatch);
}

// ---- The rest of the provider interface ----

namespace {

// What a reporting entry does before its own items: a kReportToKeptCallback entry reports into the
// callback an earlier SccPopulateList left behind.
void ReportToKeptCallback(Entry entry) {
    if (Plan().misbehaving != entry || Plan().misbehaviour != kReportToKeptCallback ||
        g_keptPopulate == nullptr) {
        return;
    }
    ::InterlockedIncrement(&g_shared->ghostCalls);
    if (g_keptPopulate(g_keptData, TRUE, 0, kGhostName) != FALSE) {
        ::InterlockedIncrement(&g_shared->ghostAccepted);
    }
}

// What a reporting entry does after its items: a kFaultAfterReporting entry faults.
void AfterReporting(Entry entry) {
    if (Plan().misbehaving == entry && Plan().misbehaviour == kFaultAfterReporting) {
        *static_cast<volatile int*>(nullptr) = 1;
    }
}

// Reports the scripted items, "item<i>", through `report` until it says stop.
template <typename Report> void ReportItems(Report report) {
    const int32_t count = Plan().reportCount == kEndless ? kEndlessBound : Plan().reportCount;
    g_shared->itemsReported = 0;
    for (int32_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "item%d", static_cast<int>(i));
        ++g_shared->itemsReported;
        if (!report(i, name)) {
            return;
        }
    }
}

// A call on one name: the window, the name and two numbers.
LONG NamedCall(Entry entry, void* pvContext, HWND hWnd, LPCSTR name, LONG first, LONG_PTR second) {
    Call& call = Record(entry, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = first;
    call.args[2] = static_cast<int32_t>(second);
    RecordText(call, 0, name);
    return Answer(entry);
}

// A call on a list whose entry writes one value per name: the scripted status words.
template <typename T>
LONG ListCall(Entry entry, void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, T* perName,
              LONG first, LONG second) {
    Call& call = Record(entry, pvContext);
    call.args[0] = Ptr(hWnd);
    call.args[1] = nFiles;
    call.args[2] = first;
    call.args[3] = second;
    RecordFiles(call, nFiles, lpFileNames);
    for (LONG i = 0; perName != nullptr && i < nFiles && i < Plan().statusCount; ++i) {
        perName[i] = static_cast<T>(Plan().status[i]);
    }
    return Answer(entry);
}

} // namespace

PROVIDER_ENTRY SccRemove(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                         LPCSTR lpComment, LONG fOptions, LONG_PTR pvOptions) {
    return CommentedFileCall(Entry::Remove, pvContext, hWnd, nFiles, lpFileNames, lpComment,
                             fOptions, pvOptions);
}

PROVIDER_ENTRY SccHistory(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                          LONG fOptions, LONG_PTR pvOptions) {
    return PlainFileCall(Entry::History, pvContext, hWnd, nFiles, lpFileNames, fOptions, pvOptions);
}

PROVIDER_ENTRY SccRename(void* pvContext, HWND hWnd, LPCSTR lpFileName, LPCSTR lpNewName) {
    Call& call = Record(Entry::Rename, pvContext);
    call.args[0] = Ptr(hWnd);
    RecordText(call, 0, lpFileName);
    RecordText(call, 1, lpNewName);
    return Answer(Entry::Rename);
}

PROVIDER_ENTRY SccDiff(void* pvContext, HWND hWnd, LPCSTR lpFileName, LONG fOptions,
                       LONG_PTR pvOptions) {
    return NamedCall(Entry::Diff, pvContext, hWnd, lpFileName, fOptions, pvOptions);
}

PROVIDER_ENTRY SccDirDiff(void* pvContext, HWND hWnd, LPCSTR lpDirName, LONG dwFlags,
                          LONG_PTR pvOptions) {
    return NamedCall(Entry::DirDiff, pvContext, hWnd, lpDirName, dwFlags, pvOptions);
}

PROVIDER_ENTRY SccProperties(void* pvContext, HWND hWnd, LPCSTR lpFileName) {
    return NamedCall(Entry::Properties, pvContext, hWnd, lpFileName, 0, 0);
}

PROVIDER_ENTRY SccRunScc(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames) {
    return ListCall<LONG>(Entry::RunScc, pvContext, hWnd, nFiles, lpFileNames, nullptr, 0, 0);
}

PROVIDER_ENTRY SccBackgroundGet(void* pvContext, LONG nFiles, LPCSTR* lpFileNames, LONG dwFlags,
                                LONG dwBackgroundOperationID) {
    return ListCall<LONG>(Entry::BackgroundGet, pvContext, nullptr, nFiles, lpFileNames, nullptr,
                          dwFlags, dwBackgroundOperationID);
}

PROVIDER_ENTRY SccDirQueryInfo(void* pvContext, LONG nDirs, LPCSTR* lpDirNames, LONG* lpStatus) {
    return ListCall(Entry::DirQueryInfo, pvContext, nullptr, nDirs, lpDirNames, lpStatus, 0, 0);
}

PROVIDER_ENTRY SccWillCreateSccFile(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                    BOOL* pbSccFiles) {
    return ListCall(Entry::WillCreateSccFile, pvContext, nullptr, nFiles, lpFileNames, pbSccFiles,
                    0, 0);
}

PROVIDER_ENTRY SccEnumChangedFiles(void* pvContext, HWND hWnd, LONG cFiles, LPCSTR* lpFileNames,
                                   LONG* plEvent) {
    return ListCall(Entry::EnumChangedFiles, pvContext, hWnd, cFiles, lpFileNames, plEvent, 0, 0);
}

PROVIDER_ENTRY SccGetEvents(void* pvContext, LPSTR lpFileName, LONG* lpStatus,
                            LONG* pnEventsRemaining) {
    Record(Entry::GetEvents, pvContext);
    WriteText(Entry::GetEvents, 0, lpFileName, MAX_PATH + 1);
    WriteLong(0, lpStatus);
    WriteLong(1, pnEventsRemaining);
    return Answer(Entry::GetEvents);
}

PROVIDER_ENTRY SccGetExtendedCapabilities(void* pvContext, LONG lSccExCap, BOOL* pbSupported) {
    Call& call = Record(Entry::GetExtendedCapabilities, pvContext);
    call.args[0] = lSccExCap;
    WriteLong(0, reinterpret_cast<LONG*>(pbSupported));
    return Answer(Entry::GetExtendedCapabilities);
}

PROVIDER_ENTRY SccIsMultiCheckoutEnabled(void* pvContext, BOOL* pbMultiCheckout) {
    Record(Entry::IsMultiCheckoutEnabled, pvContext);
    WriteLong(0, reinterpret_cast<LONG*>(pbMultiCheckout));
    return Answer(Entry::IsMultiCheckoutEnabled);
}

PROVIDER_ENTRY SccGetUserOption(void* pvContext, LONG nOption, LONG* lpVal) {
    Call& call = Record(Entry::GetUserOption, pvContext);
    call.args[0] = nOption;
    WriteLong(0, lpVal);
    return Answer(Entry::GetUserOption);
}

PROVIDER_ENTRY SccCreateSubProject(void* pvContext, HWND hWnd, LPSTR lpUser,
                                   LPCSTR lpParentProjPath, LPCSTR lpSubProjName,
                                   LPSTR lpAuxProjPath, LPSTR lpSubProjPath) {
    Call& call = Record(Entry::CreateSubProject, pvContext);
    call.args[0] = Ptr(hWnd);
    RecordText(call, 0, lpUser);
    RecordText(call, 1, lpParentProjPath);
    RecordText(call, 2, lpSubProjName);
    RecordText(call, 3, lpAuxProjPath);
    RecordText(call, 4, lpSubProjPath);
    WriteText(Entry::CreateSubProject, 0, lpUser, SCC_USER_LEN + 1);
    WriteText(Entry::CreateSubProject, 1, lpAuxProjPath, SCC_PRJPATH_LEN + 1);
    WriteText(Entry::CreateSubProject, 2, lpSubProjPath, SCC_PRJPATH_LEN + 1);
    return Answer(Entry::CreateSubProject);
}

PROVIDER_ENTRY SccGetParentProjectPath(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpProjPath,
                                       LPSTR lpAuxProjPath, LPSTR lpParentProjPath) {
    Call& call = Record(Entry::GetParentProjectPath, pvContext);
    call.args[0] = Ptr(hWnd);
    RecordText(call, 0, lpUser);
    RecordText(call, 1, lpProjPath);
    RecordText(call, 2, lpAuxProjPath);
    RecordText(call, 3, lpParentProjPath);
    WriteText(Entry::GetParentProjectPath, 0, lpUser, SCC_USER_LEN + 1);
    WriteText(Entry::GetParentProjectPath, 1, lpAuxProjPath, SCC_PRJPATH_LEN + 1);
    WriteText(Entry::GetParentProjectPath, 2, lpParentProjPath, SCC_PRJPATH_LEN + 1);
    return Answer(Entry::GetParentProjectPath);
}

PROVIDER_ENTRY SccAddFromScc(void* pvContext, HWND hWnd, LONG* pnFiles, LPCSTR** lplpFileNames) {
    if (lplpFileNames == nullptr) {
        // The second call: the list handed out before is freed.
        if (pnFiles != nullptr) {
            ::InterlockedDecrement(&g_shared->listsOutstanding);
        }
        return 0;
    }
    Call& call = Record(Entry::AddFromScc, pvContext);
    call.args[0] = Ptr(hWnd);
    if (Plan().misbehaving == Entry::AddFromScc && Plan().misbehaviour == kNegativeCount) {
        *pnFiles = -1;
        return Answer(Entry::AddFromScc);
    }
    if (Plan().misbehaving == Entry::AddFromScc && Plan().misbehaviour == kCountBeyondTheList) {
        // Two names at the very end of a readable page, with nothing readable after them.
        static char* pages = static_cast<char*>(
            ::VirtualAlloc(nullptr, 2 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        static DWORD protection = 0;
        static BOOL fenced = ::VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &protection);
        auto* list = reinterpret_cast<LPCSTR*>(pages + 4096) - 2;
        list[0] = "item0";
        list[1] = "item1";
        *pnFiles = fenced ? kBeyondTheListCount : 2;
        *lplpFileNames = list;
        ::InterlockedIncrement(&g_shared->listsOutstanding);
        return Answer(Entry::AddFromScc);
    }
    // Kept until the next call, as a provider's own list is kept until it is freed.
    static std::vector<std::string> names;
    static std::vector<LPCSTR> list;
    names.clear();
    list.clear();
    // A list has an end: an endless one stands for ten times what a call keeps.
    const int32_t count = Plan().reportCount == kEndless ? 1000000 : Plan().reportCount;
    names.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        names.push_back("item" + std::to_string(i));
    }
    for (const std::string& name : names) {
        list.push_back(name.c_str());
    }
    g_shared->itemsReported = count;
    *pnFiles = count;
    *lplpFileNames = list.data();
    ::InterlockedIncrement(&g_shared->listsOutstanding);
    return Answer(Entry::AddFromScc);
}

PROVIDER_ENTRY SccPopulateList(void* pvContext, LONG nCommand, LONG nFiles, LPCSTR* lpFileNames,
                               provider::PopulateListProc pfnPopulate, void* pvCallerData,
                               LONG* lpStatus, LONG fOptions) {
    const LONG result = ListCall(Entry::PopulateList, pvContext, nullptr, nFiles, lpFileNames,
                                 lpStatus, nCommand, fOptions);
    ReportToKeptCallback(Entry::PopulateList);
    g_keptPopulate = pfnPopulate;
    g_keptData = pvCallerData;
    ReportItems([&](int32_t i, const char* name) {
        return pfnPopulate(pvCallerData, i % 2 == 0, i, name) != FALSE;
    });
    AfterReporting(Entry::PopulateList);
    return result;
}

#ifndef WITHOUT_QUERY_CHANGES
PROVIDER_ENTRY SccQueryChanges(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                               provider::QueryChangesProc pfnCallback, void* pvCallerData) {
    const LONG result =
        ListCall<LONG>(Entry::QueryChanges, pvContext, nullptr, nFiles, lpFileNames, nullptr, 0, 0);
    ReportToKeptCallback(Entry::QueryChanges);
    ReportItems([&](int32_t i, const char* name) {
        char latest[40];
        std::snprintf(latest, sizeof latest, "%s.new", name);
        provider::QueryChangesData data{sizeof(provider::QueryChangesData), name,
                                        static_cast<DWORD>(i % 5), latest};
        return pfnCallback(pvCallerData, &data) != FALSE;
    });
    AfterReporting(Entry::QueryChanges);
    return result;
}
#endif

PROVIDER_ENTRY SccPopulateDirList(void* pvContext, LONG nDirs, LPCSTR* lpDirPaths,
                                  provider::PopulateDirListProc pfnPopulate, void* pvCallerData,
                                  LONG dwFlags) {
    const LONG result = ListCall<LONG>(Entry::PopulateDirList, pvContext, nullptr, nDirs,
                                       lpDirPaths, nullptr, dwFlags, 0);
    ReportToKeptCallback(Entry::PopulateDirList);
    ReportItems([&](int32_t i, const char* name) {
        return pfnPopulate(pvCallerData, i % 3 == 0, name) != FALSE;
    });
    AfterReporting(Entry::PopulateDirList);
    return result;
}

// The exports must keep exactly the shapes the bridge calls them with.
#ifndef SPARSE_PROVIDER
static_assert(std::is_same_v<decltype(&SccInitialize), provider::SccInitializeFn>);
static_assert(std::is_same_v<decltype(&SccGetProjPath), provider::SccGetProjPathFn>);
static_assert(std::is_same_v<decltype(&SccAdd), provider::SccAddFn>);
static_assert(std::is_same_v<decltype(&SccQueryInfo), provider::SccQueryInfoFn>);
static_assert(std::is_same_v<decltype(&SccGet), provider::SccUncheckoutFn>);
#endif
static_assert(std::is_same_v<decltype(&SccGetVersion), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccSetOption), provider::SccSetOptionFn>);
static_assert(std::is_same_v<decltype(&SccGetCommandOptions), provider::SccGetCommandOptionsFn>);
static_assert(std::is_same_v<decltype(&SccOpenProject), provider::SccOpenProjectFn>);
static_assert(std::is_same_v<decltype(&SccCheckin), provider::SccCheckinFn>);
static_assert(std::is_same_v<decltype(&SccUncheckout), provider::SccUncheckoutFn>);
static_assert(std::is_same_v<decltype(&SccRemove), provider::SccRemoveFn>);
static_assert(std::is_same_v<decltype(&SccRename), provider::SccRenameFn>);
static_assert(std::is_same_v<decltype(&SccDiff), provider::SccDiffFn>);
static_assert(std::is_same_v<decltype(&SccHistory), provider::SccHistoryFn>);
static_assert(std::is_same_v<decltype(&SccProperties), provider::SccPropertiesFn>);
static_assert(std::is_same_v<decltype(&SccRunScc), provider::SccRunSccFn>);
static_assert(std::is_same_v<decltype(&SccGetEvents), provider::SccGetEventsFn>);
static_assert(std::is_same_v<decltype(&SccAddFromScc), provider::SccAddFromSccFn>);
static_assert(std::is_same_v<decltype(&SccDirQueryInfo), provider::SccDirQueryInfoFn>);
static_assert(
    std::is_same_v<decltype(&SccGetExtendedCapabilities), provider::SccGetExtendedCapabilitiesFn>);
static_assert(std::is_same_v<decltype(&SccCreateSubProject), provider::SccCreateSubProjectFn>);
static_assert(
    std::is_same_v<decltype(&SccGetParentProjectPath), provider::SccGetParentProjectPathFn>);
static_assert(
    std::is_same_v<decltype(&SccIsMultiCheckoutEnabled), provider::SccIsMultiCheckoutEnabledFn>);
static_assert(std::is_same_v<decltype(&SccWillCreateSccFile), provider::SccWillCreateSccFileFn>);
static_assert(std::is_same_v<decltype(&SccEnumChangedFiles), provider::SccEnumChangedFilesFn>);
static_assert(std::is_same_v<decltype(&SccGetUserOption), provider::SccGetUserOptionFn>);
static_assert(std::is_same_v<decltype(&SccBackgroundGet), provider::SccBackgroundGetFn>);
static_assert(std::is_same_v<decltype(&SccPopulateList), provider::SccPopulateListFn>);
#ifndef WITHOUT_QUERY_CHANGES
static_assert(std::is_same_v<decltype(&SccQueryChanges), provider::SccQueryChangesFn>);
#endif
static_assert(std::is_same_v<decltype(&SccPopulateDirList), provider::SccPopulateDirListFn>);
