// The entries that work on files and folders by name, each forwarded to the IPlimoWrapper2 method
// of the same name with the host's names as the interface's list and its answers written back
// into the host's arrays.
#include "forwarding.h"
#include "scoped_variant.h"

PROXY_ENTRY SccCheckin(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                       LPCSTR lpComment, LONG fOptions, void* pvOptions) {
    return Forward(pvContext, "SccCheckin", [&](ProxyCall& call, LONG* result) {
        ScopedBstr comment;
        HRESULT hr = InText(lpComment, true, &comment);
        if (FAILED(hr)) return hr;
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccCheckin(WindowValue(hWnd), names, comment.get(), fOptions,
                                             CookieValue(pvOptions), result);
        });
    });
}

PROXY_ENTRY SccCheckout(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                        LPCSTR lpComment, LONG fOptions, void* pvOptions) {
    return Forward(pvContext, "SccCheckout", [&](ProxyCall& call, LONG* result) {
        ScopedBstr comment;
        HRESULT hr = InText(lpComment, true, &comment);
        if (FAILED(hr)) return hr;
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccCheckout(WindowValue(hWnd), names, comment.get(), fOptions,
                                              CookieValue(pvOptions), result);
        });
    });
}

PROXY_ENTRY SccRemove(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                      LPCSTR lpComment, LONG fOptions, void* pvOptions) {
    return Forward(pvContext, "SccRemove", [&](ProxyCall& call, LONG* result) {
        ScopedBstr comment;
        HRESULT hr = InText(lpComment, true, &comment);
        if (FAILED(hr)) return hr;
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccRemove(WindowValue(hWnd), names, comment.get(), fOptions,
                                            CookieValue(pvOptions), result);
        });
    });
}

PROXY_ENTRY SccUncheckout(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                          LONG fOptions, void* pvOptions) {
    return Forward(pvContext, "SccUncheckout", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccUncheckout(WindowValue(hWnd), names, fOptions,
                                                CookieValue(pvOptions), result);
        });
    });
}

PROXY_ENTRY SccGet(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, LONG fOptions,
                   void* pvOptions) {
    return Forward(pvContext, "SccGet", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccGet(WindowValue(hWnd), names, fOptions, CookieValue(pvOptions),
                                         result);
        });
    });
}

PROXY_ENTRY SccHistory(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames, LONG fOptions,
                       void* pvOptions) {
    return Forward(pvContext, "SccHistory", [&](ProxyCall& call, LONG* result) {
        return WithNames(nFiles, lpFileNames, [&](const VARIANT& names) {
            return call.object()->SccHistory(WindowValue(hWnd), names, fOptions,
                                             CookieValue(pvOptions), result);
        });
    });
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
    return Forward(pvContext, "SccDiff", [&](ProxyCall& call, LONG* result) {
        return WithName(lpFileName, [&](BSTR name) {
            return call.object()->SccDiff(WindowValue(hWnd), name, fOptions, CookieValue(pvOptions),
                                          result);
        });
    });
}

PROXY_ENTRY SccDirDiff(void* pvContext, HWND hWnd, LPCSTR lpDirName, LONG dwFlags,
                       void* pvOptions) {
    return Forward(pvContext, "SccDirDiff", [&](ProxyCall& call, LONG* result) {
        return WithName(lpDirName, [&](BSTR name) {
            return call.object()->SccDirDiff(WindowValue(hWnd), name, dwFlags,
                                             CookieValue(pvOptions), result);
        });
    });
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
