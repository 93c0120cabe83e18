#include "plimo_wrapper.h"

#include <cwchar>
#include <new>
#include <string>

#include "hresult_error.h"
#include "provider_entry_points.h"
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

CPlimoWrapper::~CPlimoWrapper() {
    ReleaseProvider();
}

void CPlimoWrapper::ReleaseProvider() {
    m_hProvider.reset();
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::Init(BSTR bstrName) {
    if (bstrName == nullptr) {
        return E_INVALIDARG;
    }
    // Loading the library runs the provider's own start-up code.
    ProviderCall call(this);
    if (FAILED(call.status())) return call.status();
    try {
        return BindProvider(bstrName);
    } catch (...) {
        return HResultFromCaughtException();
    }
}

HRESULT CPlimoWrapper::BindProvider(const wchar_t* path) {
    // A bare name or a relative path would be found through the library search order, where a
    // planted DLL can stand in for the provider: the client must name the library by its full
    // path.
    const wchar_t* separator = LastSeparator(path);
    if (separator == nullptr || !IsRooted(path)) {
        return E_INVALIDARG;
    }
    const std::wstring directory(path, separator);

    if (!::SetDllDirectoryW(directory.c_str())) {
        return FailureFromLastError();
    }
    // A library bound before stays loaded until the process ends: it is let go, not freed. The
    // load result is stored whatever it is: a failed load leaves no library bound.
    m_hProvider.release();
    // The library's start-up code (DllMain) is the provider's own: a fault there that the loader
    // does not handle itself fails Init as a fault in any guarded call does.
    HMODULE loaded = nullptr;
    HRESULT loading = S_OK;
    if (!CallProviderGuarded([&] {
            loaded = ::LoadLibraryW(path);
            loading = loaded != nullptr ? S_OK : FailureFromLastError();
        })) {
        return E_FAIL;
    }
    m_hProvider.reset(loaded);
    return loading;
}

HRESULT CPlimoWrapper::CallContextEntry(const char* name, LONG* pResult) {
    if (pResult == nullptr) {
        return E_INVALIDARG;
    }
    ProviderCall call = Enter(name);
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccContextFn>();
    call.Run([&] { *pResult = entry(m_pvContext); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccUninitialize(LONG* pResult) {
    return CallContextEntry("SccUninitialize", pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetVersion(LONG* pResult) {
    return CallContextEntry("SccGetVersion", pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccCloseProject(LONG* pResult) {
    return CallContextEntry("SccCloseProject", pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccBeginBatch(LONG* pResult) {
    return CallContextEntry("SccBeginBatch", pResult);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccEndBatch(LONG* pResult) {
    return CallContextEntry("SccEndBatch", pResult);
}
