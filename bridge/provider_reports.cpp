#include "provider_reports.h"

#include <new>
#include <utility>

namespace {

// Runs `keep` for one reported item unless `full` is set, and sets it once the bound is reached
// or no memory is left. Returns what the callback answers: TRUE to go on.
template <typename Keep> BOOL KeepItem(bool* full, size_t kept, Keep keep) {
    if (*full || kept >= kMaxReportedItems) {
        *full = true;
        return FALSE;
    }
    try {
        keep();
    } catch (const std::bad_alloc&) {
        *full = true;
        return FALSE;
    }
    return TRUE;
}

// Makes room for one more element in each list, so that appending to them cannot fail; the
// room grows by doubling, as appending would.
template <typename List> void ReserveOne(List* list) {
    if (list->size() == list->capacity()) {
        list->reserve(list->capacity() < 16 ? 16 : 2 * list->capacity());
    }
}
template <typename... Lists> void Reserve(Lists*... lists) {
    (ReserveOne(lists), ...);
}

const char* OrEmpty(LPCSTR text) {
    return text != nullptr ? text : "";
}

} // namespace

BOOL __cdecl CollectPopulatedFile(void* pvCallerData, BOOL bAddKeep, LONG nStatus,
                                  LPCSTR lpFileName) {
    auto* files = static_cast<PopulatedFiles*>(pvCallerData);
    return KeepItem(&files->full, files->names.size(), [&] {
        // Everything that can fail comes first, so that the lists stay of one length.
        std::string name(OrEmpty(lpFileName));
        Reserve(&files->names, &files->keep, &files->status);
        files->names.push_back(std::move(name));
        files->keep.push_back(bAddKeep != FALSE);
        files->status.push_back(nStatus);
    });
}

BOOL __cdecl CollectQueriedChange(void* pvCallerData, provider::QueryChangesData* pChangesData) {
    auto* changes = static_cast<QueriedChanges*>(pvCallerData);
    if (pChangesData == nullptr) {
        return TRUE;
    }
    return KeepItem(&changes->full, changes->names.size(), [&] {
        std::string name(OrEmpty(pChangesData->lpFileName));
        std::string latest(OrEmpty(pChangesData->lpLatestName));
        Reserve(&changes->names, &changes->changeTypes, &changes->latestNames);
        changes->names.push_back(std::move(name));
        changes->changeTypes.push_back(static_cast<LONG>(pChangesData->dwChangeType));
        changes->latestNames.push_back(std::move(latest));
    });
}

BOOL __cdecl CollectPopulatedDirectory(void* pvCallerData, BOOL bFolder, LPCSTR lpName) {
    auto* directories = static_cast<PopulatedDirectories*>(pvCallerData);
    return KeepItem(&directories->full, directories->names.size(), [&] {
        std::string name(OrEmpty(lpName));
        Reserve(&directories->names, &directories->folders);
        directories->names.push_back(std::move(name));
        directories->folders.push_back(bFolder != FALSE);
    });
}
