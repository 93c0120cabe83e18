// The replacement-variable table that a registry script is expanded from.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// IRegistrarBase and CRegObject are named and shaped as ATL's registrar, as the interpreter's
// design gives them.
// The variable table's interface, in the slot order that registration code relies on. It is not
// reference counted: AddRef and Release only answer, and QueryInterface hands out nothing.
class IRegistrarBase {
public:
    // Always E_NOTIMPL; *ppv is set to null when ppv is given.
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
    // Always 1: the object lives on its creator's stack, not by references.
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    // Always 0, and the object stays alive.
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
    // Appends a copy of (name, value); an existing pair of that name is kept and wins lookups.
    // E_INVALIDARG when either is null, E_OUTOFMEMORY when the copy fails (table unchanged).
    virtual HRESULT STDMETHODCALLTYPE AddVariable(LPCWSTR name, LPCWSTR value) = 0;
    // Forgets every pair. Always S_OK.
    virtual HRESULT STDMETHODCALLTYPE ClearVariables() = 0;
    virtual ~IRegistrarBase() = default;
};

// An ordered list of (name, value) pairs, each an owned copy. Lookups are case-insensitive and
// take the first pair of that name. Lives on the stack of the operation that fills it.
class CRegObject : public IRegistrarBase {
public:
    CRegObject() = default;
    CRegObject(const CRegObject&) = delete;
    CRegObject& operator=(const CRegObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE AddVariable(LPCWSTR name, LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE ClearVariables() override;

    // The value of the first pair whose name equals `name` ignoring case, or null when none
    // does. The pointer stays valid until the table is cleared or destroyed.
    LPCWSTR FindVariable(LPCWSTR name) const;

private:
    std::vector<std::pair<std::wstring, std::wstring>> m_variables;
};
