#include "provider_session.h"

#include <cwchar>
#include <string>

#include "reported_items.h"
#include "returned_arrays.h"
#include "win32_error.h"

namespace {

// The position of the last path separator in `path` (either slash counts), or null.
const wchar_t* LastSeparator(const wchar_t* path) {
    const wchar_t* backslash = std::wcsrchr(path, L'\\');
    const wchar_t* slash = std::wcsrchr(path, L'/');
    return backslash > slash ? backslash : slash;
}

// Whether `path` starts from a root: a drive (C:\ or C:/), a share (\\server\share) or the
// current drive's root (\dir\x.dll). Any other path would be looked for along the library
// search order.
bool IsRooted(const wchar_t* path) {
    if (path[0] == L'\\' || path[0] == L'/') {
        return true;
    }
    const bool drive = (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return drive && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

} // namespace

HRESULT ProviderSession::Bind(IUnknown* object, BSTR name) {
    const wchar_t* path = name;
    if (path == nullptr) {
        return E_INVALIDARG;
    }
    // Loading the library runs the provider's own start-up code (DllMain): a fault there that
    // the loader does not handle itself fails Init as a fault in any guarded call does.
    return Forward(object, entry::kLoad, [&](ProviderCall&) -> HRESULT {
        // A bare name or a relative path would be found through the library search order, where
        // a planted DLL can stand in for the provider: the client must name the library by its
        // full path.
        const wchar_t* separator = LastSeparator(path);
        if (separator == nullptr || !IsRooted(path)) {
            return E_INVALIDARG;
        }
        const std::wstring directory(path, separator);
        if (!::SetDllDirectoryW(directory.c_str())) {
            return FailureFromLastError();
        }
        // A library bound before stays loaded until the process ends: it is let go, not freed.
        // The load result is stored whatever it is: a failed load leaves no library bound.
        library_.release();
        HMODULE loaded = ::LoadLibraryW(path);
        const HRESULT loading = loaded != nullptr ? S_OK : FailureFromLastError();
        library_.reset(loaded);
        return loading;
    });
}

HRESULT ProviderSession::CallContextEntry(IUnknown* object, const ProviderEntry& entry,
                                          LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    return Forward(object, entry, [&](ProviderCall& call) {
        *pResult = call.entry<provider::SccContextFn>()(context_);
        return S_OK;
    });
}

HRESULT ProviderSession::TakeMessages(IUnknown* object, VARIANT* pMessages, VARIANT* pTypes,
                                      LONG* pCount) {
    if (pMessages == nullptr || pTypes == nullptr || pCount == nullptr) {
        return E_INVALIDARG;
    }
    // Admitted like every call: a take that arrives while the provider pumps messages in the
    // middle of a call would read what that call is still writing.
    return Forward(object, entry::kNone, [&](ProviderCall&) {
        ScopedVariant texts, types;
        LONG count = 0;
        const HRESULT hr = messages_.Make(&texts, &types, &count);
        if (FAILED(hr)) return hr;
        messages_.Clear();
        HandOver(&texts, pMessages);
        HandOver(&types, pTypes);
        *pCount = count;
        return S_OK;
    });
}

HRESULT ProviderSession::Kept(const ReportedItems& items) {
    if (!items.cut()) {
        return S_OK;
    }
    messages_.AddNote(kListCutNote);
    return S_FALSE;
}
