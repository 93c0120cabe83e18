// The typed values a registry script writes: the type tokens S, M, D and B, and the conversion
// of a value's text into the bytes the registry stores.
#pragma once

#include <windows.h>

// Looks up a type token ("S", "M", "D" or "B", in any case) and gives its registry type
// (REG_SZ, REG_MULTI_SZ, REG_DWORD or REG_BINARY). False, *regType unchanged, for any other.
bool FindValueType(LPCWSTR token, DWORD* regType);

// Converts `text` for `regType` (one that FindValueType gave) and writes it as value `name` of
// `key`; a null name is the default value. Text that does not convert (an odd number of binary
// digits: E_FAIL; a number that VarUI4FromStr refuses: DISP_E_EXCEPTION) writes nothing. A
// refused write returns HRESULT_FROM_WIN32 of its code.
HRESULT SetValueFromText(HKEY key, LPCWSTR name, DWORD regType, LPCWSTR text);
