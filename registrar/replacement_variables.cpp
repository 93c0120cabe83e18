// The replacement variables of a registry script.
#include "replacement_variables.h"

#include "hresult_error.h"

HRESULT ReplacementVariables::Add(LPCWSTR name, LPCWSTR value) {
    if (name == nullptr || value == nullptr) {
        return E_INVALIDARG;
    }
    try {
        variables_.emplace_back(name, value);
    } catch (...) {
        // emplace_back gives the strong guarantee: the list is as it was.
        return HResultFromCaughtException();
    }
    return S_OK;
}

HRESULT ReplacementVariables::Clear() {
    variables_.clear();
    return S_OK;
}

LPCWSTR ReplacementVariables::Find(LPCWSTR name) const {
    for (const auto& variable : variables_) {
        if (::lstrcmpiW(variable.first.c_str(), name) == 0) {
            return variable.second.c_str();
        }
    }
    return nullptr;
}
