// The arrays the bridge hands the client: what the provider reported, as new zero-based,
// one-dimensional safe arrays of variants that the client owns. Arrays of variants are the one
// shape every automation client reads: VBScript indexes no other kind.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// Each replaces *target (released first, and only once the new array exists) with a new
// VT_ARRAY | VT_VARIANT of the values, one element each: VT_BSTR of the narrow texts (the
// thread's ANSI code page), VT_I4, VT_BOOL. E_OUTOFMEMORY, with *target untouched, when it cannot
// be made.
HRESULT ReturnTexts(const std::vector<std::string>& texts, VARIANT* target);
HRESULT ReturnLongs(const std::vector<LONG>& values, VARIANT* target);
HRESULT ReturnFlags(const std::vector<bool>& flags, VARIANT* target);
