// What a provider reports item by item through the callbacks of SccPopulateList,
// SccQueryChanges and SccPopulateDirList, kept for the client, with the callbacks themselves.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "provider_entry_points.h"

// At most this many items are kept from one call. The callback then answers "stop", and the
// method returns S_FALSE with the items kept so far.
constexpr size_t kMaxReportedItems = 100000;

// SccPopulateList: each file, whether the caller should keep it in its list, and its status.
struct PopulatedFiles {
    std::vector<bool> keep;
    std::vector<LONG> status;
    std::vector<std::string> names;
    bool full = false;
};
BOOL __cdecl CollectPopulatedFile(void* pvCallerData, BOOL bAddKeep, LONG nStatus,
                                  LPCSTR lpFileName);

// SccQueryChanges: each file, the kind of change and its latest name.
struct QueriedChanges {
    std::vector<std::string> names;
    std::vector<LONG> changeTypes;
    std::vector<std::string> latestNames;
    bool full = false;
};
BOOL __cdecl CollectQueriedChange(void* pvCallerData, provider::QueryChangesData* pChangesData);

// SccPopulateDirList: each folder or file, and whether it is a folder.
struct PopulatedDirectories {
    std::vector<std::string> names;
    std::vector<bool> folders;
    bool full = false;
};
BOOL __cdecl CollectPopulatedDirectory(void* pvCallerData, BOOL bFolder, LPCSTR lpName);
