// CServerRegistration: the server's registration of its AppID, its class with the ProgIDs and
// its type library, per machine or (in per-user registration mode) under HKCU\Software\Classes.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "registration_host.h"

// A replacement variable handed to a registry script; a list of them ends with a null name.
struct RegistryVariable {
    const wchar_t* name;
    const wchar_t* value;
};

// The operations the server's command line and the end of a served run call; the server's
// module derives from it and supplies the host's part. Each returns the HRESULT of the last
// step performed; earlier steps are not undone.
class CServerRegistration : public IRegistrationHost {
public:
    HRESULT RegisterAll();
    HRESULT UnregisterAll();
    // Removes the per-user registration (sets per-user mode for the rest of the process).
    HRESULT RemovePerUserRegistration();
    HRESULT RegisterAppIdEntries();
    HRESULT UnregisterAppIdEntries();
    HRESULT RegisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass);
    HRESULT UnregisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass);
    // Applies (or removes) the "REGISTRY" script resource `id` with the host's variables and
    // the `extra` pairs (ending with a null name; may be null).
    HRESULT ApplyRegistryResource(UINT id, bool doRegister, const RegistryVariable* extra);
    // The type library held by the image as TYPELIB resource `index` (or, for the first, by a
    // .tlb file beside it) and its path. The caller owns both on success.
    HRESULT LoadModuleTypeLib(UINT index, ITypeLib** library, BSTR* path);
    // Register every type library of the image, first to last; unregister them last to first
    // (the second imports the first).
    HRESULT RegisterModuleTypeLib();
    HRESULT UnregisterModuleTypeLib();
    // Whether the first type library is registered for the current user (HKCU's classes hold
    // it).
    bool PerUserTypeLibRegistered();

private:
    HRESULT RegisterTypeLibAt(UINT index);
    HRESULT UnregisterTypeLibAt(UINT index);
    // Removes the 32-bit copy `index` of a 64-bit image's library where it is the win32 entry.
    HRESULT UnregisterCopyAt(UINT index);

protected:
    ~CServerRegistration() = default;
};
