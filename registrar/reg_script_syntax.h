// The words and marks of the registry script language that registering and unregistering read
// alike: root key names, keywords, braces, assignments, key names.
#pragma once

#include <windows.h>

#include <string>

#include "reg_script_tokenizer.h"

// Deepest nesting of blocks, the root block being level 1. Each level costs a recursion, and a
// script nested deeper is no registration script: it is refused.
constexpr int kMaxScriptNesting = 64;

// The predefined key a root block names ("HKCR", "HKEY_CLASSES_ROOT", ... ignoring case), or
// null for any other token.
HKEY FindRootKey(const std::wstring& token);

// Whether `token` is `keyword`, ignoring case.
bool IsKeyword(const std::wstring& token, LPCWSTR keyword);

// Inside a block only the token "{" alone opens a nested block.
inline bool OpensBlock(const std::wstring& token) {
    return token == L"{";
}

// Any token that begins with a closing brace ends the block it stands in.
inline bool ClosesBlock(const std::wstring& token) {
    return !token.empty() && token[0] == L'}';
}

// Any token that begins with "=" assigns a value.
inline bool IsAssignment(const std::wstring& token) {
    return !token.empty() && token[0] == L'=';
}

// A key entry names one key directly below its parent. An empty name would stand for the parent
// itself, and a backslash would reach past the block, so both are refused.
bool IsSingleKeyName(const std::wstring& name);

// Reads the entries of the block whose opening brace `tokens` has just read, up to and including
// its closing brace: `readEntry(&token)` gets each entry's first token and leaves the token after
// the entry there. DISP_E_EXCEPTION for a block nested deeper than kMaxScriptNesting (`level`
// counts the root block as 1); otherwise the first failure of the tokenizer or of an entry.
template <typename ReadEntry>
HRESULT ForEachBlockEntry(RegScriptTokenizer& tokens, int level, ReadEntry readEntry) {
    if (level > kMaxScriptNesting) {
        return DISP_E_EXCEPTION;
    }
    std::wstring token;
    HRESULT hr = tokens.Next(&token);
    if (FAILED(hr)) return hr;
    while (!ClosesBlock(token)) {
        hr = readEntry(&token);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// When *token is an assignment, reads past its type and value text, unchecked, and leaves the
// token after them in *token; any other token stays. Errors of the tokenizer.
HRESULT SkipAssignment(RegScriptTokenizer& tokens, std::wstring* token);
