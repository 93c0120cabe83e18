// CPlimoWrapper: the bridge behind IPlimoWrapper and IPlimoWrapper2. It binds one source-control
// provider library and forwards every interface method to the provider entry point of the same
// name.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper2.h"
#include "file_name_list.h"
#include "provider_call.h"
#include "provider_messages.h"
#include "scoped_resource.h"

// The bridge implements the methods of IPlimoWrapper2, the 19 of IPlimoWrapper among them. A
// class that serves only IPlimoWrapper shows only those. IUnknown and IDispatch are left to the
// object machinery that completes it (reference counting, interface lookup, dispatch), so a
// derived class may construct it directly, bind it to a provider and call it.
//
// Every method but Init returns S_OK once the provider has been called, with the provider's own
// result in *pResult; E_INVALIDARG for a null required pointer and 0x800710DD when no library is
// bound or it lacks the entry point, with nothing written in either case. A method that hands
// strings back returns E_OUTOFMEMORY when one cannot be allocated: that parameter is then null
// and those after it keep the client's strings.
//
// The six file-list methods refuse a malformed list (E_INVALIDARG) before they look for the
// entry, and return E_FAIL, with nothing written, when the provider faults or throws; the object
// stays usable. Which methods guard the provider call, and why, is set out in provider_call.h.
//
// One provider call runs at a time on a thread: a method called while another is inside the
// provider (which may pump messages) returns kProviderBusy and writes nothing, and after a stack
// overflow whose guard page could not be put back every method returns kProviderStackLost.
class CPlimoWrapper : public IPlimoWrapper2 {
public:
    // `wholeInterface`: the object serves IPlimoWrapper2. Its SccOpenProject hands the provider a
    // text-output procedure, whose messages are kept for TakeMessages, and its file lists may
    // also be a script's arrays of strings. Without it the object answers IPlimoWrapper's clients
    // as they have always been answered: IPlimoWrapper has no TakeMessages to hand messages back,
    // so the provider gets no procedure, and lists are VT_ARRAY | VT_BSTR only.
    explicit CPlimoWrapper(bool wholeInterface = false) : wholeInterface_(wholeInterface) {}
    virtual ~CPlimoWrapper();

    CPlimoWrapper(const CPlimoWrapper&) = delete;
    CPlimoWrapper& operator=(const CPlimoWrapper&) = delete;

    // Binds the provider library at the full path `bstrName`: its folder becomes the process's
    // DLL directory and the library is loaded. A library bound before stays loaded and the
    // provider context is kept. A name without a folder is refused with E_INVALIDARG.
    HRESULT STDMETHODCALLTYPE Init(BSTR bstrName) override;

