// The methods of ProviderSession whose providers report item by item: what they report is kept
// for the call (ReportedItems) and handed to the client as arrays.
#include "provider_session.h"

#include <vector>

#include "reported_items.h"
#include "returned_arrays.h"

using provider::ToWindow;

HRESULT ProviderSession::SccPopulateList(IUnknown* object, LONG nCommand,
                                         const VARIANT& lpFileNames, LONG fOptions,
                                         VARIANT* pbAddKeep, VARIANT* pnStatus, VARIANT* pNames,
                                         VARIANT* lpStatus, LONG* pResult) {
    if (pbAddKeep == nullptr || pnStatus == nullptr || pNames == nullptr || lpStatus == nullptr ||
        pResult == nullptr) {
        return E_INVALIDARG;
    }
    ReportedItems files(ReportedItems::Kind::kPopulatedFiles);
    return ForwardList(object, entry::kPopulateList, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& given) {
                           // The provider's status word for each file given, zero-filled.
                           std::vector<LONG> status(static_cast<size_t>(given.Count()));
                           const LONG result = call.entry<provider::SccPopulateListFn>()(
                               context_, nCommand, given.Count(), given.Names(),
                               &CollectPopulatedFile, call.Collect(&files), status.data(),
                               fOptions);
                           ScopedVariant keep, reported, names, givenStatus;
                           HRESULT hr = MakeFlags(files.flags(), &keep);
                           if (FAILED(hr)) return hr;
                           hr = MakeLongs(files.numbers(), &reported);
                           if (FAILED(hr)) return hr;
                           hr = MakeTexts(files.names(), &names);
                           if (FAILED(hr)) return hr;
                           hr = MakeLongs(status, &givenStatus);
                           if (FAILED(hr)) return hr;
                           HandOver(&keep, pbAddKeep);
                           HandOver(&reported, pnStatus);
                           HandOver(&names, pNames);
                           HandOver(&givenStatus, lpStatus);
                           *pResult = result;
                           return Kept(files);
                       });
}

HRESULT ProviderSession::SccQueryChanges(IUnknown* object, const VARIANT& lpFileNames,
                                         VARIANT* pNames, VARIANT* pChangeTypes,
                                         VARIANT* pLatestNames, LONG* pResult) {
    if (pNames == nullptr || pChangeTypes == nullptr || pLatestNames == nullptr ||
        pResult == nullptr) {
        return E_INVALIDARG;
    }
    ReportedItems changes(ReportedItems::Kind::kQueriedChanges);
    return ForwardList(object, entry::kQueryChanges, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& given) {
                           const LONG result = call.entry<provider::SccQueryChangesFn>()(
                               context_, given.Count(), given.Names(), &CollectQueriedChange,
                               call.Collect(&changes));
                           ScopedVariant names, changeTypes, latestNames;
                           HRESULT hr = MakeTexts(changes.names(), &names);
                           if (FAILED(hr)) return hr;
                           hr = MakeLongs(changes.numbers(), &changeTypes);
                           if (FAILED(hr)) return hr;
                           hr = MakeTexts(changes.latestNames(), &latestNames);
                           if (FAILED(hr)) return hr;
                           HandOver(&names, pNames);
                           HandOver(&changeTypes, pChangeTypes);
                           HandOver(&latestNames, pLatestNames);
                           *pResult = result;
                           return Kept(changes);
                       });
}

HRESULT ProviderSession::SccPopulateDirList(IUnknown* object, const VARIANT& lpDirPaths,
                                            LONG dwFlags, VARIANT* pNames, VARIANT* pbFolder,
                                            LONG* pResult) {
    if (pNames == nullptr || pbFolder == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ReportedItems found(ReportedItems::Kind::kPopulatedDirectories);
    return ForwardList(object, entry::kPopulateDirList, lpDirPaths,
                       [&](ProviderCall& call, const FileNameList& given) {
                           const LONG result = call.entry<provider::SccPopulateDirListFn>()(
                               context_, given.Count(), given.Names(), &CollectPopulatedDirectory,
                               call.Collect(&found), dwFlags);
                           ScopedVariant names, folders;
                           HRESULT hr = MakeTexts(found.names(), &names);
                           if (FAILED(hr)) return hr;
                           hr = MakeFlags(found.flags(), &folders);
                           if (FAILED(hr)) return hr;
                           HandOver(&names, pNames);
                           HandOver(&folders, pbFolder);
                           *pResult = result;
                           return Kept(found);
                       });
}

HRESULT ProviderSession::SccAddFromScc(IUnknown* object, LONG hWnd, VARIANT* lpFileNames,
                                       LONG* pResult) {
    if (lpFileNames == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ReportedItems names(ReportedItems::Kind::kProviderList);
    return Forward(object, entry::kAddFromScc, [&](ProviderCall& call) {
        const auto entry = call.entry<provider::SccAddFromSccFn>();
        LONG count = 0;
        LPCSTR* list = nullptr;
        const LONG result = entry(context_, ToWindow(hWnd), &count, &list);
        // The list is the provider's, and only it can free it: it is copied under a guard of its
        // own, and whatever the copy met, the provider is called again, with the same count and
        // no list, to free it. A count the list cannot hold (negative, or names without a list)
        // fails the call as a list that faults does.
        bool usable = false;
        const bool returned =
            CallProviderGuarded([&] { usable = CopyProviderList(count, list, &names); });
        if (list != nullptr) {
            entry(context_, ToWindow(hWnd), &count, nullptr);
        }
        if (!returned || !usable) {
            return E_FAIL;
        }
        ScopedVariant made;
        const HRESULT hr = MakeTexts(names.names(), &made);
        if (FAILED(hr)) return hr;
        HandOver(&made, lpFileNames);
        *pResult = result;
        return Kept(names);
    });
}
