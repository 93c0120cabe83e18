// The bridge's two faces over one ProviderSession: CPlimoWrapper serves IPlimoWrapper and
// CPlimoWrapper2 the whole provider interface, IPlimoWrapper2. Each method hands its parameters
// to the session; what a method does is said there (provider_session.h).
#pragma once

#include <windows.h>

#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper2.h"
#include "provider_session.h"

// The methods of IPlimoWrapper, over the interface `Interface` (IPlimoWrapper or one derived from
// it). IUnknown and IDispatch are left to the object machinery that completes a face (reference
// counting, interface lookup, dispatch), so a test may also complete one itself, bind it to a
// provider and call it.
template <class Interface> class PlimoWrapperMethods : public Interface {
public:
    virtual ~PlimoWrapperMethods() = default;
    PlimoWrapperMethods(const PlimoWrapperMethods&) = delete;
    PlimoWrapperMethods& operator=(const PlimoWrapperMethods&) = delete;

    HRESULT STDMETHODCALLTYPE Init(BSTR bstrName) override { return session_.Bind(this, bstrName); }
    HRESULT STDMETHODCALLTYPE SccInitialize(LONG hWnd, BSTR lpCallerName, BSTR* lpSccName,
                                            LONG* lpSccCaps, BSTR* lpAuxPathLabel,
                                            LONG* pnCheckoutCommentLen, LONG* pnCommentLen,
                                            LONG* pResult) override {
        return session_.SccInitialize(this, hWnd, lpCallerName, lpSccName, lpSccCaps,
                                      lpAuxPathLabel, pnCheckoutCommentLen, pnCommentLen, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) override {
        return session_.SccSetOption(this, nOption, dwVal, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccUninitialize(LONG* pResult) override {
        return session_.CallContextEntry(this, entry::kUninitialize, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetCommandOptions(LONG hWnd, LONG iCommand,
                                                   LONG* pResult) override {
        return session_.SccGetCommandOptions(this, hWnd, iCommand, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetCommandOptionsByRef(LONG hWnd, LONG iCommand,
                                                        LONG* pCmdOptionsCookie,
                                                        LONG* pResult) override {
        return session_.SccGetCommandOptionsByRef(this, hWnd, iCommand, pCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetProjPath(LONG hWnd, BSTR* lpUser, BSTR* lpProjName,
                                             BSTR* lpLocalPath, BSTR* lpAuxProjPath,
                                             VARIANT_BOOL bAllowChangePath, VARIANT_BOOL* pbNew,
                                             LONG* pResult) override {
        return session_.SccGetProjPath(this, hWnd, lpUser, lpProjName, lpLocalPath, lpAuxProjPath,
                                       bAllowChangePath, pbNew, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccCloseProject(LONG* pResult) override {
        return session_.CallContextEntry(this, entry::kCloseProject, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccCheckin(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                         LONG fOptions, LONG lCmdOptionsCookie,
                                         LONG* pResult) override {
        return session_.CommentedFiles(this, entry::kCheckin, hWnd, lpFileNames, lpComment,
                                       fOptions, lCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccCheckout(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                          LONG fOptions, LONG lCmdOptionsCookie,
                                          LONG* pResult) override {
        return session_.CommentedFiles(this, entry::kCheckout, hWnd, lpFileNames, lpComment,
                                       fOptions, lCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccUncheckout(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                            LONG lCmdOptionsCookie, LONG* pResult) override {
        return session_.PlainFiles(this, entry::kUncheckout, hWnd, lpFileNames, fOptions,
                                   lCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGet(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                     LONG lCmdOptionsCookie, LONG* pResult) override {
        return session_.PlainFiles(this, entry::kGet, hWnd, lpFileNames, fOptions,
                                   lCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccAdd(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                     VARIANT pfOptions, LONG lCmdOptionsCookie,
                                     LONG* pResult) override {
        return session_.SccAdd(this, hWnd, lpFileNames, lpComment, pfOptions, lCmdOptionsCookie,
                               pResult);
    }
    HRESULT STDMETHODCALLTYPE SccQueryInfo(VARIANT lpFileNames, VARIANT* lpStatus,
                                           LONG* pResult) override {
        return session_.SccQueryInfo(this, lpFileNames, lpStatus, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccOpenProject(LONG hWnd, BSTR* lpUser, BSTR lpProjName,
                                             BSTR lpLocalProjPath, BSTR* lpAuxProjPath,
                                             BSTR lpComment, LONG dwFlags, LONG* pResult) override {
        return session_.SccOpenProject(this, hWnd, lpUser, lpProjName, lpLocalProjPath,
                                       lpAuxProjPath, lpComment, dwFlags, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccSetOptionCallback(LONG nOption, LONG* pResult) override {
        return session_.SccSetOptionCallback(this, nOption, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetVersion(LONG* pResult) override {
        return session_.CallContextEntry(this, entry::kGetVersion, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccBeginBatch(LONG* pResult) override {
        return session_.CallContextEntry(this, entry::kBeginBatch, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccEndBatch(LONG* pResult) override {
        return session_.CallContextEntry(this, entry::kEndBatch, pResult);
    }

    // Frees the bound provider library without calling any of its entry points. The final
    // release of the object calls it before the server lock is dropped; the session's end
    // calls it again, which then does nothing.
    void ReleaseProvider() { session_.ReleaseProvider(); }

protected:
    explicit PlimoWrapperMethods(const InterfaceTerms& terms) : session_(terms) {}

    ProviderSession session_;
};

// IPlimoWrapper as its clients have always been answered: lists are VT_ARRAY | VT_BSTR only, and
// the provider gets no text-output procedure, as IPlimoWrapper has no TakeMessages to hand
// messages back.
class CPlimoWrapper : public PlimoWrapperMethods<IPlimoWrapper> {
public:
    CPlimoWrapper() : PlimoWrapperMethods(InterfaceTerms{ListArrays::kTyped, nullptr}) {}
};

// IPlimoWrapper2: the whole provider interface. Its SccOpenProject hands the provider a
// text-output procedure, whose messages are kept for TakeMessages, and its lists may also be a
// script's arrays. Arrays come back as new zero-based arrays the caller owns (see
// PlimoCOMWrapper2.idl for their types).
class CPlimoWrapper2 : public PlimoWrapperMethods<IPlimoWrapper2> {
public:
    CPlimoWrapper2()
        : PlimoWrapperMethods(InterfaceTerms{ListArrays::kTypedOrScript, &CollectProviderMessage}) {
    }

    HRESULT STDMETHODCALLTYPE TakeMessages(VARIANT* pMessages, VARIANT* pTypes,
                                           LONG* pCount) override {
        return session_.TakeMessages(this, pMessages, pTypes, pCount);
    }
    HRESULT STDMETHODCALLTYPE SccRemove(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                        LONG fOptions, LONG lCmdOptionsCookie,
                                        LONG* pResult) override {
        return session_.CommentedFiles(this, entry::kRemove, hWnd, lpFileNames, lpComment, fOptions,
                                       lCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccRename(LONG hWnd, BSTR lpFileName, BSTR lpNewName,
                                        LONG* pResult) override {
        return session_.SccRename(this, hWnd, lpFileName, lpNewName, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccDiff(LONG hWnd, BSTR lpFileName, LONG fOptions,
                                      LONG lCmdOptionsCookie, LONG* pResult) override {
        return session_.Diff(this, entry::kDiff, hWnd, lpFileName, fOptions, lCmdOptionsCookie,
                             pResult);
    }
    HRESULT STDMETHODCALLTYPE SccHistory(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                         LONG lCmdOptionsCookie, LONG* pResult) override {
        return session_.PlainFiles(this, entry::kHistory, hWnd, lpFileNames, fOptions,
                                   lCmdOptionsCookie, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccProperties(LONG hWnd, BSTR lpFileName, LONG* pResult) override {
        return session_.SccProperties(this, hWnd, lpFileName, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccRunScc(LONG hWnd, VARIANT lpFileNames, LONG* pResult) override {
        return session_.SccRunScc(this, hWnd, lpFileNames, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetEvents(BSTR* lpFileName, LONG* lpStatus,
                                           LONG* pnEventsRemaining, LONG* pResult) override {
        return session_.SccGetEvents(this, lpFileName, lpStatus, pnEventsRemaining, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccAddFromScc(LONG hWnd, VARIANT* lpFileNames,
                                            LONG* pResult) override {
        return session_.SccAddFromScc(this, hWnd, lpFileNames, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccDirQueryInfo(VARIANT lpDirNames, VARIANT* lpStatus,
                                              LONG* pResult) override {
        return session_.SccDirQueryInfo(this, lpDirNames, lpStatus, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccDirDiff(LONG hWnd, BSTR lpDirName, LONG dwFlags,
                                         LONG lCmdOptionsCookie, LONG* pResult) override {
        return session_.Diff(this, entry::kDirDiff, hWnd, lpDirName, dwFlags, lCmdOptionsCookie,
                             pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetExtendedCapabilities(LONG lSccExCap, VARIANT_BOOL* pbSupported,
                                                         LONG* pResult) override {
        return session_.SccGetExtendedCapabilities(this, lSccExCap, pbSupported, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccCreateSubProject(LONG hWnd, BSTR* lpUser, BSTR lpParentProjPath,
                                                  BSTR lpSubProjName, BSTR* lpAuxProjPath,
                                                  BSTR* lpSubProjPath, LONG* pResult) override {
        return session_.SccCreateSubProject(this, hWnd, lpUser, lpParentProjPath, lpSubProjName,
                                            lpAuxProjPath, lpSubProjPath, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetParentProjectPath(LONG hWnd, BSTR* lpUser, BSTR lpProjPath,
                                                      BSTR* lpAuxProjPath, BSTR* lpParentProjPath,
                                                      LONG* pResult) override {
        return session_.SccGetParentProjectPath(this, hWnd, lpUser, lpProjPath, lpAuxProjPath,
                                                lpParentProjPath, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccIsMultiCheckoutEnabled(VARIANT_BOOL* pbMultiCheckout,
                                                        LONG* pResult) override {
        return session_.SccIsMultiCheckoutEnabled(this, pbMultiCheckout, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccWillCreateSccFile(VARIANT lpFileNames, VARIANT* pbSccFiles,
                                                   LONG* pResult) override {
        return session_.SccWillCreateSccFile(this, lpFileNames, pbSccFiles, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccEnumChangedFiles(LONG hWnd, VARIANT lpFileNames, VARIANT* plEvent,
                                                  LONG* pResult) override {
        return session_.SccEnumChangedFiles(this, hWnd, lpFileNames, plEvent, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccGetUserOption(LONG nOption, LONG* lpVal, LONG* pResult) override {
        return session_.SccGetUserOption(this, nOption, lpVal, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccBackgroundGet(VARIANT lpFileNames, LONG dwFlags,
                                               LONG dwBackgroundOperationID,
                                               LONG* pResult) override {
        return session_.SccBackgroundGet(this, lpFileNames, dwFlags, dwBackgroundOperationID,
                                         pResult);
    }
    HRESULT STDMETHODCALLTYPE SccPopulateList(LONG nCommand, VARIANT lpFileNames, LONG fOptions,
                                              VARIANT* pbAddKeep, VARIANT* pnStatus,
                                              VARIANT* pNames, VARIANT* lpStatus,
                                              LONG* pResult) override {
        return session_.SccPopulateList(this, nCommand, lpFileNames, fOptions, pbAddKeep, pnStatus,
                                        pNames, lpStatus, pResult);
    }
    HRESULT STDMETHODCALLTYPE SccQueryChanges(VARIANT lpFileNames, VARIANT* pNames,
                                              VARIANT* pChangeTypes, VARIANT* pLatestNames,
                                              LONG* pResult) override {
        return session_.SccQueryChanges(this, lpFileNames, pNames, pChangeTypes, pLatestNames,
                                        pResult);
    }
    HRESULT STDMETHODCALLTYPE SccPopulateDirList(VARIANT lpDirPaths, LONG dwFlags, VARIANT* pNames,
                                                 VARIANT* pbFolder, LONG* pResult) override {
        return session_.SccPopulateDirList(this, lpDirPaths, dwFlags, pNames, pbFolder, pResult);
    }
};
