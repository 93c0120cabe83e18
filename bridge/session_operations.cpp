// The session and option methods of ProviderSession.
#include "provider_session.h"

#include "in_out_string.h"
#include "null_option_callback.h"
#include "wide_text.h"

using provider::ToWindow;

namespace {

// The published limit of a provider name and of an auxiliary path label, with the terminator.
constexpr size_t kSccNameCapacity = SCC_NAME_LEN + 1;
constexpr size_t kAuxPathLabelCapacity = SCC_AUXLABEL_LEN + 1;

} // namespace

HRESULT ProviderSession::SccInitialize(IUnknown* object, LONG hWnd, BSTR lpCallerName,
                                       BSTR* lpSccName, LONG* lpSccCaps, BSTR* lpAuxPathLabel,
                                       LONG* pnCheckoutCommentLen, LONG* pnCommentLen,
                                       LONG* pResult) {
    if (lpCallerName == nullptr || lpSccName == nullptr || lpSccCaps == nullptr ||
        lpAuxPathLabel == nullptr || pnCheckoutCommentLen == nullptr || pnCommentLen == nullptr ||
        pResult == nullptr) {
        return E_INVALIDARG;
    }
    // The provider's name and the caller's are free text; the label names a path.
    InOutString<kSccNameCapacity> name;
    InOutString<kAuxPathLabelCapacity> label;
    HRESULT loaded = name.Load(*lpSccName, TextRule::kFreeText);
    if (FAILED(loaded)) return loaded;
    loaded = label.Load(*lpAuxPathLabel);
    if (FAILED(loaded)) return loaded;
    return Forward(object, entry::kInitialize, [&](ProviderCall& call) {
        NarrowText callerName;
        const HRESULT converted = WideToNarrow(lpCallerName, &callerName, TextRule::kFreeText);
        if (FAILED(converted)) return converted;
        // The provider stores its context through the field's address; the bridge leaves the
        // field to it, before and after the call.
        *pResult = call.entry<provider::SccInitializeFn>()(
            &context_, ToWindow(hWnd), callerName.get(), name.get(), lpSccCaps, label.get(),
            pnCheckoutCommentLen, pnCommentLen);
        HRESULT hr = name.Return(lpSccName);
        if (FAILED(hr)) return hr;
        return label.Return(lpAuxPathLabel);
    });
}

HRESULT ProviderSession::SccSetOption(IUnknown* object, LONG nOption, LONG dwVal, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kSetOption, [&](ProviderCall& call) {
        *pResult = call.entry<provider::SccSetOptionFn>()(context_, nOption, dwVal);
        return S_OK;
    });
}

HRESULT ProviderSession::SccSetOptionCallback(IUnknown* object, LONG nOption, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kSetOption, [&](ProviderCall& call) {
        *pResult = call.entry<provider::SccSetOptionFn>()(
            context_, nOption, reinterpret_cast<LONG_PTR>(&NullOptionCallback));
        return S_OK;
    });
}

HRESULT ProviderSession::SccGetCommandOptions(IUnknown* object, LONG hWnd, LONG iCommand,
                                              LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kGetCommandOptions, [&](ProviderCall& call) {
        *pResult = call.entry<provider::SccGetCommandOptionsFn>()(context_, ToWindow(hWnd),
                                                                  iCommand, nullptr);
        return S_OK;
    });
}

HRESULT ProviderSession::SccGetCommandOptionsByRef(IUnknown* object, LONG hWnd, LONG iCommand,
                                                   LONG* pCmdOptionsCookie, LONG* pResult) {
    if (pCmdOptionsCookie == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kGetCommandOptions, [&](ProviderCall& call) {
        // A fresh cookie on every call: the provider never sees the client's previous one. It is
        // pointer-sized: a 64-bit provider may hand out the address of its options.
        LONG_PTR cookie = 0;
        *pResult = call.entry<provider::SccGetCommandOptionsFn>()(context_, ToWindow(hWnd),
                                                                  iCommand, &cookie);
        *pCmdOptionsCookie = cookies_.ForClient(cookie);
        return S_OK;
    });
}
