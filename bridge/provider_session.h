// ProviderSession: one client's session with one provider library. It holds the library, the
// provider's context, the command-options cookies handed out and what the calls collect, and it
// is the one path by which every method of both interfaces reaches the provider.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "cookie_table.h"
#include "file_name_list.h"
#include "provider_call.h"
#include "provider_entry_points.h"
#include "provider_messages.h"
#include "scoped_resource.h"
#include "script_arrays.h"

// What an interface takes from its client and offers its provider: the arrays it takes as lists,
// and the text-output procedure its SccOpenProject hands over (null: none, and then no messages
// are kept, as an interface without TakeMessages could never hand them back).
struct InterfaceTerms {
    ListArrays lists;
    provider::TextOutProc textOutput;
};

// Every method takes the object the client called (`object`), which each call holds while it is
// admitted, and the interface method's own parameters.
//
// Every method but Bind returns S_OK once the provider has been called, with the provider's own
// result in *pResult; E_INVALIDARG for a null required pointer and kNoProviderEntry when no
// library is bound or it lacks the entry point, with nothing written in either case. A method
// that hands [in, out] strings back returns E_OUTOFMEMORY when one cannot be allocated: that
// parameter is then null and those after it keep the client's strings. A method that hands
// arrays back hands over all of them or, failing, none.
//
// Lists are refused (E_INVALIDARG) before the entry is looked for. A provider that faults or
// throws in a guarded method (provider_call.h) fails it with E_FAIL, with nothing written; the
// object stays usable. One provider call runs at a time on a thread: a method called while
// another is admitted returns kProviderBusy and writes nothing, and after a stack overflow whose
// guard page could not be put back every method returns kProviderStackLost.
class ProviderSession {
public:
    explicit ProviderSession(const InterfaceTerms& terms) : terms_(terms) {}
    ProviderSession(const ProviderSession&) = delete;
    ProviderSession& operator=(const ProviderSession&) = delete;

    // Binds the provider library at the full path `path`: its folder becomes the process's DLL
    // directory and the library is loaded. A library bound before stays loaded and the provider
    // context is kept. A name without a folder, or relative, is refused with E_INVALIDARG.
    HRESULT Bind(IUnknown* object, BSTR path);
    // Frees the bound library without calling any of its entry points; idempotent.
    void ReleaseProvider() { library_.reset(); }

    // Session and options.
    HRESULT SccInitialize(IUnknown* object, LONG hWnd, BSTR lpCallerName, BSTR* lpSccName,
                          LONG* lpSccCaps, BSTR* lpAuxPathLabel, LONG* pnCheckoutCommentLen,
                          LONG* pnCommentLen, LONG* pResult);
    HRESULT SccSetOption(IUnknown* object, LONG nOption, LONG dwVal, LONG* pResult);
    // Hands the provider the address of a callback that does nothing, as the option's value.
    HRESULT SccSetOptionCallback(IUnknown* object, LONG nOption, LONG* pResult);
    HRESULT SccGetCommandOptions(IUnknown* object, LONG hWnd, LONG iCommand, LONG* pResult);
    // Also returns the options cookie the provider stored, as CookieTable gives it to a client
    // (0 when it stored none).
    HRESULT SccGetCommandOptionsByRef(IUnknown* object, LONG hWnd, LONG iCommand,
                                      LONG* pCmdOptionsCookie, LONG* pResult);
    // Entries that take nothing but the context.
    HRESULT CallContextEntry(IUnknown* object, const ProviderEntry& entry, LONG* pResult);

    // Projects.
    HRESULT SccGetProjPath(IUnknown* object, LONG hWnd, BSTR* lpUser, BSTR* lpProjName,
                           BSTR* lpLocalPath, BSTR* lpAuxProjPath, VARIANT_BOOL bAllowChangePath,
                           VARIANT_BOOL* pbNew, LONG* pResult);
    HRESULT SccOpenProject(IUnknown* object, LONG hWnd, BSTR* lpUser, BSTR lpProjName,
                           BSTR lpLocalProjPath, BSTR* lpAuxProjPath, BSTR lpComment, LONG dwFlags,
                           LONG* pResult);
    HRESULT SccCreateSubProject(IUnknown* object, LONG hWnd, BSTR* lpUser, BSTR lpParentProjPath,
                                BSTR lpSubProjName, BSTR* lpAuxProjPath, BSTR* lpSubProjPath,
                                LONG* pResult);
    HRESULT SccGetParentProjectPath(IUnknown* object, LONG hWnd, BSTR* lpUser, BSTR lpProjPath,
                                    BSTR* lpAuxProjPath, BSTR* lpParentProjPath, LONG* pResult);

