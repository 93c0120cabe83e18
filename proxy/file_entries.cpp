// The entries that work on files and folders by name, each forwarded to the IPlimoWrapper2 method
// of the same name with the host's names as the interface's list and its answers written back
// into the host's arrays.
#include "forwarding.h"
#include "scoped_variant.h"

namespace {

// SccCheckin, SccCheckout and SccRemove: names, a comment, options and a command-options cookie.
using CommentedMethod = HRESULT (STDMETHODCALLTYPE IPlimoWrapper2::*)(LONG, VARIANT, BSTR, LONG,
                                                                      LONG, LONG*);
// SccUncheckout, SccGet and SccHistory: the same without a comment.
using PlainMethod = HRESULT (STDMETHODCALLTYPE IPlimoWrapper2::*)(LONG, VARIANT, LONG, LONG, LONG*);

LONG ForwardCommentedFiles(void* pvContext, const char* entry, CommentedMethod method, HWND hWnd,
                           LONG nFiles, LPCSTR* lpFileNames, LPCSTR lpComment, LONG fOptions,
                           void* pvOptions) {
    return Forward(pvContext, entry, [&](ProxyCall& call, LONG* result) {
        ScopedBstr comment;
        HRESULT hr = InText(lpComment, true, &comment);
        if (FAILED(hr)) return hr;
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return (call.object()->*method)(WindowValue(hWnd), names, comment.get(), fOptions,
                                            CookieValue(pvOptions), result);
        });
    });
}

LONG ForwardPlainFiles(void* pvContext, const char* entry, PlainMethod method, HWND hWnd,
                       LONG nFiles, LPCSTR* lpFileNames, LONG fOptions, void* pvOptions) {
    return Forward(pvContext, entry, [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return (call.object()->*method)(WindowValue(hWnd), names, fOptions,
                                            CookieValue(pvOptions), result);
        });
    });
}

} // namespace

PROXY_ENTRY SccCheckin(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                       LPCSTR lpComment, LONG fOptions, void* pvOptions) {
    return ForwardCommentedFiles(pvContext, "SccCheckin", &IPlimoWrapper::SccCheckin, hWnd, nFiles,
                                 lpFileNames, lpComment, fOptions, pvOptions);
}

PROXY_ENTRY SccCheckout(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                        LPCSTR lpComment, LONG fOptions, void* pvOptions) {
    return ForwardCommentedFiles(pvContext, "SccCheckout", &IPlimoWrapper::SccCheckout, hWnd,
                                 nFiles, lpFileNames, lpComment, fOptions, pvOptions);
}

PROXY_ENTRY SccRemove(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                      LPCSTR lpComment, LONG fOptions, void* pvOptions) {
    return ForwardCommentedFiles(pvContext, "SccRemove", &IPlimoWrapper2::SccRemove, hWnd, nFiles,
                                 lpFileNames, lpComment, fOptions, pvOptions);
}

PROXY_ENTRY SccUncheckout(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                          LONG fOptions, void* pvOptions) {
    return ForwardPlainFiles(pvContext, "SccUncheckout", &IPlimoWrapper::SccUncheckout, hWnd,
                             nFiles, lpFileNames, fOptions, pvOptions);
}

PROXY_ENTRY SccGet(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, LONG fOptions,
                   void* pvOptions) {
    return ForwardPlainFiles(pvContext, "SccGet", &IPlimoWrapper::SccGet, hWnd, nFiles, lpFileNames,
                             fOptions, pvOptions);
}

PROXY_ENTRY SccHistory(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, LONG fOptions,
                       void* pvOptions) {
    return ForwardPlainFiles(pvContext, "SccHistory", &IPlimoWrapper2::SccHistory, hWnd, nFiles,
                             lpFileNames, fOptions, pvOptions);
}

PROXY_ENTRY SccAdd(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, LPCSTR lpComment,
                   LONG* pfOptions, void* pvOptions) {
    return Forward(pvContext, "SccAdd", [&](ProxyCall& call, LONG* result) {
        ScopedBstr comment;
        ScopedSafeArray options;
        HRESULT hr = InText(lpComment, true, &comment);
        if (FAILED(hr)) return hr;
        hr = NumberArray(nFiles, pfOptions, &options);
        if (FAILED(hr)) return hr;
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccAdd(WindowValue(hWnd), names, comment.get(),
                                         ArrayView(VT_I4, options.get()), CookieValue(pvOptions),
                                         result);
        });
    });
}

PROXY_ENTRY SccRunScc(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames) {
    return Forward(pvContext, "SccRunScc", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccRunScc(WindowValue(hWnd), names, result);
        });
    });
}

PROXY_ENTRY SccBackgroundGet(void* pvContext, LONG nFiles, LPCSTR* lpFileNames, LONG dwFlags,
                             LONG dwBackgroundOperationID) {
    return Forward(pvContext, "SccBackgroundGet", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccBackgroundGet(names, dwFlags, dwBackgroundOperationID, result);
        });
    });
}

