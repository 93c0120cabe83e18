// The session and option methods of CPlimoWrapper.
#include "plimo_wrapper.h"

#include "null_option_callback.h"
#include "provider_entry_points.h"
#include "win32_error.h"

namespace {

// Window handles travel as plain 32-bit integers and reach the provider unchanged.
HWND ToWindow(LONG hWnd) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hWnd));
}

} // namespace

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccInitialize(LONG, BSTR, BSTR*, LONG*, BSTR*, LONG*,
                                                       LONG*, LONG*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccSetOption(LONG nOption, LONG dwVal, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    auto entry = FindEntry<provider::SccSetOptionFn>("SccSetOption");
    if (entry == nullptr) {
        return kNoProviderEntry;
    }
    *pResult = entry(m_pvContext, nOption, dwVal);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccSetOptionCallback(LONG nOption, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    auto entry = FindEntry<provider::SccSetOptionFn>("SccSetOption");
    if (entry == nullptr) {
        return kNoProviderEntry;
    }
    *pResult = entry(m_pvContext, nOption, reinterpret_cast<LONG_PTR>(&NullOptionCallback));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetCommandOptions(LONG hWnd, LONG iCommand,
                                                              LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    auto entry = FindEntry<provider::SccGetCommandOptionsFn>("SccGetCommandOptions");
    if (entry == nullptr) {
        return kNoProviderEntry;
    }
    *pResult = entry(m_pvContext, ToWindow(hWnd), iCommand, nullptr);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetCommandOptionsByRef(LONG hWnd, LONG iCommand,
                                                                   LONG* pCmdOptionsCookie,
                                                                   LONG* pResult) {
    if (pCmdOptionsCookie == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    auto entry = FindEntry<provider::SccGetCommandOptionsFn>("SccGetCommandOptions");
    if (entry == nullptr) {
        return kNoProviderEntry;
    }
    // A fresh cookie on every call: the provider never sees the client's previous one.
    LONG cookie = 0;
    *pResult = entry(m_pvContext, ToWindow(hWnd), iCommand, &cookie);
    *pCmdOptionsCookie = cookie;
    return S_OK;
}
