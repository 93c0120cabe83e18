// The entries whose provider reports through a callback of the host's. The server collects what
// the provider reports during the call; the proxy then calls the host's callback with each item
// in order, before the entry returns, until the callback answers stop. The provider itself has
// finished by then: a stop ends the replay, not the provider's work.
#include "forwarding.h"
#include "scoped_variant.h"

PROXY_ENTRY SccPopulateList(void* pvContext, LONG nCommand, LONG nFiles, LPCSTR* lpFileNames,
                            provider::PopulateListProc pfnPopulate, void* pvCallerData,
                            LONG* lpStatus, LONG fOptions) {
    return Forward(pvContext, "SccPopulateList", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            ScopedVariant keep, status, reported, given;
            const HRESULT hr =
                call.object()->SccPopulateList(nCommand, names, fOptions, keep.put(), status.put(),
                                               reported.put(), given.put(), result);
            if (FAILED(hr)) return hr;
            std::vector<LONG> keeps, statuses, givenStatuses;
            std::vector<std::string> reportedNames;
            if (FAILED(ReadNumbers(keep.get(), &keeps)) ||
                FAILED(ReadNumbers(status.get(), &statuses)) ||
                FAILED(ReadTexts(reported.get(), &reportedNames)) ||
                FAILED(ReadNumbers(given.get(), &givenStatuses)) ||
                keeps.size() != reportedNames.size() || statuses.size() != reportedNames.size()) {
                return E_UNEXPECTED;
            }
            CopyValues(givenStatuses, nFiles, lpStatus);
            for (size_t i = 0; pfnPopulate != nullptr && i < reportedNames.size(); ++i) {
                if (!pfnPopulate(pvCallerData, keeps[i] != 0, statuses[i],
                                 reportedNames[i].c_str())) {
                    break;
                }
            }
            return hr;
        });
    });
}

PROXY_ENTRY SccQueryChanges(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                            provider::QueryChangesProc pfnCallback, void* pvCallerData) {
    return Forward(pvContext, "SccQueryChanges", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            ScopedVariant changed, kinds, latest;
            const HRESULT hr = call.object()->SccQueryChanges(names, changed.put(), kinds.put(),
                                                              latest.put(), result);
            if (FAILED(hr)) return hr;
            std::vector<std::string> changedNames, latestNames;
            std::vector<LONG> changes;
            if (FAILED(ReadTexts(changed.get(), &changedNames)) ||
                FAILED(ReadNumbers(kinds.get(), &changes)) ||
                FAILED(ReadTexts(latest.get(), &latestNames)) ||
                changes.size() != changedNames.size() ||
                latestNames.size() != changedNames.size()) {
                return E_UNEXPECTED;
            }
            for (size_t i = 0; pfnCallback != nullptr && i < changedNames.size(); ++i) {
                provider::QueryChangesData data{
                    sizeof(provider::QueryChangesData), changedNames[i].c_str(),
                    static_cast<DWORD>(changes[i]), latestNames[i].c_str()};
                if (!pfnCallback(pvCallerData, &data)) {
                    break;
                }
            }
            return hr;
        });
    });
}

PROXY_ENTRY SccPopulateDirList(void* pvContext, LONG nDirs, LPCSTR* lpDirPaths,
                               provider::PopulateDirListProc pfnPopulate, void* pvCallerData,
                               LONG dwFlags) {
    return Forward(pvContext, "SccPopulateDirList", [&](ProxyCall& call, LONG* result) {
        return WithNames(nDirs, lpDirPaths, [&](const VARIANT& names) {
            ScopedVariant reported, folders;
            const HRESULT hr = call.object()->SccPopulateDirList(names, dwFlags, reported.put(),
                                                                 folders.put(), result);
            if (FAILED(hr)) return hr;
            std::vector<std::string> reportedNames;
            std::vector<LONG> isFolder;
            if (FAILED(ReadTexts(reported.get(), &reportedNames)) ||
                FAILED(ReadNumbers(folders.get(), &isFolder)) ||
                isFolder.size() != reportedNames.size()) {
                return E_UNEXPECTED;
            }
            for (size_t i = 0; pfnPopulate != nullptr && i < reportedNames.size(); ++i) {
                if (!pfnPopulate(pvCallerData, isFolder[i] != 0, reportedNames[i].c_str())) {
                    break;
                }
            }
            return hr;
        });
    });
}

// The provider's own list of names, held by the context until the host calls again with no list
// pointer to free it (the server has already had the provider free its own).
PROXY_ENTRY SccAddFromScc(void* pvContext, HWND hWnd, LONG* pnFiles, LPCSTR** lplpFileNames) {
    return Forward(pvContext, "SccAddFromScc", [&](ProxyCall& call, LONG* result) {
        std::vector<std::string>& names = call.context().addFromSccNames();
        std::vector<const char*>& list = call.context().addFromSccList();
        if (lplpFileNames == nullptr) {
            names.clear();
            list.clear();
            *result = SCC_OK;
            return S_OK;
        }
        if (pnFiles == nullptr) return E_POINTER;
        ScopedVariant reported;
        const HRESULT hr = call.object()->SccAddFromScc(WindowValue(hWnd), reported.put(), result);
        if (FAILED(hr)) return hr;
        // Read aside first: a list the host still holds stays whole if this one cannot be read.
        std::vector<std::string> read;
        if (FAILED(ReadTexts(reported.get(), &read))) return E_UNEXPECTED;
        names.swap(read);
        list.clear();
        for (const std::string& name : names) {
            list.push_back(name.c_str());
        }
        *pnFiles = static_cast<LONG>(list.size());
        *lplpFileNames = list.empty() ? nullptr : list.data();
        return hr;
    });
}
