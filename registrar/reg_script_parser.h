// The interpreter of registry scripts: it walks a script's nested { } blocks and registers them
// (creates keys, sets values) or unregisters them (deletes what they name) directly, untransacted.
#pragma once

#include <windows.h>

#include <memory>

#include "reg_object.h"

// Applies one script with the variables of one CRegObject, which must outlive the parser. One
// parser serves one script application at a time, on one thread.
class CRegScriptParser {
public:
    // Longest token, quotes removed; its buffer holds one more character for the terminator.
    static constexpr size_t kMaxTokenLength = 4094;
    static constexpr size_t kTokenCapacity = 4096;
    // Deepest nesting of blocks, the root block being level 1; deeper scripts are refused.
    static constexpr int kMaxNesting = 64;

    explicit CRegScriptParser(CRegObject& variables);
    ~CRegScriptParser();
    CRegScriptParser(const CRegScriptParser&) = delete;
    CRegScriptParser& operator=(const CRegScriptParser&) = delete;

    // Registers (doRegister) or unregisters the whole script `text`. An empty text succeeds and
    // does nothing. Stops at the first error and returns it; a root block whose registration
    // failed is unregistered again, earlier root blocks stay. Errors: those of ExpandVariables
    // (and then the registry is untouched), DISP_E_EXCEPTION for any syntax error, E_FAIL for
    // odd binary text, E_OUTOFMEMORY, HRESULT_FROM_WIN32 of a refused registry call.
    HRESULT ApplyScript(LPCWSTR text, bool doRegister);

    // Expands `text` with this parser's variables, in per-user form when per-user registration
    // mode is on; see ExpandScriptVariables. The caller frees *result with CoTaskMemFree.
    HRESULT ExpandVariables(LPCWSTR text, LPOLESTR* result);

private:
    struct Buffers;

    HRESULT ApplyExpandedScript(bool doRegister);
    void SkipBlanks();
    HRESULT NextToken(LPWSTR token);
    HRESULT ApplyBlock(LPWSTR token, HKEY parent, bool doRegister, bool recovering, int level);
    HRESULT ApplyValueEntry(LPWSTR token, HKEY parent, bool doRegister, bool recovering,
                            bool deletable);
    HRESULT RegisterKeyEntry(LPWSTR token, HKEY parent, int level);
    HRESULT UnregisterKeyEntry(LPWSTR token, HKEY parent, bool recovering, bool deletable,
                               int level);
    HRESULT WriteValue(HKEY key, LPCWSTR valueName, LPWSTR token);
    HRESULT SkipAssignment(LPWSTR token);

    CRegObject& m_variables;
    LPCWSTR m_cursor = nullptr;
    std::unique_ptr<Buffers> m_buffers;
};
