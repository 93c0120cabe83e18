// The session and option methods of CPlimoWrapper.
#include "plimo_wrapper.h"

#include "in_out_string.h"
#include "null_option_callback.h"
#include "provider_entry_points.h"
#include "wide_text.h"
#include "win32_error.h"

using provider::ToWindow;

namespace {

// The published limit of a provider name and of an auxiliary path label, with the terminator.
constexpr size_t kSccNameCapacity = 32;
constexpr size_t kAuxPathLabelCapacity = 32;

} // namespace

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccInitialize(LONG hWnd, BSTR lpCallerName,
                                                       BSTR* lpSccName, LONG* lpSccCaps,
                                                       BSTR* lpAuxPathLabel,
                                                       LONG* pnCheckoutCommentLen,
                                                       LONG* pnCommentLen, LONG* pResult) {
    if (lpCallerName == nullptr || lpSccName == nullptr || lpSccCaps == nullptr ||
        lpAuxPathLabel == nullptr || pnCheckoutCommentLen == nullptr || pnCommentLen == nullptr ||
        pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kSccNameCapacity> name(*lpSccName);
    InOutString<kAuxPathLabelCapacity> label(*lpAuxPathLabel);
    for (HRESULT loaded : {name.status(), label.status()}) {
        if (FAILED(loaded)) return loaded;
    }

    ProviderCall call = Enter("SccInitialize");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccInitializeFn>();
    NarrowText callerName;
    const HRESULT converted = WideToNarrow(lpCallerName, &callerName);
    if (FAILED(converted)) return converted;

    // The provider stores its context through the field's address; the bridge leaves the field
    // to it, before and after the call.
    call.Run([&] {
        *pResult = entry(&m_pvContext, ToWindow(hWnd), callerName.get(), name.get(), lpSccCaps,
                         label.get(), pnCheckoutCommentLen, pnCommentLen);
    });

    HRESULT hr = name.Return(lpSccName);
    if (FAILED(hr)) return hr;
    return label.Return(lpAuxPathLabel);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccSetOption");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccSetOptionFn>();
    call.Run([&] { *pResult = entry(m_pvContext, nOption, dwVal); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccSetOptionCallback(LONG nOption, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccSetOption");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccSetOptionFn>();
    call.Run([&] {
        *pResult = entry(m_pvContext, nOption, reinterpret_cast<LONG_PTR>(&NullOptionCallback));
    });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetCommandOptions(LONG hWnd, LONG iCommand,
                                                              LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccGetCommandOptions");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetCommandOptionsFn>();
    call.Run([&] { *pResult = entry(m_pvContext, ToWindow(hWnd), iCommand, nullptr); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetCommandOptionsByRef(LONG hWnd, LONG iCommand,
                                                                   LONG* pCmdOptionsCookie,
                                                                   LONG* pResult) {
    if (pCmdOptionsCookie == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccGetCommandOptions");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetCommandOptionsFn>();
    // A fresh cookie on every call: the provider never sees the client's previous one. It is
    // pointer-sized: a 64-bit provider may hand out the address of its options.
    LONG_PTR cookie = 0;
    call.Run([&] { *pResult = entry(m_pvContext, ToWindow(hWnd), iCommand, &cookie); });
    *pCmdOptionsCookie = CookieForClient(cookie);
    return S_OK;
}

// At most this many wide cookies are kept; the oldest makes room for a new one.
constexpr size_t kMaxWideCookies = 64;

LONG CPlimoWrapper::CookieForClient(LONG_PTR cookie) {
    const LONG low = static_cast<LONG>(cookie);
    if (cookie == low) {
        return low; // it travels as it is
    }
    for (LONG_PTR& kept : wideCookies_) {
        if (static_cast<LONG>(kept) == low) {
            kept = cookie; // the newest value of that low half wins
            return low;
        }
    }
    if (wideCookies_.size() == kMaxWideCookies) {
        wideCookies_.erase(wideCookies_.begin());
    }
    wideCookies_.push_back(cookie);
    return low;
}

LONG_PTR CPlimoWrapper::CommandOptions(LONG cookie) const {
    for (LONG_PTR kept : wideCookies_) {
        if (static_cast<LONG>(kept) == cookie) {
            return kept;
        }
    }
    return cookie;
}
