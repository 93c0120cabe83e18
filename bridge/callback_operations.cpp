// The methods of CPlimoWrapper whose providers report through callbacks: what they report is
// kept by the bridge's own procedures and handed to the client as arrays (IPlimoWrapper2).
#include "plimo_wrapper.h"

#include <vector>

#include "list_forwarding.h"
#include "provider_entry_points.h"
#include "provider_reports.h"
#include "returned_arrays.h"
#include "scoped_variant.h"

namespace {

// Hands over each array in turn; the first failure stops the rest.
template <typename... Returns> HRESULT ReturnAll(Returns... returns) {
    HRESULT hr = S_OK;
    ((hr = SUCCEEDED(hr) ? returns() : hr), ...);
    return hr;
}

// S_FALSE when the provider reported more than the bridge keeps.
HRESULT Kept(HRESULT hr, bool full) {
    return SUCCEEDED(hr) && full ? S_FALSE : hr;
}

} // namespace

HRESULT STDMETHODCALLTYPE CPlimoWrapper::TakeMessages(VARIANT* pMessages, VARIANT* pTypes,
                                                      LONG* pCount) {
    if (pMessages == nullptr || pTypes == nullptr || pCount == nullptr) {
        return E_INVALIDARG;
    }
    // Both arrays are made before either is handed over, so that a failure loses nothing.
    ScopedVariant texts, types;
    HRESULT hr = ReturnTexts(messages_.Texts(), texts.put());
    if (FAILED(hr)) return hr;
    hr = ReturnLongs(messages_.Types(), types.put());
    if (FAILED(hr)) return hr;
    *pCount = static_cast<LONG>(messages_.Texts().size());
    messages_.Clear();
    ::VariantClear(pMessages);
    ::VariantClear(pTypes);
    *pMessages = texts.release();
    *pTypes = types.release();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccPopulateList(LONG nCommand, VARIANT lpFileNames,
                                                         LONG fOptions, VARIANT* pbAddKeep,
                                                         VARIANT* pnStatus, VARIANT* pNames,
                                                         VARIANT* lpStatus, LONG* pResult) {
    if (pbAddKeep == nullptr || pnStatus == nullptr || pNames == nullptr || lpStatus == nullptr) {
        return E_INVALIDARG;
    }
    PopulatedFiles files;
    return ForwardList<provider::SccPopulateListFn, LONG>(
        "SccPopulateList", lpFileNames, pResult,
        [&](provider::SccPopulateListFn entry, const FileNameList& names, LONG* status) {
            return entry(m_pvContext, nCommand, names.Count(), names.Names(), &CollectPopulatedFile,
                         &files, status, fOptions);
        },
        [&](const std::vector<LONG>& status) {
            return Kept(ReturnAll([&] { return ReturnFlags(files.keep, pbAddKeep); },
                                  [&] { return ReturnLongs(files.status, pnStatus); },
                                  [&] { return ReturnTexts(files.names, pNames); },
                                  [&] { return ReturnLongs(status, lpStatus); }),
                        files.full);
        });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccQueryChanges(VARIANT lpFileNames, VARIANT* pNames,
                                                         VARIANT* pChangeTypes,
                                                         VARIANT* pLatestNames, LONG* pResult) {
    if (pNames == nullptr || pChangeTypes == nullptr || pLatestNames == nullptr) {
        return E_INVALIDARG;
    }
    QueriedChanges changes;
    return ForwardList<provider::SccQueryChangesFn, char>(
        "SccQueryChanges", lpFileNames, pResult,
        [&](provider::SccQueryChangesFn entry, const FileNameList& names, char*) {
            return entry(m_pvContext, names.Count(), names.Names(), &CollectQueriedChange,
                         &changes);
        },
        [&](const std::vector<char>&) {
            return Kept(ReturnAll([&] { return ReturnTexts(changes.names, pNames); },
                                  [&] { return ReturnLongs(changes.changeTypes, pChangeTypes); },
                                  [&] { return ReturnTexts(changes.latestNames, pLatestNames); }),
                        changes.full);
        });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccPopulateDirList(VARIANT lpDirPaths, LONG dwFlags,
                                                            VARIANT* pNames, VARIANT* pbFolder,
                                                            LONG* pResult) {
    if (pNames == nullptr || pbFolder == nullptr) {
        return E_INVALIDARG;
    }
    PopulatedDirectories found;
    return ForwardList<provider::SccPopulateDirListFn, char>(
        "SccPopulateDirList", lpDirPaths, pResult,
        [&](provider::SccPopulateDirListFn entry, const FileNameList& names, char*) {
            return entry(m_pvContext, names.Count(), names.Names(), &CollectPopulatedDirectory,
                         &found, dwFlags);
        },
        [&](const std::vector<char>&) {
            return Kept(ReturnAll([&] { return ReturnTexts(found.names, pNames); },
                                  [&] { return ReturnFlags(found.folders, pbFolder); }),
                        found.full);
        });
}
