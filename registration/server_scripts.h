// A server's registry scripts, applied with the replacement variables of its description: the
// AppID script once, the class script once for each class.
#pragma once

#include <windows.h>

#include "registration_scope.h"
#include "server_description.h"

// Applies (registers) or removes the registry script `text` in `scope`, for the server `server`
// at `modulePath`, and for the class `servedClass` of it (null for the AppID script). The script
// reads %APPID% and %SERVER% (the server's name); %CLSID%, %CLASS% (its name) and %LIBID% for a
// class; %Module% (the path quoted for a command line) and %Module_Raw% (the path as it stands
// inside a quoted token). E_POINTER for a null text or path; the registry script interpreter's
// errors; E_OUTOFMEMORY.
HRESULT ApplyServerScript(LPCWSTR text, const ServerDescription& server,
                          const ServedClass* servedClass, LPCWSTR modulePath, bool doRegister,
                          RegistrationScope scope);

// ApplyServerScript for the "REGISTRY" resource `id` of the image at `imagePath`, which is
// registered as the server.
HRESULT ApplyServerScriptResource(LPCWSTR imagePath, UINT id, const ServerDescription& server,
                                  const ServedClass* servedClass, bool doRegister,
                                  RegistrationScope scope);
