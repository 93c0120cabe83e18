// Registering one block of a registry script: creating the keys it names, writing the values it
// gives, and deleting the trees that ForceRemove and Delete name.
#pragma once

#include <windows.h>

#include "reg_script_tokenizer.h"

// Registers the entries of the block whose opening brace `tokens` has just read, below `key`,
// the block standing at nesting `level`; reads up to and including the block's closing brace.
// Stops at the first error and returns it, leaving what was written so far: DISP_E_EXCEPTION for
// a syntax error or a block nested deeper than kMaxScriptNesting, E_FAIL for odd binary text,
// HRESULT_FROM_WIN32 of a refused registry call.
HRESULT RegisterBlock(RegScriptTokenizer& tokens, HKEY key, int level);
