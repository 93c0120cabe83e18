// Registering one block of a registry script.
#include "reg_script_register.h"

#include <string>

#include "reg_key_deletion.h"
#include "reg_script_syntax.h"
#include "reg_value_text.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

// Reads "<type> <text>" after an assignment and writes the value `valueName` (null: the default
// value) of `key`; leaves the token after the text in *token.
HRESULT WriteValue(RegScriptTokenizer& tokens, HKEY key, LPCWSTR valueName, std::wstring* token) {
    std::wstring text;
    HRESULT hr = tokens.Next(&text);
    if (FAILED(hr)) return hr;
    DWORD regType = REG_NONE;
    if (!FindValueType(text.c_str(), &regType)) {
        return DISP_E_EXCEPTION;
    }
    hr = tokens.Next(&text);
    if (FAILED(hr)) return hr;
    hr = SetValueFromText(key, valueName, regType, text.c_str());
    if (FAILED(hr)) return hr;
    return tokens.Next(token);
}

// "Val <name> = <type> <text>", the keyword already in *token.
HRESULT RegisterValueEntry(RegScriptTokenizer& tokens, HKEY key, std::wstring* token) {
    std::wstring valueName;
    HRESULT hr = tokens.Next(&valueName);
    if (FAILED(hr)) return hr;
    hr = tokens.Next(token);
    if (FAILED(hr)) return hr;
    if (!IsAssignment(*token)) {
        return DISP_E_EXCEPTION;
    }
    hr = WriteValue(tokens, key, valueName.c_str(), token);
    if (FAILED(hr)) return hr;
    // A value has no key to hold a block; read on, the walk would lose its level.
    if (OpensBlock(*token)) {
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

// "<name> [= <type> <text>] [{ ... }]", the name already in *token.
HRESULT RegisterKeyEntry(RegScriptTokenizer& tokens, HKEY parent, int level, std::wstring* token) {
    ScopedRegKey key;
    // A key that cannot be written may still be read, and its block may still be registered.
    if (::RegOpenKeyExW(parent, token->c_str(), 0, KEY_READ | KEY_WRITE, key.put()) !=
            ERROR_SUCCESS &&
        ::RegOpenKeyExW(parent, token->c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        const LONG error =
            ::RegCreateKeyExW(parent, token->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
        if (error != ERROR_SUCCESS) {
            return HResultFromWin32(error);
        }
    }
    HRESULT hr = tokens.Next(token);
    if (FAILED(hr)) return hr;
    if (IsAssignment(*token)) {
        hr = WriteValue(tokens, key.get(), nullptr, token);
        if (FAILED(hr)) return hr;
    }
    if (!OpensBlock(*token)) {
        return S_OK;
    }
    hr = RegisterBlock(tokens, key.get(), level + 1);
    if (FAILED(hr)) return hr;
    return tokens.Next(token);
}

// One entry of a block, its first token in *token; leaves the token after it in *token.
HRESULT RegisterEntry(RegScriptTokenizer& tokens, HKEY key, int level, std::wstring* token) {
    const bool forceRemove = IsKeyword(*token, L"ForceRemove");
    const bool deleteKey = IsKeyword(*token, L"Delete");
    if (forceRemove || deleteKey) {
        HRESULT hr = tokens.Next(token);
        if (FAILED(hr)) return hr;
        if (!IsSingleKeyName(*token)) {
            return DISP_E_EXCEPTION;
        }
        if (!IsProtectedKeyName(token->c_str())) {
            DeleteKeyTree(key, token->c_str()); // a key that is not there is no error
        }
        if (deleteKey) {
            hr = tokens.Next(token);
            if (FAILED(hr)) return hr;
            hr = SkipAssignment(tokens, token);
            if (FAILED(hr)) return hr;
            // A deleted key has nothing to hold a block.
            return OpensBlock(*token) ? DISP_E_EXCEPTION : S_OK;
        }
        // A key forced out is then registered afresh: the name goes on as an ordinary entry.
    }

    // Registering never deletes, so NoRemove changes nothing here.
    if (IsKeyword(*token, L"NoRemove")) {
        HRESULT hr = tokens.Next(token);
        if (FAILED(hr)) return hr;
    }
    if (ClosesBlock(*token)) {
        return S_OK; // a name that begins with a closing brace ends the block
    }
    if (IsKeyword(*token, L"Val")) {
        return RegisterValueEntry(tokens, key, token);
    }
    if (!IsSingleKeyName(*token)) {
        return DISP_E_EXCEPTION;
    }
    return RegisterKeyEntry(tokens, key, level, token);
}

} // namespace

HRESULT RegisterBlock(RegScriptTokenizer& tokens, HKEY key, int level) {
    return ForEachBlockEntry(tokens, level, [&](std::wstring* token) {
        return RegisterEntry(tokens, key, level, token);
    });
}
