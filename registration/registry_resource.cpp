// Applying the server's registry script resources with the module's replacement variables.
#include "server_registration.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <new>

#include "reg_object.h"
#include "reg_script_parser.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

// The full path of `image`. A path that fills the buffer may have been cut: refused.
HRESULT ImagePath(HINSTANCE image, wchar_t (&path)[MAX_PATH]) {
    DWORD length = ::GetModuleFileNameW(image, path, MAX_PATH);
    if (length == 0) {
        return FailureFromLastError();
    }
    if (length == MAX_PATH) {
        return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
    }
    return S_OK;
}

// The script's text: the resource's bytes in the thread's ANSI code page, NUL-terminated.
HRESULT LoadScriptText(const wchar_t* imagePath, UINT id, std::unique_ptr<wchar_t[]>* text) {
    ScopedLibrary image(::LoadLibraryExW(imagePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!image) {
        return FailureFromLastError();
    }
    HRSRC found = ::FindResourceW(image.get(), MAKEINTRESOURCEW(id), L"REGISTRY");
    if (found == nullptr) {
        return FailureFromLastError();
    }
    HGLOBAL loaded = ::LoadResource(image.get(), found);
    if (loaded == nullptr) {
        return FailureFromLastError();
    }
    DWORD size = ::SizeofResource(image.get(), found);
    const auto* bytes = static_cast<const char*>(::LockResource(loaded));
    if (size == 0 || bytes == nullptr) {
        return FailureFromLastError();
    }
    if (size >= static_cast<DWORD>(INT32_MAX)) {
        return E_OUTOFMEMORY;
    }
    text->reset(new (std::nothrow) wchar_t[size + 1]);
    if (*text == nullptr) {
        return E_OUTOFMEMORY;
    }
    int converted = ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(size),
                                          text->get(), static_cast<int>(size));
    if (converted == 0) {
        return FailureFromLastError();
    }
    (*text)[converted] = L'\0';
    return S_OK;
}

} // namespace

HRESULT CServerRegistration::ApplyRegistryResource(UINT id, bool doRegister,
                                                   const RegistryVariable* extra) {
    CRegObject registrar;
    for (const RegistryVariable* pair = extra; pair != nullptr && pair->name != nullptr; ++pair) {
        if (pair->value != nullptr) {
            registrar.AddVariable(pair->name, pair->value);
        }
    }
    HRESULT hr = AddCommonVariables(&registrar);
    if (FAILED(hr)) {
        return hr;
    }

    wchar_t path[MAX_PATH];
    hr = ImagePath(ResourceInstance(), path);
    if (FAILED(hr)) {
        return hr;
    }
    // The path stands inside a quoted script token, where a single quote must be doubled.
    wchar_t raw[2 * MAX_PATH + 1];
    wchar_t* out = raw;
    for (const wchar_t* in = path; *in != L'\0'; ++in) {
        *out++ = *in;
        if (*in == L'\'') {
            *out++ = L'\'';
        }
    }
    *out = L'\0';
    wchar_t quoted[2 * MAX_PATH + 3];
    quoted[0] = L'"';
    ::lstrcpyW(quoted + 1, raw);
    ::lstrcatW(quoted, L"\"");
    hr = registrar.AddVariable(L"Module", quoted);
    if (FAILED(hr)) {
        return hr;
    }
    hr = registrar.AddVariable(L"Module_Raw", raw);
    if (FAILED(hr)) {
        return hr;
    }

    std::unique_ptr<wchar_t[]> text;
    hr = LoadScriptText(path, id, &text);
    if (FAILED(hr)) {
        return hr;
    }
    CRegScriptParser parser(registrar);
    return parser.ApplyScript(text.get(), doRegister);
}
