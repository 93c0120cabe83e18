// The pass that turns a registry script's resource text into the text the interpreter reads:
// %NAME% references are replaced from the replacement variables, and in per-user mode the blocks
// under HKCR are moved under HKCU\Software\Classes.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "replacement_variables.h"
#include "scoped_resource.h"

// Owns text from the COM task allocator, as ExpandScriptVariables hands it out.
using ScopedTaskText = ScopedResource<LPOLESTR, &::CoTaskMemFree>;

// Where a script's root blocks written "HKCR" land: in HKCR itself, or under
// HKCU\Software\Classes, which registers for the current user alone.
enum class RegistryScope { PerMachine, PerUser };

// The longest variable name is one character shorter than this.
constexpr size_t kVariableNameCapacity = 32;

// Expands `text` into a new NUL-terminated text that the caller frees with CoTaskMemFree.
// "%%" stands for one '%', also inside quotes; a name is looked up ignoring case and its value
// is copied verbatim. In the PerUser scope, each root block written "HKCR" (exactly so) becomes
// HKCU { Software { Classes { ... } } }.
// Fails, with *result null and nothing allocated: E_POINTER (null text or result),
// DISP_E_EXCEPTION (no closing '%', unknown name), E_FAIL (a name of 32 characters or more),
// E_OUTOFMEMORY.
HRESULT ExpandScriptVariables(const ReplacementVariables& variables, LPCWSTR text,
                              RegistryScope scope, LPOLESTR* result);
