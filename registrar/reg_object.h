// The replacement-variable table that a registry script is expanded from.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// An ordered list of (name, value) pairs, each an owned copy. Lookups are case-insensitive and
// take the first pair of that name. Lives on the stack of the operation that fills it.
class RegObject {
public:
    RegObject() = default;
    RegObject(const RegObject&) = delete;
    RegObject& operator=(const RegObject&) = delete;

    // Appends a copy of (name, value); an existing pair of that name is kept and wins lookups.
    // E_INVALIDARG when either is null, E_OUTOFMEMORY when the copy fails (table unchanged).
    HRESULT AddVariable(LPCWSTR name, LPCWSTR value);
    // Forgets every pair. Always S_OK.
    HRESULT ClearVariables();

    // The value of the first pair whose name equals `name` ignoring case, or null when none
    // does. The pointer stays valid until the table is cleared or destroyed.
    LPCWSTR FindVariable(LPCWSTR name) const;

private:
    std::vector<std::pair<std::wstring, std::wstring>> variables_;
};
