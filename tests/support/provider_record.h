// The test provider's shared record: what each call received and what the next calls do.
// It lives in a named shared memory section, so a test reads it whether the provider runs in
// the test's own process or inside the server.
#pragma once

#include <windows.h>

#include <cstdint>

namespace testprovider {

enum class Entry : int32_t {
    None,
    Initialize,
    Uninitialize,
    GetVersion,
    SetOption,
    GetCommandOptions,
    OpenProject,
    CloseProject,
    GetProjPath,
    Checkin,
    Checkout,
    Uncheckout,
    Get,
    Add,
    QueryInfo,
    BeginBatch,
    EndBatch,
    Load, // the library's start-up (DllMain's process attach), which records no call
    Remove,
    Rename,
    Diff,
    History,
    Properties,
    RunScc,
    GetEvents,
    AddFromScc,
    DirQueryInfo,
    DirDiff,
    GetExtendedCapabilities,
    CreateSubProject,
    GetParentProjectPath,
    IsMultiCheckoutEnabled,
    WillCreateSccFile,
    EnumChangedFiles,
    GetUserOption,
    BackgroundGet,
    PopulateList,
    QueryChanges,
    PopulateDirList,
    Count
};

constexpr int kMaxCalls = 64;
constexpr int kMaxTexts = 5;
constexpr int kTextSize = 400;
constexpr int kMaxFiles = 8;
constexpr int kFileSize = 280;

// What a misbehaving entry does (Script::misbehaviour, for the entry Script::misbehaving).
enum Misbehaviour : int32_t {
    kBehave = 0,
    kFaultOnNull = 1,      // dereferences a null pointer, after recording the call
    kCallCallback = 2,     // SccSetOption calls its value as a function with three arguments
    kHandleOwnFault = 3,   // raises an access violation and handles it itself, then returns
    kFillUnterminated = 4, // fills every in/out text buffer to its capacity, with no terminator
    kExitProcess = 5,      // ends its process with ExitProcess(kExitProcessCode), after recording
    kAbort = 6,            // calls abort(), after recording the call, as a failed assertion would
    kOverflowStack = 7,    // recurses until its stack overflows, after recording the call
    kPumpMessages = 8,     // pumps messages, as a dialog does, until kStopPumpingEvent is set
    kPostQuit = 9,         // posts WM_QUIT to its thread, as a dialog's own loop may, and returns
    // Before reporting, calls the SccPopulateList callback it kept from an earlier call with that
    // call's caller data, reporting kGhostName (Shared::ghostCalls and ghostAccepted say how it
    // answered).
    kReportToKeptCallback = 10,
    kFaultAfterReporting = 11, // a reporting entry reports its items, then faults
    // SccAddFromScc hands out a list of two names at the very end of readable memory with a count
    // of kBeyondTheListCount: reading a third name faults.
    kCountBeyondTheList = 12,
    kNegativeCount = 13, // SccAddFromScc hands back a count of -1 and no list
};

// What a kReportToKeptCallback entry reports through the kept callback.
constexpr char kGhostName[] = "GHOST-FROM-THE-PREVIOUS-CALL";
constexpr int32_t kBeyondTheListCount = 4000000;

// Named events of a kPumpMessages entry: it sets kPumpingEvent once it pumps, and pumps until
// kStopPumpingEvent is set (at most kPumpingLimitMs). A test creates both before the call.
constexpr wchar_t kPumpingEvent[] = L"PlimoTestProviderPumping";
constexpr wchar_t kStopPumpingEvent[] = L"PlimoTestProviderStopPumping";
constexpr unsigned kPumpingLimitMs = 30000;

// The exit code of a process that a kExitProcess entry ended.
constexpr UINT kExitProcessCode = 0x5CC0;

// One call as the provider received it. Arguments after the context go into `args` in the
// provider's order, pointers as their numeric value; narrow text arguments into `text`. A
// commented file call (SccCheckin, SccCheckout, SccRemove) keeps the high half of its
// command-options cookie in args[7].
struct Call {
    Entry entry;
    int32_t variant; // 0: the full provider, 1: the sparse one
    uint32_t processId;
    uint32_t context; // the context argument (SccInitialize: the value at its address)
    int32_t args[8];
    int32_t textNull[kMaxTexts];
    char text[kMaxTexts][kTextSize];
    int32_t fileCount;
    int32_t filesNull;
    uint32_t filesHash; // FNV-1a over every name and its terminator
    char files[kMaxFiles][kFileSize];
    int32_t optionsNull; // SccAdd's option array; SccQueryInfo's status array
    int32_t options[kMaxFiles];
    int32_t textLength[kMaxTexts]; // the whole length of each text, which `text` may cut
};

// What the provider does on its next calls. All zero means: return 0, write nothing.
struct Script {
    int32_t results[static_cast<int>(Entry::Count)];
    Entry misbehaving;
    int32_t misbehaviour;
    int32_t storeContext; // SccInitialize stores contextToStore through its first argument
    uint32_t contextToStore;
    // In/out text buffers to rewrite, by their position among the call's buffers.
    int32_t writeTextMask;
    char writeText[kMaxTexts][kTextSize];
    // LONG outputs to write: SccInitialize's caps, checkout comment length, comment length;
    // SccGetCommandOptions' cookie and SccGetProjPath's new-project flag at position 0.
    int32_t writeLongMask;
    int32_t writeLong[4];
    int32_t statusCount; // SccQueryInfo writes status[i] for the first statusCount files
    int32_t status[kMaxFiles];
    // Items a reporting entry (SccPopulateList, SccQueryChanges, SccPopulateDirList, and the
    // provider's own list of SccAddFromScc) reports: item i is named "item<i>". kEndless: until
    // the callback says stop.
    int32_t reportCount;
    // Messages every entry writes (after any misbehaviour) through the text-output procedure
    // SccOpenProject received, "message <i>" of type i % 4 + 1; with cancelProtocol, framed by the
    // cancel protocol's three.
    int32_t messageCount;
    int32_t cancelProtocol;
    // SccOpenProject refuses to open a project without a text-output procedure, as some
    // providers that write through it do.
    int32_t requireTextOutput;
    // The high half of a pointer-sized output (SccGetCommandOptions' cookie), written by a 64-bit
    // provider only: a cookie that is the address of the provider's options.
    int32_t highHalf;
    // The function kCallCallback calls instead of SccSetOption's value when not 0: an address in
    // the provider's process (so only a test that loads the provider itself sets it), whole at
    // any width, where a LONG option value cannot carry a 64-bit address.
    uint64_t callback;
    // When not 0, each of the messageCount messages is this many bytes of 'm' instead.
    int32_t messageBytes;
    // The text of every message when not empty, in place of "message <i>": what a provider may
    // write, escape sequences and line breaks included.
    char messageText[kTextSize];
};

// A reportCount that never ends by itself; it gives up after kEndlessBound items.
constexpr int32_t kEndless = -1;
constexpr int32_t kEndlessBound = 10000000;

struct Shared {
    Script script;
    LONG callCount;
    Call calls[kMaxCalls];
    LONG ownFaultsHandled; // faults that a kHandleOwnFault entry raised and handled itself
    // Unloads of the provider by FreeLibrary (not by the end of its process), and the process of
    // the last one: an object's final release shows here even when its process lives on.
    LONG libraryFrees;
    uint32_t lastFreeProcessId;
    // Set while a kPumpMessages entry pumps; calls that entered the provider meanwhile.
    LONG pumping;
    LONG enteredWhilePumping;
    // Items the last reporting entry reported before its callback said stop, or all of them;
    // what the text-output procedure answered to the cancel protocol's question; the lists of
    // SccAddFromScc handed out and not yet freed.
    LONG itemsReported;
    LONG doCancelAnswer;
    LONG listsOutstanding;
    // How often a kReportToKeptCallback entry called the kept callback, and how often it was
    // answered "go on".
    LONG ghostCalls;
    LONG ghostAccepted;
};

constexpr wchar_t kSharedName[] = L"PlimoTestProviderRecord";

// Maps the shared record, creating it zero-filled when nobody holds it yet. Null on failure.
inline Shared* MapShared(HANDLE* mapping) {
    *mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(Shared), kSharedName);
    if (*mapping == nullptr) {
        return nullptr;
    }
    return static_cast<Shared*>(::MapViewOfFile(*mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

inline uint32_t HashNames(const char* const* names, int32_t count) {
    uint32_t hash = 2166136261u;
    for (int32_t i = 0; i < count; ++i) {
        const char* p = names[i];
        do {
            hash = (hash ^ static_cast<unsigned char>(*p)) * 16777619u;
        } while (*p++ != '\0');
    }
    return hash;
}

} // namespace testprovider
