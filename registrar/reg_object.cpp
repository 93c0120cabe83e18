// The replacement-variable table.
#include "reg_object.h"

#include "atl_exception.h"

HRESULT STDMETHODCALLTYPE CRegObject::QueryInterface(REFIID, void** ppv) {
    if (ppv != nullptr) {
        *ppv = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CRegObject::AddVariable(LPCWSTR name, LPCWSTR value) {
    if (name == nullptr || value == nullptr) {
        return E_INVALIDARG;
    }
    try {
        m_variables.emplace_back(name, value);
    } catch (...) {
        // emplace_back gives the strong guarantee: the table is as it was.
        return HResultFromCaughtException();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CRegObject::ClearVariables() {
    m_variables.clear();
    return S_OK;
}

LPCWSTR CRegObject::FindVariable(LPCWSTR name) const {
    for (const auto& variable : m_variables) {
        if (::lstrcmpiW(variable.first.c_str(), name) == 0) {
            return variable.second.c_str();
        }
    }
    return nullptr;
}
