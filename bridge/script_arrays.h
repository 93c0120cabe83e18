// The lists scripting languages can make: arrays of variants (VT_ARRAY | VT_VARIANT), handed over
// by value or by reference. The whole interface takes them beside its typed arrays.
#pragma once

#include <windows.h>
#include <oleauto.h>

// The arrays a list may come in: the interface's typed array alone (VT_ARRAY | VT_BSTR for
// names, VT_ARRAY | VT_I4 for numbers), or that or a script's array of variants.
enum class ListArrays { kTyped, kTypedOrScript };

// The script's array that `value` carries, seen through one level of reference
// (VT_BYREF | VT_VARIANT, and VT_BYREF | VT_ARRAY | VT_VARIANT); null when it carries none.
SAFEARRAY* ScriptArray(const VARIANT& value);

// The array `value` carries as a list of `type` under `accepted`: the typed array
// (VT_ARRAY | type exactly), or a script's array of variants when accepted, which *script then
// says. Null when it carries neither.
SAFEARRAY* ListArray(const VARIANT& value, VARTYPE type, ListArrays accepted, bool* script);
