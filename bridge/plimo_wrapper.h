// CPlimoWrapper: the bridge behind IPlimoWrapper. It binds one source-control provider library
// and forwards every interface method to the provider entry point of the same name.
#pragma once

#include <windows.h>

#include "PlimoCOMWrapper.h"
#include "provider_call.h"
#include "scoped_resource.h"

// The bridge implements the 19 methods of IPlimoWrapper. IUnknown and IDispatch are left to
// the object machinery that completes it (reference counting, interface lookup, dispatch), so
// a derived class may construct it directly, bind it to a provider and call it.
//
// Every method but Init returns S_OK once the provider has been called, with the provider's own
// result in *pResult; E_INVALIDARG for a null required pointer and 0x800710DD when no library is
// bound or it lacks the entry point, with nothing written in either case. A method that hands
// strings back returns E_OUTOFMEMORY when one cannot be allocated: that parameter is then null
// and those after it keep the client's strings.
//
// The six file-list methods refuse a malformed list (E_INVALIDARG) before they look for the
// entry, and return E_FAIL, with nothing written, when the provider faults or throws; the object
// stays usable.
//
// One provider call runs at a time on a thread: a method called while another is inside the
// provider (which may pump messages) returns kProviderBusy and writes nothing, and after a stack
// overflow whose guard page could not be put back every method returns kProviderStackLost.
class CPlimoWrapper : public IPlimoWrapper {
public:
    CPlimoWrapper() = default;
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

    // Admission to the provider for one call and its entry point `name`, looked up afresh in the
    // bound library (see ProviderCall).
    ProviderCall Enter(const char* name) { return ProviderCall(this, m_hProvider.get(), name); }

    HRESULT BindProvider(const wchar_t* path);
    // The four file-list methods that differ only by the comment: SccCheckin and SccCheckout
    // pass `lpComment`, SccUncheckout and SccGet, whose entries take none, pass null.
    HRESULT ForwardFiles(const char* name, LONG hWnd, const VARIANT& lpFileNames,
                         const BSTR* lpComment, LONG fOptions, LONG lCmdOptionsCookie,
                         LONG* pResult);
    // Forwards a method whose provider entry takes nothing but the context.
    HRESULT CallContextEntry(const char* name, LONG* pResult);
};
