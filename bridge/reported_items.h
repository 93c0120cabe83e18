// ReportedItems: what a provider reports item by item during one call, through the callbacks of
// SccPopulateList, SccQueryChanges and SccPopulateDirList or as SccAddFromScc's own list, kept
// for the client within bounds; and the callbacks the bridge gives the provider.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "provider_entry_points.h"

// At most this many items, and this many bytes of their names, are kept from one call: room for
// the largest real lists, never enough to exhaust the server. The callback then answers "stop",
// the method returns S_FALSE with the items kept so far, and the server adds a note to the
// messages (kListCutNote) where a script, which sees S_FALSE as success, can read it.
constexpr size_t kMaxReportedItems = 100000;
constexpr size_t kMaxReportedBytes = 32 * 1024 * 1024;
constexpr char kListCutNote[] =
    "PlimoCOMWrapper: the list was cut: at most 100000 items and 32 MB of names are kept from one "
    "call";

class ReportedItems {
public:
    // What a call collects, and so which callback may report into it.
    enum class Kind {
        kPopulatedFiles,       // name, status (number), whether to keep it (flag)
        kQueriedChanges,       // name, kind of change (number), latest name
        kPopulatedDirectories, // name, whether it is a folder (flag)
        kProviderList,         // name
    };

    explicit ReportedItems(Kind kind) : kind_(kind) {}
    ReportedItems(const ReportedItems&) = delete;
    ReportedItems& operator=(const ReportedItems&) = delete;

    // Keeps one item: its name (null as empty), and its number, flag and latest name as the kind
    // has them. False, keeping nothing, once a bound is reached or memory runs out: the list is
    // then cut, and the provider should be told to stop.
    bool Keep(LPCSTR name, LONG number = 0, bool flag = false, LPCSTR latestName = nullptr);

    // The items of the call admitted on the calling thread that handed the provider `callerData`,
    // when they are of `kind`; null for the data of any other call, for a call that has ended,
    // and on any other thread.
    static ReportedItems* Of(const void* callerData, Kind kind);

    const std::vector<std::string>& names() const { return names_; }
    const std::vector<LONG>& numbers() const { return numbers_; }
    const std::vector<bool>& flags() const { return flags_; }
    const std::vector<std::string>& latestNames() const { return latestNames_; }
    // Whether the provider reported more than was kept.
    bool cut() const { return cut_; }

private:
    Kind kind_;
    std::vector<std::string> names_;
    std::vector<LONG> numbers_;
    std::vector<bool> flags_;
    std::vector<std::string> latestNames_; // kQueriedChanges only
    size_t bytes_ = 0;
    bool cut_ = false;
};

// Copies SccAddFromScc's list of `count` names into `items`, until a bound cuts it. A negative
// count, or a null list with names, is refused (false). Reads the provider's memory: call it
// guarded.
bool CopyProviderList(LONG count, const LPCSTR* list, ReportedItems* items);

// The callbacks: each keeps one item in the call its caller data names, and answers TRUE to go
// on; FALSE ("stop", keeping nothing) for any other caller data and once the list is cut.
BOOL __cdecl CollectPopulatedFile(void* pvCallerData, BOOL bAddKeep, LONG nStatus,
                                  LPCSTR lpFileName);
BOOL __cdecl CollectQueriedChange(void* pvCallerData, provider::QueryChangesData* pChangesData);
BOOL __cdecl CollectPopulatedDirectory(void* pvCallerData, BOOL bFolder, LPCSTR lpName);
