// What every exported entry shares: the shape of a forwarded call, and the host's values as the
// interface takes them (window handles and command-options cookies as 32-bit numbers).
#pragma once

#include <windows.h>

#include <exception>

#include "host_text.h"
#include "proxy_context.h"
#include "provider_values.h"

#define PROXY_ENTRY extern "C" LONG __cdecl

// The module the host loaded, whose file names its registry entry.
extern HMODULE g_proxyModule;

// A window handle as the interface's 32-bit value: Windows keeps window handles within 32 bits.
inline LONG WindowValue(HWND hWnd) {
    return static_cast<LONG>(reinterpret_cast<LONG_PTR>(hWnd));
}

// A command-options cookie as the interface's 32-bit value (SccGetCommandOptions handed it out
// as such).
inline LONG CookieValue(const void* pvOptions) {
    return static_cast<LONG>(reinterpret_cast<LONG_PTR>(pvOptions));
}

// Forwards one entry: admits the call on `pvContext`, runs `body` (HRESULT(ProxyCall&, LONG*
// result)), which makes the interface call and writes the host's outputs, then replays the
// provider's messages or reports the bridge's failure. Nothing is thrown out of an entry.
template <typename Body> LONG Forward(void* pvContext, const char* entry, Body body) {
    try {
        ProxyCall call(pvContext, entry);
        if (!call.ready()) {
            return call.refusal();
        }
        LONG result = 0;
        const HRESULT hr = body(call, &result);
        return call.Finish(hr, result);
    } catch (const std::exception&) {
        return SCC_E_NONSPECIFICERROR;
    }
}

// Calls `call` with the host's `count` names as the interface's list.
template <typename Call> HRESULT WithNames(LONG count, const char* const* names, Call call) {
    ScopedSafeArray array;
    HRESULT hr = NameArray(count, names, &array);
    if (FAILED(hr)) return hr;
    return call(ArrayView(VT_BSTR, array.get()));
}

// A plain [in] text of the host's as a BSTR; a null one stays null only when `keepNull`.
inline HRESULT InText(const char* text, bool keepNull, ScopedBstr* out) {
    return BstrFromHost(text, SIZE_MAX, keepNull, out);
}

// Writes `value` into the host's `target` (null: not wanted), converted to T.
template <typename T, typename V> void CopyValue(V value, T* target) {
    if (target != nullptr) {
        *target = static_cast<T>(value);
    }
}

// The interface's VARIANT_BOOL as the provider interface's BOOL.
inline BOOL HostBool(VARIANT_BOOL value) {
    return value != VARIANT_FALSE ? TRUE : FALSE;
}

// Writes the first `count` of `values` into the host's array (null: not wanted), converted to T.
template <typename T> void CopyValues(const std::vector<LONG>& values, LONG count, T* target) {
    for (LONG i = 0; target != nullptr && i < count && static_cast<size_t>(i) < values.size();
         ++i) {
        target[i] = static_cast<T>(values[i]);
    }
}
