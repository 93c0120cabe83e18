// The file-list methods of CPlimoWrapper.
#include "safe_array_access.h"
#include "plimo_wrapper.h"

#include <vector>

#include "hresult_error.h"
#include "file_name_list.h"
#include "option_list.h"
#include "provider_call_guard.h"
#include "provider_entry_points.h"
#include "returned_arrays.h"
#include "list_forwarding.h"
#include "safe_array_holder.h"
#include "scoped_resource.h"
#include "wide_text.h"
#include "win32_error.h"

using provider::ToWindow;

HRESULT CPlimoWrapper::ForwardFiles(const char* name, LONG hWnd, const VARIANT& lpFileNames,
                                    const BSTR* lpComment, LONG fOptions, LONG lCmdOptionsCookie,
                                    LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return RunFileListCall([&]() -> HRESULT {
        FileNameList files(lpFileNames, ListsAccepted());
        ProviderCall call = Enter(name);
        if (FAILED(call.status())) return call.status();
        // A comment goes exactly as the client wrote it, or the call is refused: a provider that
        // hands it to a command line must not find a quote the client never typed.
        NarrowText comment;
        const HRESULT converted =
            WideToNarrow(lpComment != nullptr ? *lpComment : nullptr, &comment);
        if (FAILED(converted)) return converted;
        LONG result = 0;
        if (!CallProviderGuarded([&] {
                result = lpComment != nullptr
                             ? call.entry<provider::SccCheckinFn>()(
                                   m_pvContext, ToWindow(hWnd), files.Count(), files.Names(),
                                   comment.get(), fOptions, CommandOptions(lCmdOptionsCookie))
                             : call.entry<provider::SccUncheckoutFn>()(
                                   m_pvContext, ToWindow(hWnd), files.Count(), files.Names(),
                                   fOptions, CommandOptions(lCmdOptionsCookie));
            })) {
            return E_FAIL;
        }
        *pResult = result;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccCheckin(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                                    LONG fOptions, LONG lCmdOptionsCookie,
                                                    LONG* pResult) {
    return ForwardFiles("SccCheckin", hWnd, lpFileNames, &lpComment, fOptions, lCmdOptionsCookie,
                        pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccCheckout(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                                     LONG fOptions, LONG lCmdOptionsCookie,
                                                     LONG* pResult) {
    return ForwardFiles("SccCheckout", hWnd, lpFileNames, &lpComment, fOptions, lCmdOptionsCookie,
                        pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccUncheckout(LONG hWnd, VARIANT lpFileNames,
                                                       LONG fOptions, LONG lCmdOptionsCookie,
                                                       LONG* pResult) {
    return ForwardFiles("SccUncheckout", hWnd, lpFileNames, nullptr, fOptions, lCmdOptionsCookie,
                        pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGet(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                                LONG lCmdOptionsCookie, LONG* pResult) {
    return ForwardFiles("SccGet", hWnd, lpFileNames, nullptr, fOptions, lCmdOptionsCookie, pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccAdd(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                                VARIANT pfOptions, LONG lCmdOptionsCookie,
                                                LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return RunFileListCall([&]() -> HRESULT {
        FileNameList files(lpFileNames, ListsAccepted());
        OptionList options(pfOptions, ListsAccepted());
        if (options.Count() != files.Count()) {
            return E_INVALIDARG;
        }
        ProviderCall call = Enter("SccAdd");
        if (FAILED(call.status())) return call.status();
        auto entry = call.entry<provider::SccAddFn>();
        NarrowText comment;
        const HRESULT converted = WideToNarrow(lpComment, &comment);
        if (FAILED(converted)) return converted;
        LONG result = 0;
        if (!CallProviderGuarded([&] {
                result = entry(m_pvContext, ToWindow(hWnd), files.Count(), files.Names(),
                               comment.get(), options.Values(), CommandOptions(lCmdOptionsCookie));
            })) {
            return E_FAIL;
        }
        *pResult = result;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccQueryInfo(VARIANT lpFileNames, VARIANT* lpStatus,
                                                      LONG* pResult) {
    if (lpStatus == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return RunFileListCall([&]() -> HRESULT {
        FileNameList files(lpFileNames, ListsAccepted());
        // Created zero-filled, so a file the provider says nothing about has status 0.
        SafeArrayHolder status(VT_I4);
        status.Allocate(static_cast<ULONG>(files.Count()), 0);
        SafeArrayAccess<LONG> words;
        HRESULT hr = words.Open(status.get());
        if (FAILED(hr)) return hr;

        ProviderCall call = Enter("SccQueryInfo");
        if (FAILED(call.status())) return call.status();
        auto entry = call.entry<provider::SccQueryInfoFn>();
        LONG result = 0;
        if (!CallProviderGuarded(
                [&] { result = entry(m_pvContext, files.Count(), files.Names(), words.data()); })) {
            return E_FAIL;
        }
        *pResult = result;
        hr = words.Close();
        if (FAILED(hr)) return hr;

        // Only now is the client's entry value given up; its type and content do not matter.
        ::VariantClear(lpStatus);
        lpStatus->vt = VT_ARRAY | VT_I4;
        lpStatus->parray = status.release();
        return S_OK;
    });
}

// The list methods of IPlimoWrapper2. SccRemove and SccHistory take what SccCheckin and SccGet
// take; the others go through ForwardList.

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccRemove(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                                   LONG fOptions, LONG lCmdOptionsCookie,
                                                   LONG* pResult) {
    return ForwardFiles("SccRemove", hWnd, lpFileNames, &lpComment, fOptions, lCmdOptionsCookie,
                        pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccHistory(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                                    LONG lCmdOptionsCookie, LONG* pResult) {
    return ForwardFiles("SccHistory", hWnd, lpFileNames, nullptr, fOptions, lCmdOptionsCookie,
                        pResult);
}

namespace {

// For the lists of which the provider writes nothing back.
using NoOutput = char;
HRESULT NothingMore(const std::vector<NoOutput>&) {
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccRunScc(LONG hWnd, VARIANT lpFileNames, LONG* pResult) {
    return ForwardList<provider::SccRunSccFn, NoOutput>(
        "SccRunScc", lpFileNames, pResult,
        [&](provider::SccRunSccFn entry, const FileNameList& names, NoOutput*) {
            return entry(m_pvContext, ToWindow(hWnd), names.Count(), names.Names());
        },
        NothingMore);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccBackgroundGet(VARIANT lpFileNames, LONG dwFlags,
                                                          LONG dwBackgroundOperationID,
                                                          LONG* pResult) {
    return ForwardList<provider::SccBackgroundGetFn, NoOutput>(
        "SccBackgroundGet", lpFileNames, pResult,
        [&](provider::SccBackgroundGetFn entry, const FileNameList& names, NoOutput*) {
            return entry(m_pvContext, names.Count(), names.Names(), dwFlags,
                         dwBackgroundOperationID);
        },
        NothingMore);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccWillCreateSccFile(VARIANT lpFileNames,
                                                              VARIANT* pbSccFiles, LONG* pResult) {
    if (pbSccFiles == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList<provider::SccWillCreateSccFileFn, BOOL>(
        "SccWillCreateSccFile", lpFileNames, pResult,
        [&](provider::SccWillCreateSccFileFn entry, const FileNameList& names, BOOL* flags) {
            return entry(m_pvContext, names.Count(), names.Names(), flags);
        },
        [&](const std::vector<BOOL>& flags) {
            return ReturnFlags(std::vector<bool>(flags.begin(), flags.end()), pbSccFiles);
        });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccEnumChangedFiles(LONG hWnd, VARIANT lpFileNames,
                                                             VARIANT* plEvent, LONG* pResult) {
    if (plEvent == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList<provider::SccEnumChangedFilesFn, LONG>(
        "SccEnumChangedFiles", lpFileNames, pResult,
        [&](provider::SccEnumChangedFilesFn entry, const FileNameList& names, LONG* events) {
            return entry(m_pvContext, ToWindow(hWnd), names.Count(), names.Names(), events);
        },
        [&](const std::vector<LONG>& events) { return ReturnLongs(events, plEvent); });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccDirQueryInfo(VARIANT lpDirNames, VARIANT* lpStatus,
                                                         LONG* pResult) {
    if (lpStatus == nullptr) {
        return E_INVALIDARG;
    }
    return ForwardList<provider::SccDirQueryInfoFn, LONG>(
        "SccDirQueryInfo", lpDirNames, pResult,
        [&](provider::SccDirQueryInfoFn entry, const FileNameList& names, LONG* status) {
            return entry(m_pvContext, names.Count(), names.Names(), status);
        },
        [&](const std::vector<LONG>& status) { return ReturnLongs(status, lpStatus); });
}
