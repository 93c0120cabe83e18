// Results the tests expect of the server, spelled out as the interface documents them rather than
// taken from the product's own constants.
#pragma once

#include <windows.h>

// No provider library is bound, or it lacks the entry point (HRESULT_FROM_WIN32 of
// ERROR_INVALID_OPERATION).
constexpr HRESULT kNoEntry = static_cast<HRESULT>(0x800710DD);
// A call that arrived while the provider was still running an earlier one.
constexpr HRESULT kBusy = RPC_E_SERVERCALL_RETRYLATER;
