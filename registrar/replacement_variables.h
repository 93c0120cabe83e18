// The replacement variables a registry script is expanded with: %NAME% in the script stands for
// the value of NAME.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// An ordered list of (name, value) pairs, each an owned copy. Lookups are case-insensitive and
// take the first pair of that name. Lives on the stack of the operation that fills it.
class ReplacementVariables {
public:
    ReplacementVariables() = default;
    ReplacementVariables(const ReplacementVariables&) = delete;
    ReplacementVariables& operator=(const ReplacementVariables&) = delete;

    // Appends a copy of (name, value); an existing pair of that name is kept and wins lookups.
    // E_INVALIDARG when either is null, E_OUTOFMEMORY when the copy fails (list unchanged).
    HRESULT Add(LPCWSTR name, LPCWSTR value);
    // Forgets every pair. Always S_OK.
    HRESULT Clear();

    // The value of the first pair whose name equals `name` ignoring case, or null when none
    // does. The pointer stays valid until the list is cleared or destroyed.
    LPCWSTR Find(LPCWSTR name) const;

private:
    std::vector<std::pair<std::wstring, std::wstring>> variables_;
};
