// ServerRegistration: the server's registration of its AppID, its class with the ProgIDs and
// its type library, per machine or (in per-user mode) under HKCU\Software\Classes.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "registration_host.h"

// Where registration writes: in the machine's classes, or in the current user's alone
// (HKCU\Software\Classes), which needs no administrator.
enum class RegistrationMode { PerMachine, PerUser };

// The operations the server's command line and the end of a served run call; the server's
// module derives from it and supplies the host's part. Each returns the HRESULT of the last
// step performed; earlier steps are not undone.
class ServerRegistration : public IRegistrationHost {
public:
    // The mode every later operation registers or unregisters in; PerMachine until set.
    void SetRegistrationMode(RegistrationMode mode) { mode_ = mode; }
    RegistrationMode registrationMode() const { return mode_; }

    HRESULT RegisterAll();
    HRESULT UnregisterAll();
    // Removes the per-user registration, whatever the mode; the mode stays as it was.
    HRESULT RemovePerUserRegistration();
    HRESULT RegisterAppIdEntries();
    HRESULT UnregisterAppIdEntries();
    HRESULT RegisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass);
    HRESULT UnregisterClassEntries(bool withTypeLibrary, const CLSID* onlyClass);
    // Applies (or removes) the "REGISTRY" script resource `id` of the host's resource image, for
    // that image as the server; see ApplyRegistryScript.
    HRESULT ApplyRegistryResource(UINT id, bool doRegister, const RegistryVariable* extra);
    // Applies (or removes) the registry script `text` in the current mode, for the server at
    // `modulePath`: with the `extra` pairs (ending with a null name; may be null; a pair with a
    // null value is left out), then the host's common variables, then Module (the path quoted
    // for the script) and Module_Raw (the path as it stands inside a quoted token). A name given
    // twice takes its first value. E_POINTER for a null text or path, the errors of the
    // registry script interpreter, E_OUTOFMEMORY.
    HRESULT ApplyRegistryScript(LPCWSTR text, LPCWSTR modulePath, bool doRegister,
                                const RegistryVariable* extra);
    // The type library held by the image as TYPELIB resource `index` (or, for the first, by a
    // .tlb file beside it) and its path. The caller owns both on success.
    HRESULT LoadModuleTypeLib(UINT index, ITypeLib** library, BSTR* path);
    // Register every type library of the image, first to last; unregister them last to first
    // (the second imports the first). Registering makes every entry the image owns name it;
    // unregistering removes only the entries that name it.
    HRESULT RegisterModuleTypeLib();
    HRESULT UnregisterModuleTypeLib();
    // Whether the first type library is registered for the current user (HKCU's classes hold
    // it).
    bool PerUserTypeLibRegistered();

private:
    HRESULT RegisterTypeLibAt(UINT index);
    // Removes the entries of library `index` that name this image (in a 64-bit image, its 32-bit
    // copy's too), leaving another server's entries as they are.
    HRESULT UnregisterTypeLibAt(UINT index);
    // The platform's own unregistration of `library` for `platform`, in the current mode.
    HRESULT PlatformUnregister(const TLIBATTR& library, SYSKIND platform);
    // Whether a class of the server is registered to start a file other than `image` (a copy
    // in another folder that registered since).
    bool RegisteredElsewhere(const CLSID& clsid, const wchar_t* image);
    bool AnyClassRegisteredElsewhere(const wchar_t* image);
    // Removes the AppID entries unless another folder's copy of the server holds the classes.
    HRESULT UnregisterAppIdUnlessTakenOver();

    RegistrationMode mode_ = RegistrationMode::PerMachine;

protected:
    ~ServerRegistration() = default;
};
