// Unregistering one block of a registry script.
#include "reg_script_unregister.h"

#include <string>

#include "reg_key_deletion.h"
#include "reg_script_syntax.h"
#include "scoped_resource.h"
#include "win32_error.h"

namespace {

// "Val <name> = <type> <text>", the keyword already in *token. `key` may be null (absent).
HRESULT UnregisterValueEntry(RegScriptTokenizer& tokens, HKEY key, bool deletable,
                             std::wstring* token) {
    std::wstring valueName;
    HRESULT hr = tokens.Next(&valueName);
    if (FAILED(hr)) return hr;
    hr = tokens.Next(token);
    if (FAILED(hr)) return hr;
    if (!IsAssignment(*token)) {
        return DISP_E_EXCEPTION;
    }
    if (key != nullptr && deletable) {
        // The block's key may be open for reading only.
        ScopedRegKey writable;
        LONG error = ::RegOpenKeyExW(key, nullptr, 0, KEY_WRITE, writable.put());
        if (error != ERROR_SUCCESS) {
            return HResultFromWin32(error);
        }
        error = ::RegDeleteValueW(writable.get(), valueName.c_str());
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
            return HResultFromWin32(error);
        }
    }
    hr = SkipAssignment(tokens, token);
    if (FAILED(hr)) return hr;
    // A value has no key to hold a block; read on, the walk would lose its level.
    if (OpensBlock(*token)) {
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

// "<name> [= <type> <text>] [{ ... }]", the name already in *token. `parent` may be null
// (absent).
HRESULT UnregisterKeyEntry(RegScriptTokenizer& tokens, HKEY parent, bool deletable, int level,
                           std::wstring* token) {
    ScopedRegKey key;
    const LONG opened = parent != nullptr
                            ? ::RegOpenKeyExW(parent, token->c_str(), 0, KEY_READ, key.put())
                            : static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    const std::wstring name(*token);

    HRESULT hr = tokens.Next(token);
    if (FAILED(hr)) return hr;
    hr = SkipAssignment(tokens, token);
    if (FAILED(hr)) return hr;
    if (OpensBlock(*token)) {
        // The block is read even below a key that could not be opened (key.get() is then null,
        // and nothing is touched), so that the walk goes on from the right level.
        hr = UnregisterBlock(tokens, key.get(), level + 1);
        if (FAILED(hr)) return hr;
        hr = tokens.Next(token);
        if (FAILED(hr)) return hr;
    }

    if (opened == ERROR_FILE_NOT_FOUND) {
        return S_OK;
    }
    if (opened != ERROR_SUCCESS) {
        return HResultFromWin32(opened);
    }
    // Values do not keep a key alive; any subkey does, whether the script names it or not.
    const bool hasSubkeys = HasSubkeys(key.get());
    key.reset();
    return deletable && !hasSubkeys ? DeleteSubkey(parent, name.c_str()) : S_OK;
}

// One entry of a block, its first token in *token; leaves the token after it in *token.
HRESULT UnregisterEntry(RegScriptTokenizer& tokens, HKEY key, int level, std::wstring* token) {
    // The key that ForceRemove or Delete names goes like any other entry's.
    if (IsKeyword(*token, L"ForceRemove") || IsKeyword(*token, L"Delete")) {
        HRESULT hr = tokens.Next(token);
        if (FAILED(hr)) return hr;
    }
    bool deletable = true;
    if (IsKeyword(*token, L"NoRemove")) {
        deletable = false;
        HRESULT hr = tokens.Next(token);
        if (FAILED(hr)) return hr;
    }
    if (ClosesBlock(*token)) {
        return S_OK; // a name that begins with a closing brace ends the block
    }
    if (IsKeyword(*token, L"Val")) {
        return UnregisterValueEntry(tokens, key, deletable, token);
    }
    if (!IsSingleKeyName(*token)) {
        return DISP_E_EXCEPTION;
    }
    return UnregisterKeyEntry(tokens, key, deletable, level, token);
}

} // namespace

HRESULT UnregisterBlock(RegScriptTokenizer& tokens, HKEY key, int level) {
    return ForEachBlockEntry(tokens, level, [&](std::wstring* token) {
        return UnregisterEntry(tokens, key, level, token);
    });
}
