// CBaselineWrapper: IPlimoWrapper with nothing behind it. Its methods only read their arguments
// and write outputs of the same shapes the server writes, so a call to it costs what the
// platform's marshalling costs: the floor the server is measured against.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "PlimoCOMWrapper.h"
#include "com_owners.h"

// Answers as bench_protocol.h says, the way the server does with the bench provider behind it.
// Late-bound calls go through the registered type library's information (ITypeInfo::Invoke),
// as the server's do. Each live object counts as one server lock (see baseline_server.cpp).
class CBaselineWrapper : public IPlimoWrapper {
public:
    // A new object with one reference, which the caller owns; null when out of memory.
    static CBaselineWrapper* Create();

    // Releases the type information loaded by the first late-bound call; call it before the
    // apartment ends.
    static void ReleaseTypeInfo();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    HRESULT STDMETHODCALLTYPE Init(BSTR bstrName) override;
    HRESULT STDMETHODCALLTYPE SccInitialize(LONG hWnd, BSTR lpCallerName, BSTR* lpSccName,
                                            LONG* lpSccCaps, BSTR* lpAuxPathLabel,
                                            LONG* pnCheckoutCommentLen, LONG* pnCommentLen,
                                            LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccUninitialize(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetCommandOptions(LONG hWnd, LONG iCommand,
                                                   LONG* pResult) override;
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
    HRESULT STDMETHODCALLTYPE SccAdd(LONG hWnd, VARIANT lpFileNames, BSTR lpComment,
                                     VARIANT pfOptions, LONG lCmdOptionsCookie,
                                     LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccQueryInfo(VARIANT lpFileNames, VARIANT* lpStatus,
                                           LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccOpenProject(LONG hWnd, BSTR* lpUser, BSTR lpProjName,
                                             BSTR lpLocalProjPath, BSTR* lpAuxProjPath,
                                             BSTR lpComment, LONG dwFlags, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccSetOptionCallback(LONG nOption, LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccGetVersion(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccBeginBatch(LONG* pResult) override;
    HRESULT STDMETHODCALLTYPE SccEndBatch(LONG* pResult) override;

private:
    CBaselineWrapper();
    virtual ~CBaselineWrapper();

    static HRESULT LoadTypeInfo(LCID locale);

    LONG refs_ = 1;
    static ScopedInterface<ITypeInfo> typeInfo_;
};

// Count one server lock more or less (defined by the server): every live object holds one, and
// the server ends when the count falls to zero.
void LockBaselineServer();
void UnlockBaselineServer();
