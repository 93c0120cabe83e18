// Registering the type libraries a server's image carries, as the server's description lists
// them, per machine or per user.
#pragma once

#include <windows.h>

#include "registration_scope.h"
#include "server_description.h"

// Registers the libraries of the server's own platform that the image at `imagePath` carries,
// first to last, then their copies for the other platform wherever no server of that platform
// holds the entry. Every entry registered names the image. The first failure.
HRESULT RegisterTypeLibraries(const ServerDescription& server, LPCWSTR imagePath,
                              RegistrationScope scope);

// Removes the entries of the server's libraries that name the image, last to first (the second
// imports the first); another server's entries stay as they are. Every library is asked to go,
// so that one registered by an older version alone (the first) goes too; the first failure is
// the result.
HRESULT UnregisterTypeLibraries(const ServerDescription& server, LPCWSTR imagePath,
                                RegistrationScope scope);

// Whether the server's first library is registered for the current user (HKCU's classes hold
// it).
bool PerUserTypeLibraryRegistered(const ServerDescription& server, LPCWSTR imagePath);