    HRESULT STDMETHODCALLTYPE SccInitialize(LONG hWnd, BSTR lpCallerName, BSTR* lpSccName,
                                            LONG* lpSccCaps, BSTR* lpAuxPathLabel,
                                            LONG* pnCheckoutCommentLen, LONG* pnCommentLen,
                                            LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccUninitialize(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetCommandOptions(LONG hWnd, LONG iCommand,
                                                   LONG* pResult) override;
    // Like SccGetCommandOptions, and also returns the options cookie the provider stored
    // (0 when it stored none).
    HRESULT STDMETHODCALLTYPE SccGetCommandOptionsByRef(LONG hWnd, LONG iCommand,
                                                        LONG* pCmdOptionsCookie,
                                                        LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetProjPath(LONG hWnd, BSTR* lpUser, BSTR* lpProjName,
                                             BSTR* lpLocalPath, BSTR* lpAuxProjPath,
                                             VARIANT_BOOL bAllowChangePath, VARIANT_BOOL* pbNew,
                                             LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccCloseProject(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccCheckin(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                         LONG fOptions, LONG lCmdOptionsCookie,
                                         LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccCheckout(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                          LONG fOptions, LONG lCmdOptionsCookie,
                                          LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccUncheckout(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                            LONG lCmdOptionsCookie, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGet(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                     LONG lCmdOptionsCookie, LONG* pResult) override;
    // `pfOptions` must hold exactly one option word per file name (else E_INVALIDARG).
    HRESULT STDMETHODCALLTYPE SccAdd(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                     VARIANT pfOptions, LONG lCmdOptionsCookie,
                                     LONG* pResult) override;
    // Hands back one status word per file in *lpStatus, a new VT_ARRAY | VT_I4 from 0 that the
    // caller owns; what *lpStatus held before is released then, and only then.
    HRESULT STDMETHODCALLTYPE SccQueryInfo(VARIANT lpFileNames, VARIANT* lpStatus,
                                           LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccOpenProject(LONG hWnd, BSTR* lpUser, BSTR lpProjName,
                                             BSTR lpLocalProjPath, BSTR* lpAuxProjPath,
                                             BSTR lpComment, LONG dwFlags, LONG* pResult) override;
    // Hands the provider the address of a callback that does nothing, as the option's value.
    HRESULT STDMETHODCALLTYPE SccSetOptionCallback(LONG nOption, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetVersion(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccBeginBatch(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccEndBatch(LONG* pResult) override;

    // IPlimoWrapper2. The methods take what IPlimoWrapper's take and answer alike; file lists are
    // converted and guarded as the six file-list methods' are. Arrays come back as new
    // zero-based arrays the caller owns (see PlimoCOMWrapper2.idl for their types).
    HRESULT STDMETHODCALLTYPE TakeMessages(VARIANT* pMessages, VARIANT* pTypes,
                                           LONG* pCount) override;
    HRESULT STDMETHODCALLTYPE SccRemove(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                        LONG fOptions, LONG lCmdOptionsCookie,
                                        LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccRename(LONG hWnd, BSTR lpFileName, BSTR lpNewName,
                                        LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccDiff(LONG hWnd, BSTR lpFileName, LONG fOptions,
                                      LONG lCmdOptionsCookie, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccHistory(LONG hWnd, VARIANT lpFileNames, LONG fOptions,
                                         LONG lCmdOptionsCookie, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccProperties(LONG hWnd, BSTR lpFileName, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccRunScc(LONG hWnd, VARIANT lpFileNames, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetEvents(BSTR* lpFileName, LONG* lpStatus,
                                           LONG* pnEventsRemaining, LONG* pResult) override;
    // The provider's own list of names, which it is then asked to free.
    HRESULT STDMETHODCALLTYPE SccAddFromScc(LONG hWnd, VARIANT* lpFileNames,
                                            LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccDirQueryInfo(VARIANT lpDirNames, VARIANT* lpStatus,
                                              LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccDirDiff(LONG hWnd, BSTR lpDirName, LONG dwFlags,
                                         LONG lCmdOptionsCookie, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetExtendedCapabilities(LONG lSccExCap, VARIANT_BOOL* pbSupported,
                                                         LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccCreateSubProject(LONG hWnd, BSTR* lpUser, BSTR lpParentProjPath,
                                                  BSTR lpSubProjName, BSTR* lpAuxProjPath,
                                                  BSTR* lpSubProjPath, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetParentProjectPath(LONG hWnd, BSTR* lpUser, BSTR lpProjPath,
                                                      BSTR* lpAuxProjPath, BSTR* lpParentProjPath,
                                                      LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccIsMultiCheckoutEnabled(VARIANT_BOOL* pbMultiCheckout,
                                                        LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccWillCreateSccFile(VARIANT lpFileNames, VARIANT* pbSccFiles,
                                                   LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccEnumChangedFiles(LONG hWnd, VARIANT lpFileNames, VARIANT* plEvent,
                                                  LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetUserOption(LONG nOption, LONG* lpVal, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccBackgroundGet(VARIANT lpFileNames, LONG dwFlags,
                                               LONG dwBackgroundOperationID,
                                               LONG* pResult) override;
    // These three return S_FALSE instead of S_OK when the provider reported more than
    // kMaxReportedItems items: the first ones come back, and the provider was told to stop.
    HRESULT STDMETHODCALLTYPE SccPopulateList(LONG nCommand, VARIANT lpFileNames, LONG fOptions,
                                              VARIANT* pbAddKeep, VARIANT* pnStatus,
                                              VARIANT* pNames, VARIANT* lpStatus,
                                              LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccQueryChanges(VARIANT lpFileNames, VARIANT* pNames,
                                              VARIANT* pChangeTypes, VARIANT* pLatestNames,
                                              LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccPopulateDirList(VARIANT lpDirPaths, LONG dwFlags, VARIANT* pNames,
                                                 VARIANT* pbFolder, LONG* pResult) override;

    // Frees the bound provider library without calling any of its entry points. The final
    // release of the object calls it before the server lock is dropped; the destructor calls it
    // again, which then does nothing.
    void ReleaseProvider();

private:
    // The provider library bound by the last Init; null while none is bound.
    ScopedLibrary m_hProvider;
    // The provider's context: written only by the provider's SccInitialize, through its address,
    // and handed as the first argument to every other entry point. The bridge never resets it.
    void* m_pvContext = nullptr;

    // The command-options cookies a 64-bit provider handed out that a LONG cannot hold (the
    // addresses of its options): the client gets their low half, and the calls that take a cookie
    // back hand the provider the whole value again (see CommandOptions).
    std::vector<LONG_PTR> wideCookies_;
    // The cookie the client gets for the provider's `cookie`.
    LONG CookieForClient(LONG_PTR cookie);
    // The provider's own cookie for the client's `cookie`: the whole value it handed out, or the
    // client's number as it stands.
    LONG_PTR CommandOptions(LONG cookie) const;

    // Whether the object serves the whole interface; the messages its text-output procedure
    // collects.
    const bool wholeInterface_;
    ProviderMessages messages_;

    ListArrays ListsAccepted() const {
        return wholeInterface_ ? ListArrays::kTypedOrScript : ListArrays::kTyped;
    }

    // Admission to the provider for one call and its entry point `name`, looked up afresh in the
    // bound library (see ProviderCall).
    ProviderCall Enter(const char* name) {
        return ProviderCall(this, m_hProvider.get(), name, wholeInterface_ ? &messages_ : nullptr);
    }

    HRESULT BindProvider(const wchar_t* path);
    // The four file-list methods that differ only by the comment: SccCheckin and SccCheckout
    // pass `lpComment`, SccUncheckout and SccGet, whose entries take none, pass null.
    HRESULT ForwardFiles(const char* name, LONG hWnd, const VARIANT& lpFileNames,
                         const BSTR* lpComment, LONG fOptions, LONG lCmdOptionsCookie,
                         LONG* pResult);
    // Forwards a list method of IPlimoWrapper2 whose entry is of type Fn: converts the list
    // `lpNames` as the file-list methods do, makes one Out a name for the provider to write,
    // runs call(entry, names, outputs) under the guard and, once it returned, writes *pResult
    // and hands the outputs to finish(outputs), whose HRESULT the method returns.
    template <typename Fn, typename Out, typename Call, typename Finish>
    HRESULT ForwardList(const char* name, const VARIANT& lpNames, LONG* pResult, Call call,
                        Finish finish);
    // Forwards a method on one file or folder `lpName` (refused when null or not convertible):
    // *pResult = call(admitted call, the narrow name), as an unguarded call.
    using NamedCall = std::function<LONG(const ProviderCall&, LPCSTR)>;
    HRESULT ForwardNamed(const char* name, BSTR lpName, LONG* pResult, const NamedCall& call);
    // Forwards a method whose provider entry takes nothing but the context.
    HRESULT CallContextEntry(const char* name, LONG* pResult);
};
