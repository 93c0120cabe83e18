// Unregistering one block of a registry script: deleting the values it gives and the keys it
// names once nothing is left below them, except where NoRemove keeps them.
#pragma once

#include <windows.h>

#include "reg_script_tokenizer.h"

// Unregisters the entries of the block whose opening brace `tokens` has just read, below `key`,
// the block standing at nesting `level`; reads up to and including the block's closing brace.
// A null `key` stands for a key that is not there: below it nothing can be, so the block is only
// read. Stops at the first error and returns it, leaving what was deleted so far:
// DISP_E_EXCEPTION for a syntax error or a block nested deeper than kMaxScriptNesting,
// HRESULT_FROM_WIN32 of a refused registry call. Values are not checked against their types.
HRESULT UnregisterBlock(RegScriptTokenizer& tokens, HKEY key, int level);
