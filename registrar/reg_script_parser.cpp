// The entry to registry scripts.
#include "reg_script_parser.h"

#include <string>

#include "hresult_error.h"
#include "reg_script_register.h"
#include "reg_script_syntax.h"
#include "reg_script_tokenizer.h"
#include "reg_script_unregister.h"

namespace {

// Reads "<root key> {" and hands each root block of the expanded, non-empty `text` to
// `applyRootBlock(tokens, root)`, until the text ends or a block fails.
template <typename ApplyRootBlock>
HRESULT ForEachRootBlock(LPCWSTR text, ApplyRootBlock applyRootBlock) {
    RegScriptTokenizer tokens(text);
    std::wstring token;
    do {
        HRESULT hr = tokens.Next(&token);
        if (FAILED(hr)) return hr;
        const HKEY root = FindRootKey(token);
        if (root == nullptr) {
            return DISP_E_EXCEPTION;
        }
        hr = tokens.Next(&token);
        if (FAILED(hr)) return hr;
        // Any token that begins with a brace opens a root block.
        if (token.empty() || token[0] != L'{') {
            return DISP_E_EXCEPTION;
        }
        hr = applyRootBlock(tokens, root);
        if (FAILED(hr)) return hr;
    } while (!tokens.AtEnd());
    return S_OK;
}

// Undoes what a failed registration of the root block that starts at `blockStart` (just
// past its opening brace) wrote, by unregistering the same block. What that leaves is the best
// it can do; its own result cannot improve on the registration's error, so it is not kept.
void UndoRootBlock(RegScriptTokenizer& tokens, LPCWSTR blockStart, HKEY root) {
    tokens.Rewind(blockStart);
    UnregisterBlock(tokens, root, 1);
}

HRESULT RegisterRootBlock(RegScriptTokenizer& tokens, HKEY root) {
    LPCWSTR const blockStart = tokens.Position();
    const HRESULT hr = RegisterBlock(tokens, root, 1);
    if (FAILED(hr)) {
        UndoRootBlock(tokens, blockStart, root);
    }
    return hr;
}

HRESULT UnregisterRootBlock(RegScriptTokenizer& tokens, HKEY root) {
    return UnregisterBlock(tokens, root, 1);
}

// Expands `text` with `parser`'s variables and applies every root block of the result.
template <typename ApplyRootBlock>
HRESULT ApplyExpanded(const RegScriptParser& parser, LPCWSTR text, ApplyRootBlock applyRootBlock) {
    LPOLESTR expandedText = nullptr;
    const HRESULT hr = parser.ExpandVariables(text, &expandedText);
    if (FAILED(hr)) return hr;
    const ScopedTaskText expanded(expandedText);
    if (expanded.get()[0] == L'\0') {
        return S_OK;
    }
    // Tokens and key names are held in strings, whose allocations may throw.
    try {
        return ForEachRootBlock(expanded.get(), applyRootBlock);
    } catch (...) {
        return HResultFromCaughtException();
    }
}

} // namespace

RegScriptParser::RegScriptParser(const ReplacementVariables& variables, RegistryScope scope)
    : variables_(variables), scope_(scope) {}

HRESULT RegScriptParser::ExpandVariables(LPCWSTR text, LPOLESTR* result) const {
    return ExpandScriptVariables(variables_, text, scope_, result);
}

HRESULT RegScriptParser::RegisterScript(LPCWSTR text) const {
    return ApplyExpanded(*this, text, RegisterRootBlock);
}

HRESULT RegScriptParser::UnregisterScript(LPCWSTR text) const {
    return ApplyExpanded(*this, text, UnregisterRootBlock);
}
