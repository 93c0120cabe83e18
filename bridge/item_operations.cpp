// The methods of ProviderSession on one file or folder, and the provider's answers to
// questions.
#include "provider_session.h"

#include "in_out_string.h"
#include "wide_text.h"

using provider::ToWindow;

namespace {

// The platform's path limit, which bounds the file name SccGetEvents writes, with the terminator.
constexpr size_t kEventFileCapacity = MAX_PATH + 1;

VARIANT_BOOL ToVariantBool(BOOL value) {
    return value != FALSE ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace

HRESULT ProviderSession::SccRename(IUnknown* object, LONG hWnd, BSTR lpFileName, BSTR lpNewName,
                                   LONG* pResult) {
    if (lpFileName == nullptr || lpNewName == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kRename, [&](ProviderCall& call) {
        NarrowText name, newName;
        HRESULT hr = WideToNarrow(lpFileName, &name);
        if (FAILED(hr)) return hr;
        hr = WideToNarrow(lpNewName, &newName);
        if (FAILED(hr)) return hr;
        *pResult = call.entry<provider::SccRenameFn>()(context_, ToWindow(hWnd), name.get(),
                                                       newName.get());
        return S_OK;
    });
}

HRESULT ProviderSession::Diff(IUnknown* object, const ProviderEntry& entry, LONG hWnd, BSTR lpName,
                              LONG fOptions, LONG lCmdOptionsCookie, LONG* pResult) {
    if (lpName == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry, [&](ProviderCall& call) {
        NarrowText name;
        const HRESULT hr = WideToNarrow(lpName, &name);
        if (FAILED(hr)) return hr;
        *pResult = call.entry<provider::SccDiffFn>()(context_, ToWindow(hWnd), name.get(), fOptions,
                                                     cookies_.ForProvider(lCmdOptionsCookie));
        return S_OK;
    });
}

HRESULT ProviderSession::SccProperties(IUnknown* object, LONG hWnd, BSTR lpFileName,
                                       LONG* pResult) {
    if (lpFileName == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kProperties, [&](ProviderCall& call) {
        NarrowText name;
        const HRESULT hr = WideToNarrow(lpFileName, &name);
        if (FAILED(hr)) return hr;
        *pResult = call.entry<provider::SccPropertiesFn>()(context_, ToWindow(hWnd), name.get());
        return S_OK;
    });
}

HRESULT ProviderSession::SccGetEvents(IUnknown* object, BSTR* lpFileName, LONG* lpStatus,
                                      LONG* pnEventsRemaining, LONG* pResult) {
    if (lpFileName == nullptr || lpStatus == nullptr || pnEventsRemaining == nullptr ||
        pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kGetEvents, [&](ProviderCall& call) {
        // A guard byte beyond the capacity keeps an unterminated name within the buffer.
        char name[kEventFileCapacity + 1] = {};
        LONG status = 0, remaining = 0;
        *pResult = call.entry<provider::SccGetEventsFn>()(context_, name, &status, &remaining);
        name[kEventFileCapacity] = '\0';
        *lpStatus = status;
        *pnEventsRemaining = remaining;
        *lpFileName = nullptr; // [out]: what it held is not the bridge's to free
        return in_out_string::Return(name, lpFileName);
    });
}

HRESULT ProviderSession::SccGetExtendedCapabilities(IUnknown* object, LONG lSccExCap,
                                                    VARIANT_BOOL* pbSupported, LONG* pResult) {
    if (pbSupported == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kGetExtendedCapabilities, [&](ProviderCall& call) {
        BOOL supported = FALSE;
        *pResult =
            call.entry<provider::SccGetExtendedCapabilitiesFn>()(context_, lSccExCap, &supported);
        *pbSupported = ToVariantBool(supported);
        return S_OK;
    });
}

HRESULT ProviderSession::SccIsMultiCheckoutEnabled(IUnknown* object, VARIANT_BOOL* pbMultiCheckout,
                                                   LONG* pResult) {
    if (pbMultiCheckout == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kIsMultiCheckoutEnabled, [&](ProviderCall& call) {
        BOOL enabled = FALSE;
        *pResult = call.entry<provider::SccIsMultiCheckoutEnabledFn>()(context_, &enabled);
        *pbMultiCheckout = ToVariantBool(enabled);
        return S_OK;
    });
}

HRESULT ProviderSession::SccGetUserOption(IUnknown* object, LONG nOption, LONG* lpVal,
                                          LONG* pResult) {
    if (lpVal == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry::kGetUserOption, [&](ProviderCall& call) {
        LONG value = 0;
        *pResult = call.entry<provider::SccGetUserOptionFn>()(context_, nOption, &value);
        *lpVal = value;
        return S_OK;
    });
}
