// The arrays the bridge hands the client: what the provider reported, as new zero-based,
// one-dimensional safe arrays in VARIANTs that the client owns.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// Each replaces *target (released first, and only once the new array exists) with a new array
// of the values: VT_ARRAY | VT_BSTR of the narrow texts (the thread's ANSI code page), VT_ARRAY |
// VT_I4, VT_ARRAY | VT_BOOL. E_OUTOFMEMORY, with *target untouched, when it cannot be made.
HRESULT ReturnTexts(const std::vector<std::string>& texts, VARIANT* target);
HRESULT ReturnLongs(const std::vector<LONG>& values, VARIANT* target);
HRESULT ReturnFlags(const std::vector<bool>& flags, VARIANT* target);
