// The HRESULTs with which both interfaces say that the bridge could not make a call, beside
// E_INVALIDARG, E_OUTOFMEMORY and E_FAIL (docs/errors.md): the server answers with them, and
// its clients tell them apart.
#pragma once

#include <windows.h>

// No provider library is bound, or it lacks the entry point a method needs:
// HRESULT_FROM_WIN32(ERROR_INVALID_OPERATION).
constexpr HRESULT kNoProviderEntry = static_cast<HRESULT>(0x800710DD);
// A call refused because a provider call is already running on the serving thread (the provider
// pumps messages, and another call arrived meanwhile): the server is busy; try again.
constexpr HRESULT kProviderBusy = RPC_E_SERVERCALL_RETRYLATER;
// A call refused because a stack overflow inside an earlier provider call left the server's
// thread without its guard page: HRESULT_FROM_WIN32(ERROR_STACK_OVERFLOW).
constexpr HRESULT kProviderStackLost = static_cast<HRESULT>(0x800703E9);
