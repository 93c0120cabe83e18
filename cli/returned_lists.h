// Reading the lists the server hands back: arrays of variants, zero-based and one-dimensional,
// each element a string, a number or a yes/no.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// Each reads every element of `list`, which must be VT_ARRAY | VT_VARIANT with elements of its
// type; E_UNEXPECTED, with *values empty, for any other shape: not what the interface promises.
HRESULT ReadTexts(const VARIANT& list, std::vector<std::wstring>* values);
HRESULT ReadLongs(const VARIANT& list, std::vector<LONG>* values);
HRESULT ReadFlags(const VARIANT& list, std::vector<bool>* values);