    // File lists. SccCheckin, SccCheckout and SccRemove pass a comment; SccUncheckout, SccGet
    // and SccHistory, whose entries take none, do not.
    HRESULT CommentedFiles(IUnknown* object, const ProviderEntry& entry, LONG hWnd,
                           const VARIANT& lpFileNames, BSTR lpComment, LONG fOptions,
                           LONG lCmdOptionsCookie, LONG* pResult);
    HRESULT PlainFiles(IUnknown* object, const ProviderEntry& entry, LONG hWnd,
                       const VARIANT& lpFileNames, LONG fOptions, LONG lCmdOptionsCookie,
                       LONG* pResult);
    // `pfOptions` must hold exactly one option word per file name (else E_INVALIDARG).
    HRESULT SccAdd(IUnknown* object, LONG hWnd, const VARIANT& lpFileNames, BSTR lpComment,
                   const VARIANT& pfOptions, LONG lCmdOptionsCookie, LONG* pResult);
    // Hands back one status word per file in *lpStatus, a new VT_ARRAY | VT_I4 from 0.
    HRESULT SccQueryInfo(IUnknown* object, const VARIANT& lpFileNames, VARIANT* lpStatus,
                         LONG* pResult);
    HRESULT SccRunScc(IUnknown* object, LONG hWnd, const VARIANT& lpFileNames, LONG* pResult);
    HRESULT SccBackgroundGet(IUnknown* object, const VARIANT& lpFileNames, LONG dwFlags,
                             LONG dwBackgroundOperationID, LONG* pResult);
    HRESULT SccWillCreateSccFile(IUnknown* object, const VARIANT& lpFileNames, VARIANT* pbSccFiles,
                                 LONG* pResult);
    HRESULT SccEnumChangedFiles(IUnknown* object, LONG hWnd, const VARIANT& lpFileNames,
                                VARIANT* plEvent, LONG* pResult);
    HRESULT SccDirQueryInfo(IUnknown* object, const VARIANT& lpDirNames, VARIANT* lpStatus,
                            LONG* pResult);

    // One file or folder.
    HRESULT SccRename(IUnknown* object, LONG hWnd, BSTR lpFileName, BSTR lpNewName, LONG* pResult);
    // SccDiff on a file, SccDirDiff on a folder.
    HRESULT Diff(IUnknown* object, const ProviderEntry& entry, LONG hWnd, BSTR lpName,
                 LONG fOptions, LONG lCmdOptionsCookie, LONG* pResult);
    HRESULT SccProperties(IUnknown* object, LONG hWnd, BSTR lpFileName, LONG* pResult);

    // Questions.
    HRESULT SccGetEvents(IUnknown* object, BSTR* lpFileName, LONG* lpStatus,
                         LONG* pnEventsRemaining, LONG* pResult);
    HRESULT SccGetExtendedCapabilities(IUnknown* object, LONG lSccExCap, VARIANT_BOOL* pbSupported,
                                       LONG* pResult);
    HRESULT SccIsMultiCheckoutEnabled(IUnknown* object, VARIANT_BOOL* pbMultiCheckout,
                                      LONG* pResult);
    HRESULT SccGetUserOption(IUnknown* object, LONG nOption, LONG* lpVal, LONG* pResult);

    // What the provider reports. Each returns S_FALSE instead of S_OK when the provider reported
    // more than a call keeps (reported_items.h): the first items come back, the provider was
    // told to stop, and the messages say so.
    HRESULT SccPopulateList(IUnknown* object, LONG nCommand, const VARIANT& lpFileNames,
                            LONG fOptions, VARIANT* pbAddKeep, VARIANT* pnStatus, VARIANT* pNames,
                            VARIANT* lpStatus, LONG* pResult);
    HRESULT SccQueryChanges(IUnknown* object, const VARIANT& lpFileNames, VARIANT* pNames,
                            VARIANT* pChangeTypes, VARIANT* pLatestNames, LONG* pResult);
    HRESULT SccPopulateDirList(IUnknown* object, const VARIANT& lpDirPaths, LONG dwFlags,
                               VARIANT* pNames, VARIANT* pbFolder, LONG* pResult);
    // The provider's own list of names, which it is then asked to free. A negative count, or
    // names without a list, fail the method with E_FAIL.
    HRESULT SccAddFromScc(IUnknown* object, LONG hWnd, VARIANT* lpFileNames, LONG* pResult);

    // The messages kept since the last take, and their count; then they are forgotten.
    HRESULT TakeMessages(IUnknown* object, VARIANT* pMessages, VARIANT* pTypes, LONG* pCount);

private:
    // The one forwarding path: admits the call for `object` and looks `entry` up, then runs
    // body(call) in the frame of the entry's way (provider_call.h): the conversions made once
    // admitted, the provider call, and the building and handing over of its results. Returns
    // what the body returns, or why the call was refused.
    template <typename Body>
    HRESULT Forward(IUnknown* object, const ProviderEntry& entry, Body&& body) {
        ProviderCall call;
        const HRESULT hr = call.Admit(object, library_.get(), entry,
                                      terms_.textOutput != nullptr ? &messages_ : nullptr);
        if (FAILED(hr)) return hr;
        return call.Run([&] { return body(call); });
    }

    // The same for a method on a list: `names` is converted first, and refused before admission,
    // and body(call, list) gets it.
    template <typename Body>
    HRESULT ForwardList(IUnknown* object, const ProviderEntry& entry, const VARIANT& names,
                        Body&& body) {
        FileNameList list;
        const HRESULT hr = list.Load(names, terms_.lists);
        if (FAILED(hr)) return hr;
        return Forward(object, entry, [&](ProviderCall& call) { return body(call, list); });
    }

    // Notes in the messages that a list of `items` was cut, and gives the method's result.
    HRESULT Kept(const class ReportedItems& items);

    InterfaceTerms terms_;
    // The provider library bound by the last Bind; null while none is bound.
    ScopedLibrary library_;
    // The provider's context: written only by the provider's SccInitialize, through its address,
    // and handed as the first argument to every other entry point. The bridge never resets it.
    void* context_ = nullptr;
    CookieTable cookies_;
    ProviderMessages messages_;
};
