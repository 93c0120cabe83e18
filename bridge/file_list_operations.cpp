// The file-list methods of ProviderSession.
#include "provider_session.h"

#include <vector>

#include "option_list.h"
#include "returned_arrays.h"
#include "safe_array_access.h"
#include "scoped_resource.h"
#include "wide_text.h"

using provider::ToWindow;

HRESULT ProviderSession::CommentedFiles(IUnknown* object, const ProviderEntry& entry, LONG hWnd,
                                        const VARIANT& lpFileNames, BSTR lpComment, LONG fOptions,
                                        LONG lCmdOptionsCookie, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(
        object, entry, lpFileNames, [&](ProviderCall& call, const FileNameList& files) {
            // A comment is free text: a character the code page lacks becomes its default
            // character, and none becomes a look-alike, so a provider that hands it to a command
            // line never finds a quote the client did not type.
            NarrowText comment;
            const HRESULT hr = WideToNarrow(lpComment, &comment, TextRule::kFreeText);
            if (FAILED(hr)) return hr;
            *pResult = call.entry<provider::SccCheckinFn>()(
                context_, ToWindow(hWnd), files.Count(), files.Names(), comment.get(), fOptions,
                cookies_.ForProvider(lCmdOptionsCookie));
            return S_OK;
        });
}

HRESULT ProviderSession::PlainFiles(IUnknown* object, const ProviderEntry& entry, LONG hWnd,
                                    const VARIANT& lpFileNames, LONG fOptions,
                                    LONG lCmdOptionsCookie, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(object, entry, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& files) {
                           *pResult = call.entry<provider::SccUncheckoutFn>()(
                               context_, ToWindow(hWnd), files.Count(), files.Names(), fOptions,
                               cookies_.ForProvider(lCmdOptionsCookie));
                           return S_OK;
                       });
}

HRESULT ProviderSession::SccAdd(IUnknown* object, LONG hWnd, const VARIANT& lpFileNames,
                                BSTR lpComment, const VARIANT& pfOptions, LONG lCmdOptionsCookie,
                                LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    FileNameList files;
    HRESULT hr = files.Load(lpFileNames, terms_.lists);
    if (FAILED(hr)) return hr;
    OptionList options;
    hr = options.Load(pfOptions, terms_.lists);
    if (FAILED(hr)) return hr;
    if (options.Count() != files.Count()) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kAdd, [&](ProviderCall& call) {
        NarrowText comment;
        const HRESULT converted = WideToNarrow(lpComment, &comment, TextRule::kFreeText);
        if (FAILED(converted)) return converted;
        *pResult = call.entry<provider::SccAddFn>()(context_, ToWindow(hWnd), files.Count(),
                                                    files.Names(), comment.get(), options.Values(),
                                                    cookies_.ForProvider(lCmdOptionsCookie));
        return S_OK;
    });
}

HRESULT ProviderSession::SccQueryInfo(IUnknown* object, const VARIANT& lpFileNames,
                                      VARIANT* lpStatus, LONG* pResult) {
    if (lpStatus == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    FileNameList files;
    HRESULT hr = files.Load(lpFileNames, terms_.lists);
    if (FAILED(hr)) return hr;
    // Created zero-filled, so a file the provider says nothing about has status 0.
    ScopedSafeArray status(::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(files.Count())));
    if (!status) {
        return E_OUTOFMEMORY;
    }
    SafeArrayAccess<LONG> words;
    hr = words.Open(status.get());
    if (FAILED(hr)) return hr;
    return Forward(object, entry::kQueryInfo, [&](ProviderCall& call) {
        *pResult = call.entry<provider::SccQueryInfoFn>()(context_, files.Count(), files.Names(),
                                                          words.data());
        const HRESULT closed = words.Close();
        if (FAILED(closed)) return closed;
        // Only now is the client's entry value given up; its type and content do not matter.
        ::VariantClear(lpStatus);
        lpStatus->vt = VT_ARRAY | VT_I4;
        lpStatus->parray = status.release();
        return S_OK;
    });
}

HRESULT ProviderSession::SccRunScc(IUnknown* object, LONG hWnd, const VARIANT& lpFileNames,
                                   LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(object, entry::kRunScc, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& files) {
                           *pResult = call.entry<provider::SccRunSccFn>()(
                               context_, ToWindow(hWnd), files.Count(), files.Names());
                           return S_OK;
                       });
}

HRESULT ProviderSession::SccBackgroundGet(IUnknown* object, const VARIANT& lpFileNames,
                                          LONG dwFlags, LONG dwBackgroundOperationID,
                                          LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(object, entry::kBackgroundGet, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& files) {
                           *pResult = call.entry<provider::SccBackgroundGetFn>()(
                               context_, files.Count(), files.Names(), dwFlags,
                               dwBackgroundOperationID);
                           return S_OK;
                       });
}

HRESULT ProviderSession::SccWillCreateSccFile(IUnknown* object, const VARIANT& lpFileNames,
                                              VARIANT* pbSccFiles, LONG* pResult) {
    if (pbSccFiles == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(object, entry::kWillCreateSccFile, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& files) {
                           // One flag per name for the provider to write, zero-filled.
                           std::vector<BOOL> flags(static_cast<size_t>(files.Count()));
                           const LONG result = call.entry<provider::SccWillCreateSccFileFn>()(
                               context_, files.Count(), files.Names(), flags.data());
                           ScopedVariant made;
                           const HRESULT hr = MakeFlags(
                               flags.size(), [&](size_t i) { return flags[i] != FALSE; }, &made);
                           if (FAILED(hr)) return hr;
                           HandOver(&made, pbSccFiles);
                           *pResult = result;
                           return S_OK;
                       });
}

HRESULT ProviderSession::SccEnumChangedFiles(IUnknown* object, LONG hWnd,
                                             const VARIANT& lpFileNames, VARIANT* plEvent,
                                             LONG* pResult) {
    if (plEvent == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(object, entry::kEnumChangedFiles, lpFileNames,
                       [&](ProviderCall& call, const FileNameList& files) {
                           std::vector<LONG> events(static_cast<size_t>(files.Count()));
                           const LONG result = call.entry<provider::SccEnumChangedFilesFn>()(
                               context_, ToWindow(hWnd), files.Count(), files.Names(),
                               events.data());
                           ScopedVariant made;
                           const HRESULT hr = MakeLongs(events, &made);
                           if (FAILED(hr)) return hr;
                           HandOver(&made, plEvent);
                           *pResult = result;
                           return S_OK;
                       });
}

HRESULT ProviderSession::SccDirQueryInfo(IUnknown* object, const VARIANT& lpDirNames,
                                         VARIANT* lpStatus, LONG* pResult) {
    if (lpStatus == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList(object, entry::kDirQueryInfo, lpDirNames,
                       [&](ProviderCall& call, const FileNameList& dirs) {
                           std::vector<LONG> status(static_cast<size_t>(dirs.Count()));
                           const LONG result = call.entry<provider::SccDirQueryInfoFn>()(
                               context_, dirs.Count(), dirs.Names(), status.data());
                           ScopedVariant made;
                           const HRESULT hr = MakeLongs(status, &made);
                           if (FAILED(hr)) return hr;
                           HandOver(&made, lpStatus);
                           *pResult = result;
                           return S_OK;
                       });
}
