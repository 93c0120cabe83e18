// The registration sequences of the server: AppID, class with its ProgIDs, type library.
#include "server_registration.h"

#include <windows.h>

#include <optional>
#include <string>

#include "registered_files.h"
#include "server_identity.h"

HRESULT ServerRegistration::RegisterAppIdEntries() {
    const RegistryVariable appId[] = {{L"APPID", kAppIdText}, {nullptr, nullptr}};
    return ApplyRegistryResource(kAppIdScript, true, appId);
}

HRESULT ServerRegistration::UnregisterAppIdEntries() {
    const RegistryVariable appId[] = {{L"APPID", kAppIdText}, {nullptr, nullptr}};
    return ApplyRegistryResource(kAppIdScript, false, appId);
}

// No class of this server belongs to a component category, so the walks below have none to
// register or remove.
HRESULT ServerRegistration::RegisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass) {
    HRESULT hr = S_OK;
    for (size_t i = 0; i < ClassCount(); ++i) {
        const RegisteredClass entry = ClassAt(i);
        if (entry.clsid == nullptr || (onlyClass != nullptr && *entry.clsid != *onlyClass)) {
            continue;
        }
        hr = entry.updateRegistry(true);
        if (FAILED(hr)) return hr;
    }
    return withTypeLibrary ? RegisterModuleTypeLib() : hr;
}

HRESULT ServerRegistration::UnregisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass) {
    wchar_t image[MAX_PATH];
    HRESULT hr = ImagePath(ResourceInstance(), image);
    if (FAILED(hr)) return hr;
    for (size_t i = 0; i < ClassCount(); ++i) {
        const RegisteredClass entry = ClassAt(i);
        if (entry.clsid == nullptr || (onlyClass != nullptr && *entry.clsid != *onlyClass)) {
            continue;
        }
        // A copy in another folder that registered since owns the class now: it keeps working.
        if (RegisteredElsewhere(*entry.clsid, image)) {
            continue;
        }
        hr = entry.updateRegistry(false);
        if (FAILED(hr)) return hr;
    }
    return withTypeLibrary ? UnregisterModuleTypeLib() : hr;
}

HRESULT ServerRegistration::RegisterAll() {
    HRESULT hr = RegisterAppIdEntries();
    if (FAILED(hr)) return hr;
    return RegisterClassEntries(true, nullptr);
}

HRESULT ServerRegistration::UnregisterAll() {
    // A failed class or type-library step keeps the AppID entries.
    HRESULT hr = UnregisterClassEntries(true, nullptr);
    if (FAILED(hr)) return hr;
    return UnregisterAppIdUnlessTakenOver();
}

bool ServerRegistration::RegisteredElsewhere(const CLSID& clsid, const wchar_t* image) {
    const std::optional<std::wstring> server = ClassServer(clsid, mode_);
    return server && !NamesFile(*server, image);
}

bool ServerRegistration::AnyClassRegisteredElsewhere(const wchar_t* image) {
    for (size_t i = 0; i < ClassCount(); ++i) {
        const RegisteredClass entry = ClassAt(i);
        if (entry.clsid != nullptr && RegisteredElsewhere(*entry.clsid, image)) {
            return true;
        }
    }
    return false;
}

HRESULT ServerRegistration::UnregisterAppIdUnlessTakenOver() {
    // The AppID entries are keyed by the executable's name alone, so every copy shares them.
    wchar_t image[MAX_PATH];
    HRESULT hr = ImagePath(ResourceInstance(), image);
    if (FAILED(hr)) return hr;
    return AnyClassRegisteredElsewhere(image) ? S_OK : UnregisterAppIdEntries();
}

HRESULT ServerRegistration::RemovePerUserRegistration() {
    const RegistrationMode mode = mode_;
    mode_ = RegistrationMode::PerUser;
    // Removing a per-user type library that is not there changes nothing on Windows, but Wine's
    // per-user removal takes the machine's registration with it, and the next activation could
    // not marshal the interface: the removal is asked only for a registration that exists.
    UnregisterClassEntries(PerUserTypeLibRegistered(), nullptr);
    const HRESULT hr = UnregisterAppIdUnlessTakenOver();
    mode_ = mode;
    return hr;
}
