#include "reported_items.h"

#include <cstring>
#include <new>
#include <utility>

#include "provider_call.h"

namespace {

const char* OrEmpty(LPCSTR text) {
    return text != nullptr ? text : "";
}

// Makes room for one more element, so that appending to it cannot fail; the room grows by
// doubling, as appending would.
template <typename List> void ReserveOne(List* list) {
    if (list->size() == list->capacity()) {
        list->reserve(list->capacity() < 16 ? 16 : 2 * list->capacity());
    }
}

} // namespace

bool ReportedItems::Keep(LPCSTR name, LONG number, bool flag, LPCSTR latestName) {
    if (cut_) {
        return false;
    }
    const char* first = OrEmpty(name);
    const char* latest = OrEmpty(latestName);
    const size_t bytes = std::strlen(first) + std::strlen(latest);
    if (names_.size() >= kMaxReportedItems || bytes > kMaxReportedBytes - bytes_) {
        cut_ = true;
        return false;
    }
    const bool changes = kind_ == Kind::kQueriedChanges;
    try {
        // Everything that can fail comes first, so that the lists stay of one length.
        std::string kept(first);
        std::string keptLatest(changes ? latest : "");
        ReserveOne(&names_);
        ReserveOne(&numbers_);
        ReserveOne(&flags_);
        if (changes) {
            ReserveOne(&latestNames_);
        }
        names_.push_back(std::move(kept));
        numbers_.push_back(number);
        flags_.push_back(flag);
        if (changes) {
            latestNames_.push_back(std::move(keptLatest));
        }
    } catch (const std::bad_alloc&) {
        cut_ = true;
        return false;
    }
    bytes_ += bytes;
    return true;
}

ReportedItems* ReportedItems::Of(const void* callerData, Kind kind) {
    const ProviderCall* call = ProviderCall::Current();
    ReportedItems* items = call != nullptr ? call->ReportsFor(callerData) : nullptr;
    return items != nullptr && items->kind_ == kind ? items : nullptr;
}

bool CopyProviderList(LONG count, const LPCSTR* list, ReportedItems* items) {
    if (count < 0 || (count > 0 && list == nullptr)) {
        return false;
    }
    for (LONG i = 0; i < count && items->Keep(list[i]); ++i) {
    }
    return true;
}

BOOL __cdecl CollectPopulatedFile(void* pvCallerData, BOOL bAddKeep, LONG nStatus,
                                  LPCSTR lpFileName) {
    ReportedItems* files = ReportedItems::Of(pvCallerData, ReportedItems::Kind::kPopulatedFiles);
    return files != nullptr && files->Keep(lpFileName, nStatus, bAddKeep != FALSE);
}

BOOL __cdecl CollectQueriedChange(void* pvCallerData, provider::QueryChangesData* pChangesData) {
    ReportedItems* changes = ReportedItems::Of(pvCallerData, ReportedItems::Kind::kQueriedChanges);
    if (changes == nullptr) {
        return FALSE;
    }
    if (pChangesData == nullptr) {
        return TRUE; // nothing to keep, and nothing wrong with going on
    }
    return changes->Keep(pChangesData->lpFileName, static_cast<LONG>(pChangesData->dwChangeType),
                         false, pChangesData->lpLatestName);
}

BOOL __cdecl CollectPopulatedDirectory(void* pvCallerData, BOOL bFolder, LPCSTR lpName) {
    ReportedItems* directories =
        ReportedItems::Of(pvCallerData, ReportedItems::Kind::kPopulatedDirectories);
    return directories != nullptr && directories->Keep(lpName, 0, bFolder != FALSE);
}
