// Applying the server's registry scripts with the module's replacement variables.
#include "server_registration.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "hresult_error.h"
#include "reg_object.h"
#include "reg_script_parser.h"
#include "registered_files.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

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

// Adds the pairs of `list` (ending with a null name; may be null), leaving out those without a
// value.
HRESULT AddVariables(RegObject& variables, const RegistryVariable* list) {
    for (const RegistryVariable* pair = list; pair != nullptr && pair->name != nullptr; ++pair) {
        if (pair->value == nullptr) {
            continue;
        }
        HRESULT hr = variables.AddVariable(pair->name, pair->value);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// Module_Raw is the path as it may stand inside a quoted script token, where a single quote
// must be doubled; Module is that in double quotes, as a command line names the server.
HRESULT AddModuleVariables(RegObject& variables, LPCWSTR modulePath) {
    try {
        std::wstring raw;
        for (LPCWSTR in = modulePath; *in != L'\0'; ++in) {
            raw += *in;
            if (*in == L'\'') {
                raw += L'\'';
            }
        }
        const std::wstring quoted = L"\"" + raw + L"\"";
        HRESULT hr = variables.AddVariable(L"Module", quoted.c_str());
        if (FAILED(hr)) return hr;
        return variables.AddVariable(L"Module_Raw", raw.c_str());
    } catch (...) {
        return HResultFromCaughtException();
    }
}

} // namespace

HRESULT ServerRegistration::ApplyRegistryResource(UINT id, bool doRegister,
                                                  const RegistryVariable* extra) {
    wchar_t path[MAX_PATH];
    HRESULT hr = ImagePath(ResourceInstance(), path);
    if (FAILED(hr)) return hr;
    std::unique_ptr<wchar_t[]> text;
    hr = LoadScriptText(path, id, &text);
    if (FAILED(hr)) return hr;
    return ApplyRegistryScript(text.get(), path, doRegister, extra);
}

HRESULT ServerRegistration::ApplyRegistryScript(LPCWSTR text, LPCWSTR modulePath, bool doRegister,
                                                const RegistryVariable* extra) {
    if (text == nullptr || modulePath == nullptr) {
        return E_POINTER;
    }
    RegObject variables;
    HRESULT hr = AddVariables(variables, extra);
    if (FAILED(hr)) return hr;
    hr = AddVariables(variables, CommonVariables());
    if (FAILED(hr)) return hr;
    hr = AddModuleVariables(variables, modulePath);
    if (FAILED(hr)) return hr;
    const RegistryScope scope = registrationMode() == RegistrationMode::PerUser
                                    ? RegistryScope::PerUser
                                    : RegistryScope::PerMachine;
    return RegScriptParser(variables, scope).ApplyScript(text, doRegister);
}
