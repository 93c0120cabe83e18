// The registration sequences of the server: AppID, class with its ProgIDs, type library.
#include <windows.h>

#include "class_table.h"
#include "plimo_com_wrapper_module.h"
#include "registration_mode.h"
#include "server_identity.h"

HRESULT CPlimoCOMWrapperModule::RegisterAppIdEntries() {
    const RegistryVariable appId[] = {{L"APPID", kAppIdText}, {nullptr, nullptr}};
    return ApplyRegistryResource(kAppIdScript, true, appId);
}

HRESULT CPlimoCOMWrapperModule::UnregisterAppIdEntries() {
    const RegistryVariable appId[] = {{L"APPID", kAppIdText}, {nullptr, nullptr}};
    return ApplyRegistryResource(kAppIdScript, false, appId);
}

// No class of this server belongs to a component category, so the walks below have none to
// register or remove.
HRESULT CPlimoCOMWrapperModule::RegisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass) {
    HRESULT hr = S_OK;
    for (ClassTableEntry* entry : classTable()) {
        if (entry == nullptr || (onlyClass != nullptr && *entry->clsid != *onlyClass)) {
            continue;
        }
        hr = entry->updateRegistry(true);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return withTypeLibrary ? RegisterModuleTypeLib() : hr;
}

HRESULT CPlimoCOMWrapperModule::UnregisterClassEntries(bool withTypeLibrary,
                                                       const CLSID* onlyClass) {
    HRESULT hr = S_OK;
    for (ClassTableEntry* entry : classTable()) {
        if (entry == nullptr || (onlyClass != nullptr && *entry->clsid != *onlyClass)) {
            continue;
        }
        hr = entry->updateRegistry(false);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return withTypeLibrary ? UnregisterModuleTypeLib() : hr;
}

HRESULT CPlimoCOMWrapperModule::RegisterAll() {
    HRESULT hr = RegisterAppIdEntries();
    if (FAILED(hr)) {
        return hr;
    }
    return RegisterClassEntries(true, nullptr);
}

HRESULT CPlimoCOMWrapperModule::UnregisterAll() {
    // A failed class or type-library step keeps the AppID entries.
    HRESULT hr = UnregisterClassEntries(true, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    return UnregisterAppIdEntries();
}

HRESULT CPlimoCOMWrapperModule::RemovePerUserRegistration() {
    SetPerUserRegistrationMode();
    // Removing a per-user type library that is not there changes nothing on Windows, but Wine's
    // per-user removal takes the machine's registration with it, and the next activation could
    // not marshal the interface: the removal is asked only for a registration that exists.
    UnregisterClassEntries(PerUserTypeLibRegistered(), nullptr);
    return UnregisterAppIdEntries();
}
