// The methods of CPlimoWrapper on one file or folder, and the provider's answers to questions
// (IPlimoWrapper2).
#include "plimo_wrapper.h"

#include <string>
#include <vector>

#include "in_out_string.h"
#include "provider_entry_points.h"
#include "returned_arrays.h"
#include "wide_text.h"

using provider::ToWindow;

namespace {

// The platform's path limit, which bounds the file name SccGetEvents writes, with the terminator.
constexpr size_t kEventFileCapacity = 261;

VARIANT_BOOL ToVariantBool(BOOL value) {
    return value != FALSE ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace

HRESULT CPlimoWrapper::ForwardNamed(const char* name, BSTR lpName, LONG* pResult,
                                    const NamedCall& call) {
    if (lpName == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall provider = Enter(name);
    if (FAILED(provider.status())) return provider.status();
    NarrowText narrow;
    const HRESULT converted = WideToNarrow(lpName, &narrow);
    if (FAILED(converted)) return converted;
    provider.Run([&] { *pResult = call(provider, narrow.get()); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccRename(LONG hWnd, BSTR lpFileName, BSTR lpNewName,
                                                   LONG* pResult) {
    if (lpNewName == nullptr) {
        return E_INVALIDARG;
    }
    NarrowText newName;
    const HRESULT converted = WideToNarrow(lpNewName, &newName);
    if (FAILED(converted)) return converted;
    return ForwardNamed("SccRename", lpFileName, pResult,
                        [&](const ProviderCall& call, LPCSTR name) {
                            return call.entry<provider::SccRenameFn>()(m_pvContext, ToWindow(hWnd),
                                                                       name, newName.get());
                        });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccDiff(LONG hWnd, BSTR lpFileName, LONG fOptions,
                                                 LONG lCmdOptionsCookie, LONG* pResult) {
    return ForwardNamed("SccDiff", lpFileName, pResult, [&](const ProviderCall& call, LPCSTR name) {
        return call.entry<provider::SccDiffFn>()(m_pvContext, ToWindow(hWnd), name, fOptions,
                                                 CommandOptions(lCmdOptionsCookie));
    });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccDirDiff(LONG hWnd, BSTR lpDirName, LONG dwFlags,
                                                    LONG lCmdOptionsCookie, LONG* pResult) {
    return ForwardNamed(
        "SccDirDiff", lpDirName, pResult, [&](const ProviderCall& call, LPCSTR name) {
            return call.entry<provider::SccDiffFn>()(m_pvContext, ToWindow(hWnd), name, dwFlags,
                                                     CommandOptions(lCmdOptionsCookie));
        });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccProperties(LONG hWnd, BSTR lpFileName, LONG* pResult) {
    return ForwardNamed(
        "SccProperties", lpFileName, pResult, [&](const ProviderCall& call, LPCSTR name) {
            return call.entry<provider::SccPropertiesFn>()(m_pvContext, ToWindow(hWnd), name);
        });
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetEvents(BSTR* lpFileName, LONG* lpStatus,
                                                      LONG* pnEventsRemaining, LONG* pResult) {
    if (lpFileName == nullptr || lpStatus == nullptr || pnEventsRemaining == nullptr ||
        pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccGetEvents");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetEventsFn>();
    // A guard byte beyond the capacity keeps an unterminated name within the buffer.
    char name[kEventFileCapacity + 1] = {};
    LONG status = 0, remaining = 0;
    call.Run([&] { *pResult = entry(m_pvContext, name, &status, &remaining); });
    name[kEventFileCapacity] = '\0';
    *lpStatus = status;
    *pnEventsRemaining = remaining;
    *lpFileName = nullptr; // [out]: what it held is not the bridge's to free
    return in_out_string::Return(name, lpFileName);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetExtendedCapabilities(LONG lSccExCap,
                                                                    VARIANT_BOOL* pbSupported,
                                                                    LONG* pResult) {
    if (pbSupported == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccGetExtendedCapabilities");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetExtendedCapabilitiesFn>();
    BOOL supported = FALSE;
    call.Run([&] { *pResult = entry(m_pvContext, lSccExCap, &supported); });
    *pbSupported = ToVariantBool(supported);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccIsMultiCheckoutEnabled(VARIANT_BOOL* pbMultiCheckout,
                                                                   LONG* pResult) {
    if (pbMultiCheckout == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccIsMultiCheckoutEnabled");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccIsMultiCheckoutEnabledFn>();
    BOOL enabled = FALSE;
    call.Run([&] { *pResult = entry(m_pvContext, &enabled); });
    *pbMultiCheckout = ToVariantBool(enabled);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetUserOption(LONG nOption, LONG* lpVal,
                                                          LONG* pResult) {
    if (lpVal == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccGetUserOption");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetUserOptionFn>();
    LONG value = 0;
    call.Run([&] { *pResult = entry(m_pvContext, nOption, &value); });
    *lpVal = value;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccAddFromScc(LONG hWnd, VARIANT* lpFileNames,
                                                       LONG* pResult) {
    if (lpFileNames == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter("SccAddFromScc");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccAddFromSccFn>();
    // The list is the provider's: it is copied, and the provider is then called again with the
    // same count and no list, to free it.
    std::vector<std::string> names;
    bool copied = true;
    call.Run([&] {
        LONG count = 0;
        LPCSTR* list = nullptr;
        *pResult = entry(m_pvContext, ToWindow(hWnd), &count, &list);
        if (list == nullptr) {
            return;
        }
        try {
            for (LONG i = 0; i < count; ++i) {
                names.emplace_back(list[i] != nullptr ? list[i] : "");
            }
        } catch (...) {
            copied = false;
        }
        entry(m_pvContext, ToWindow(hWnd), &count, nullptr);
    });
    if (!copied) {
        return E_OUTOFMEMORY;
    }
    return ReturnTexts(names, lpFileNames);
}
