// The arrays the bridge hands the client: what the provider reported, as new zero-based,
// one-dimensional safe arrays of variants that the client owns. Arrays of variants are the one
// shape every automation client reads: VBScript indexes no other kind.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include "scoped_variant.h"

// Each makes a new VT_ARRAY | VT_VARIANT of `count` values, value i from at(i), into *made, one
// element each: VT_BSTR of the narrow texts (the thread's ANSI code page; null as empty), VT_I4,
// VT_BOOL. E_OUTOFMEMORY, with *made left empty, when it cannot be made.
HRESULT MakeTexts(size_t count, const std::function<const char*(size_t)>& at, ScopedVariant* made);
HRESULT MakeLongs(size_t count, const std::function<LONG(size_t)>& at, ScopedVariant* made);
HRESULT MakeFlags(size_t count, const std::function<bool(size_t)>& at, ScopedVariant* made);

// The same over a whole list.
HRESULT MakeTexts(const std::vector<std::string>& texts, ScopedVariant* made);
HRESULT MakeLongs(const std::vector<LONG>& values, ScopedVariant* made);
HRESULT MakeFlags(const std::vector<bool>& flags, ScopedVariant* made);

// Replaces the client's *target with `made`, which the client then owns: what *target held is
// given up here, and only here, whatever its type.
void HandOver(ScopedVariant* made, VARIANT* target);
