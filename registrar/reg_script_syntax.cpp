// The words and marks of the registry script language.
#include "reg_script_syntax.h"

namespace {

struct RootKey {
    LPCWSTR name;
    HKEY key;
};

// Not constexpr: the predefined keys are integers cast to handles.
const RootKey kRootKeys[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},
    {L"HKCU", HKEY_CURRENT_USER},
    {L"HKLM", HKEY_LOCAL_MACHINE},
    {L"HKU", HKEY_USERS},
    {L"HKPD", HKEY_PERFORMANCE_DATA},
    {L"HKDD", HKEY_DYN_DATA},
    {L"HKCC", HKEY_CURRENT_CONFIG},
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

} // namespace

HKEY FindRootKey(const std::wstring& token) {
    for (const RootKey& root : kRootKeys) {
        if (::lstrcmpiW(token.c_str(), root.name) == 0) {
            return root.key;
        }
    }
    return nullptr;
}

bool IsKeyword(const std::wstring& token, LPCWSTR keyword) {
    return ::lstrcmpiW(token.c_str(), keyword) == 0;
}

bool IsSingleKeyName(const std::wstring& name) {
    return !name.empty() && name.find(L'\\') == std::wstring::npos;
}

HRESULT SkipAssignment(RegScriptTokenizer& tokens, std::wstring* token) {
    if (!IsAssignment(*token)) {
        return S_OK;
    }
    std::wstring skipped;
    HRESULT hr = tokens.Next(&skipped); // the type
    if (FAILED(hr)) return hr;
    hr = tokens.Next(&skipped); // the value text
    if (FAILED(hr)) return hr;
    return tokens.Next(token);
}
