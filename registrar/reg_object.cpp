// The replacement-variable table.
#include "reg_object.h"

#include "hresult_error.h"

HRESULT RegObject::AddVariable(LPCWSTR name, LPCWSTR value) {
    if (name == nullptr || value == nullptr) {
        return E_INVALIDARG;
    }
    try {
        variables_.emplace_back(name, value);
    } catch (...) {
        // emplace_back gives the strong guarantee: the table is as it was.
        return HResultFromCaughtException();
    }
    return S_OK;
}

HRESULT RegObject::ClearVariables() {
    variables_.clear();
    return S_OK;
}

LPCWSTR RegObject::FindVariable(LPCWSTR name) const {
    for (const auto& variable : variables_) {
        if (::lstrcmpiW(variable.first.c_str(), name) == 0) {
            return variable.second.c_str();
        }
    }
    return nullptr;
}
