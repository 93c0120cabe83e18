// The registration sequences of a server: AppID, classes with their ProgIDs, type libraries.
#include "server_registration.h"

#include <optional>
#include <string>

#include "hresult_error.h"
#include "registered_files.h"
#include "server_scripts.h"
#include "type_library_registration.h"

namespace {

// Whether `servedClass` is registered to start a file other than `image`: a copy in another
// folder that registered since.
bool RegisteredElsewhere(const ServedClass& servedClass, LPCWSTR image, RegistrationScope scope) {
    const std::optional<std::wstring> server = ClassServer(*servedClass.clsid, scope);
    return server && !NamesFile(*server, image);
}

bool AnyClassRegisteredElsewhere(const ServerDescription& server, LPCWSTR image,
                                 RegistrationScope scope) {
    for (size_t i = 0; i < server.classCount; ++i) {
        if (RegisteredElsewhere(server.classes[i], image, scope)) {
            return true;
        }
    }
    return false;
}

// No class of a server belongs to a component category, so the walks below have none to
// register or remove.
HRESULT RegisterClasses(const ServerDescription& server, LPCWSTR image, RegistrationScope scope) {
    for (size_t i = 0; i < server.classCount; ++i) {
        HRESULT hr = ApplyServerScriptResource(image, server.classScript, server,
                                               &server.classes[i], true, scope);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterClasses(const ServerDescription& server, LPCWSTR image, RegistrationScope scope) {
    for (size_t i = 0; i < server.classCount; ++i) {
        // A copy in another folder that registered since owns the class now: it keeps working.
        if (RegisteredElsewhere(server.classes[i], image, scope)) {
            continue;
        }
        HRESULT hr = ApplyServerScriptResource(image, server.classScript, server,
                                               &server.classes[i], false, scope);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// The AppID entries are keyed by the executable's name alone, so every copy shares them.
HRESULT UnregisterAppIdUnlessTakenOver(const ServerDescription& server, LPCWSTR image,
                                       RegistrationScope scope) {
    if (AnyClassRegisteredElsewhere(server, image, scope)) {
        return S_OK;
    }
    return ApplyServerScriptResource(image, server.appIdScript, server, nullptr, false, scope);
}

HRESULT Register(const ServerDescription& server, LPCWSTR image, RegistrationScope scope) {
    HRESULT hr = ApplyServerScriptResource(image, server.appIdScript, server, nullptr, true, scope);
    if (FAILED(hr)) return hr;
    hr = RegisterClasses(server, image, scope);
    if (FAILED(hr)) return hr;
    return RegisterTypeLibraries(server, image, scope);
}

HRESULT Unregister(const ServerDescription& server, LPCWSTR image, RegistrationScope scope) {
    HRESULT hr = UnregisterClasses(server, image, scope);
    if (FAILED(hr)) return hr;
    hr = UnregisterTypeLibraries(server, image, scope);
    if (FAILED(hr)) return hr;
    return UnregisterAppIdUnlessTakenOver(server, image, scope);
}

HRESULT RemovePerUser(const ServerDescription& server, LPCWSTR image) {
    const RegistrationScope scope = RegistrationScope::PerUser;
    // Removing a per-user type library that is not there changes nothing on Windows, but Wine's
    // per-user removal takes the machine's registration with it, and the next activation could
    // not marshal the interface: the removal is asked only for a registration that exists. What
    // the class and library steps leave is the best they can do; the AppID step's result stands.
    const bool withTypeLibraries = PerUserTypeLibraryRegistered(server, image);
    if (SUCCEEDED(UnregisterClasses(server, image, scope)) && withTypeLibraries) {
        UnregisterTypeLibraries(server, image, scope);
    }
    return UnregisterAppIdUnlessTakenOver(server, image, scope);
}

// Runs `operation` for the image's path. Paths and keys are held in strings, whose allocations
// may throw.
template <typename Operation> HRESULT ForImage(HINSTANCE image, Operation operation) {
    wchar_t path[MAX_PATH];
    HRESULT hr = ImagePath(image, path);
    if (FAILED(hr)) return hr;
    try {
        return operation(path);
    } catch (...) {
        return HResultFromCaughtException();
    }
}

} // namespace

HRESULT RegisterServer(const ServerDescription& server, HINSTANCE image, RegistrationScope scope) {
    return ForImage(image, [&](LPCWSTR path) { return Register(server, path, scope); });
}

HRESULT UnregisterServer(const ServerDescription& server, HINSTANCE image,
                         RegistrationScope scope) {
    return ForImage(image, [&](LPCWSTR path) { return Unregister(server, path, scope); });
}

HRESULT RemovePerUserRegistration(const ServerDescription& server, HINSTANCE image) {
    return ForImage(image, [&](LPCWSTR path) { return RemovePerUser(server, path); });
}
