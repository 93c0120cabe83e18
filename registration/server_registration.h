// Registering a server from its description: its AppID, its classes with their ProgIDs and its
// type libraries, per machine or per user. Each operation returns the first failure; the steps
// before it are not undone.
#pragma once

#include <windows.h>

#include "registration_scope.h"
#include "server_description.h"

// Registers the server that `server` describes and `image` is: the image's file is what the
// classes start, and its resources hold the registry scripts and the type libraries. The AppID,
// each class, then the type libraries; every entry is taken over from a copy of the server in
// another folder.
HRESULT RegisterServer(const ServerDescription& server, HINSTANCE image, RegistrationScope scope);

// Removes the classes and type libraries that name the image, then the AppID entries unless a
// copy of the server in another folder holds the classes now (what it took over stays). A failed
// class or type-library step keeps the AppID entries.
HRESULT UnregisterServer(const ServerDescription& server, HINSTANCE image, RegistrationScope scope);

// Removes what the image registered for the current user alone, as the end of a served run does;
// the result is that of the AppID step.
HRESULT RemovePerUserRegistration(const ServerDescription& server, HINSTANCE image);