namespace {

// A call on one name of the host's.
template <typename Call> HRESULT WithName(LPCSTR name, Call call) {
    ScopedBstr text;
    HRESULT hr = InText(name, false, &text);
    if (FAILED(hr)) return hr;
    return call(text.get());
}

// A list call that answers one number for each name (a status word, an event, a yes or no),
// copied into the host's array `perName` when the call reached the provider.
template <typename T, typename Call>
HRESULT WithNamesAnswered(LONG count, const char* const* names, T* perName, Call call) {
    return WithNames(count, names, [&](const VARIANT& list) {
        ScopedVariant answers;
        const HRESULT hr = call(list, answers.put());
        std::vector<LONG> values;
        if (SUCCEEDED(hr) && SUCCEEDED(ReadNumbers(answers.get(), &values))) {
            CopyValues(values, count, perName);
        }
        return hr;
    });
}

// SccDiff on a file, SccDirDiff on a folder: one name, options and a command-options cookie.
LONG ForwardDiff(void* pvContext, const char* entry,
                 HRESULT (STDMETHODCALLTYPE IPlimoWrapper2::*method)(LONG, BSTR, LONG, LONG, LONG*),
                 HWND hWnd, LPCSTR lpName, LONG fOptions, void* pvOptions) {
    return Forward(pvContext, entry, [&](ProxyCall& call, LONG* result) {
        return WithName(lpName, [&](BSTR name) {
            return (call.object()->*method)(WindowValue(hWnd), name, fOptions,
                                            CookieValue(pvOptions), result);
        });
    });
}

} // namespace

PROXY_ENTRY SccRename(void* pvContext, HWND hWnd, LPCSTR lpFileName, LPCSTR lpNewName) {
    return Forward(pvContext, "SccRename", [&](ProxyCall& call, LONG* result) {
        return WithName(lpFileName, [&](BSTR from) {
            return WithName(lpNewName, [&](BSTR to) {
                return call.object()->SccRename(WindowValue(hWnd), from, to, result);
            });
        });
    });
}

PROXY_ENTRY SccDiff(void* pvContext, HWND hWnd, LPCSTR lpFileName, LONG fOptions, void* pvOptions) {
    return ForwardDiff(pvContext, "SccDiff", &IPlimoWrapper2::SccDiff, hWnd, lpFileName, fOptions,
                       pvOptions);
}

PROXY_ENTRY SccDirDiff(void* pvContext, HWND hWnd, LPCSTR lpDirName, LONG dwFlags,
                       void* pvOptions) {
    return ForwardDiff(pvContext, "SccDirDiff", &IPlimoWrapper2::SccDirDiff, hWnd, lpDirName,
                       dwFlags, pvOptions);
}

PROXY_ENTRY SccProperties(void* pvContext, HWND hWnd, LPCSTR lpFileName) {
    return Forward(pvContext, "SccProperties", [&](ProxyCall& call, LONG* result) {
        return WithName(lpFileName, [&](BSTR name) {
            return call.object()->SccProperties(WindowValue(hWnd), name, result);
        });
    });
}

PROXY_ENTRY SccQueryInfo(void* pvContext, LONG nFiles, LPCSTR* lpFileNames, LONG* lpStatus) {
    return Forward(pvContext, "SccQueryInfo", [&](ProxyCall& call, LONG* result) {
        return WithNamesAnswered(nFiles, lpFileNames, lpStatus,
                                 [&](const VARIANT& names, VARIANT* status) {
                                     return call.object()->SccQueryInfo(names, status, result);
                                 });
    });
}

PROXY_ENTRY SccDirQueryInfo(void* pvContext, LONG nDirs, LPCSTR* lpDirNames, LONG* lpStatus) {
    return Forward(pvContext, "SccDirQueryInfo", [&](ProxyCall& call, LONG* result) {
        return WithNamesAnswered(nDirs, lpDirNames, lpStatus,
                                 [&](const VARIANT& names, VARIANT* status) {
                                     return call.object()->SccDirQueryInfo(names, status, result);
                                 });
    });
}

PROXY_ENTRY SccWillCreateSccFile(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                 BOOL* pbSccFiles) {
    return Forward(pvContext, "SccWillCreateSccFile", [&](ProxyCall& call, LONG* result) {
        return WithNamesAnswered(
            nFiles, lpFileNames, pbSccFiles, [&](const VARIANT& names, VARIANT* answers) {
                return call.object()->SccWillCreateSccFile(names, answers, result);
            });
    });
}

PROXY_ENTRY SccEnumChangedFiles(void* pvContext, HWND hWnd, LONG cFiles, LPCSTR* lpFileNames,
                                LONG* plEvent) {
    return Forward(pvContext, "SccEnumChangedFiles", [&](ProxyCall& call, LONG* result) {
        return WithNamesAnswered(
            cFiles, lpFileNames, plEvent, [&](const VARIANT& names, VARIANT* events) {
                return call.object()->SccEnumChangedFiles(WindowValue(hWnd), names, events, result);
            });
    });
}
