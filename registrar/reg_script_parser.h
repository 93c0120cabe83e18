// The entry to registry scripts: it expands a script's variables, then registers or unregisters
// its root blocks one after the other, directly on the registry, untransacted.
#pragma once

#include <windows.h>

#include "replacement_variables.h"
#include "variable_expansion.h"

// Applies scripts with one list of replacement variables, which must outlive the parser, in one
// registry scope. Each call stands alone.
class RegScriptParser {
public:
    RegScriptParser(const ReplacementVariables& variables, RegistryScope scope);
    RegScriptParser(const RegScriptParser&) = delete;
    RegScriptParser& operator=(const RegScriptParser&) = delete;

    // Registers the whole script `text`. An empty text succeeds and does nothing. Stops at the
    // first error and returns it; a root block whose registration failed is unregistered again,
    // earlier root blocks stay. Errors: those of ExpandVariables (and then the registry is
    // untouched), DISP_E_EXCEPTION for any syntax error, E_FAIL for odd binary text,
    // E_OUTOFMEMORY, HRESULT_FROM_WIN32 of a refused registry call.
    HRESULT RegisterScript(LPCWSTR text) const;
    // Unregisters the whole script `text`, with the errors of RegisterScript; stops at the first
    // one, and what was removed before it stays removed.
    HRESULT UnregisterScript(LPCWSTR text) const;
    // RegisterScript or UnregisterScript, for callers that hold the choice as a flag.
    HRESULT ApplyScript(LPCWSTR text, bool doRegister) const {
        return doRegister ? RegisterScript(text) : UnregisterScript(text);
    }

    // Expands `text` with this parser's variables, in this parser's scope; see
    // ExpandScriptVariables. The caller frees *result with CoTaskMemFree.
    HRESULT ExpandVariables(LPCWSTR text, LPOLESTR* result) const;

private:
    const ReplacementVariables& variables_;
    const RegistryScope scope_;
};
