// Applying a server's registry scripts with the replacement variables of its description.
#include "server_scripts.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "guid_text.h"
#include "hresult_error.h"
#include "reg_script_parser.h"
#include "replacement_variables.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

// The script's text: the resource's bytes in the thread's ANSI code page, NUL-terminated.
HRESULT LoadScriptText(LPCWSTR imagePath, UINT id, std::unique_ptr<wchar_t[]>* text) {
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

HRESULT AddIdentityVariables(ReplacementVariables& variables, const ServerDescription& server,
                             const ServedClass* servedClass) {
    HRESULT hr = variables.Add(L"APPID", GuidText(*server.appId).get());
    if (FAILED(hr)) return hr;
    hr = variables.Add(L"SERVER", server.name);
    if (FAILED(hr)) return hr;
    if (servedClass == nullptr) {
        return S_OK;
    }
    hr = variables.Add(L"CLSID", GuidText(*servedClass->clsid).get());
    if (FAILED(hr)) return hr;
    hr = variables.Add(L"CLASS", servedClass->name);
    if (FAILED(hr)) return hr;
    return variables.Add(L"LIBID", GuidText(*servedClass->libraryId).get());
}

// Module_Raw is the path as it may stand inside a quoted script token, where a single quote
// must be doubled; Module is that in double quotes, as a command line names the server.
HRESULT AddModuleVariables(ReplacementVariables& variables, LPCWSTR modulePath) {
    try {
        std::wstring raw;
        for (LPCWSTR in = modulePath; *in != L'\0'; ++in) {
            raw += *in;
            if (*in == L'\'') {
                raw += L'\'';
            }
        }
        const std::wstring quoted = L"\"" + raw + L"\"";
        HRESULT hr = variables.Add(L"Module", quoted.c_str());
        if (FAILED(hr)) return hr;
        return variables.Add(L"Module_Raw", raw.c_str());
    } catch (...) {
        return HResultFromCaughtException();
    }
}

} // namespace

HRESULT ApplyServerScript(LPCWSTR text, const ServerDescription& server,
                          const ServedClass* servedClass, LPCWSTR modulePath, bool doRegister,
                          RegistrationScope scope) {
    if (text == nullptr || modulePath == nullptr) {
        return E_POINTER;
    }
    ReplacementVariables variables;
    HRESULT hr = AddIdentityVariables(variables, server, servedClass);
    if (FAILED(hr)) return hr;
    hr = AddModuleVariables(variables, modulePath);
    if (FAILED(hr)) return hr;
    const RegistryScope registryScope =
        scope == RegistrationScope::PerUser ? RegistryScope::PerUser : RegistryScope::PerMachine;
    return RegScriptParser(variables, registryScope).ApplyScript(text, doRegister);
}

HRESULT ApplyServerScriptResource(LPCWSTR imagePath, UINT id, const ServerDescription& server,
                                  const ServedClass* servedClass, bool doRegister,
                                  RegistrationScope scope) {
    std::unique_ptr<wchar_t[]> text;
    HRESULT hr = LoadScriptText(imagePath, id, &text);
    if (FAILED(hr)) return hr;
    return ApplyServerScript(text.get(), server, servedClass, imagePath, doRegister, scope);
}
