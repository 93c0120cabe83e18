// The real provider that this copy of the proxy stands for, found in the registry by the
// proxy's own file path (see scc_proxy_registry.h).
#pragma once

#include <windows.h>

#include <string>

struct ProxiedProvider {
    std::wstring name; // the real provider's name in its own view's list
    std::wstring path; // its DLL
    int bits = 0;      // the width of the server that loads it: 32 or 64
};

// Finds the entry whose SCCServerPath is the file of `self` (compared as full paths, case
// ignored) in the registry view of this build's width, and reads its provider's width from the
// provider DLL's PE header. False, with a one-line reason in *error, when there is no such entry,
// it names no provider, or the provider is no image either server loads.
bool FindProxiedProvider(HMODULE self, ProxiedProvider* provider, std::wstring* error);
