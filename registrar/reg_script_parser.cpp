// The interpreter of registry scripts.
#include "reg_script_parser.h"

#include <cwchar>
#include <new>
#include <string>

#include "atl_exception.h"
#include "reg_key_deletion.h"
#include "reg_key_handle.h"
#include "reg_value_text.h"
#include "registration_mode.h"
#include "variable_expansion.h"
#include "win32_error.h"

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

HKEY FindRootKey(LPCWSTR name) {
    for (const RootKey& root : kRootKeys) {
        if (::lstrcmpiW(name, root.name) == 0) {
            return root.key;
        }
    }
    return nullptr;
}

bool IsBlank(wchar_t c) {
    return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
}

bool IsKeyword(LPCWSTR token, LPCWSTR keyword) {
    return ::lstrcmpiW(token, keyword) == 0;
}

// Inside a block only the token "{" alone opens a nested block.
bool OpensBlock(LPCWSTR token) {
    return token[0] == L'{' && token[1] == L'\0';
}

// A key entry names one key directly below its parent. An empty name would stand for the parent
// itself, and a backslash would reach past the block, so both are refused.
bool IsSingleKeyName(LPCWSTR name) {
    return name[0] != L'\0' && std::wcschr(name, L'\\') == nullptr;
}

} // namespace

// The fixed text buffers of one script application. The token buffer is shared by every level:
// a nested block leaves its closing brace in it, which the caller then reads past.
struct CRegScriptParser::Buffers {
    wchar_t token[kTokenCapacity];
    wchar_t valueName[kTokenCapacity];
    wchar_t scratch[kTokenCapacity];
};

CRegScriptParser::CRegScriptParser(CRegObject& variables) : m_variables(variables) {}

CRegScriptParser::~CRegScriptParser() = default;

HRESULT CRegScriptParser::ExpandVariables(LPCWSTR text, LPOLESTR* result) {
    return ExpandScriptVariables(m_variables, text, IsPerUserRegistrationMode(), result);
}

HRESULT CRegScriptParser::ApplyScript(LPCWSTR text, bool doRegister) {
    LPOLESTR expandedText = nullptr;
    HRESULT hr = ExpandVariables(text, &expandedText);
    if (FAILED(hr)) {
        return hr;
    }
    const ScopedTaskText expanded(expandedText);
    if (expanded.get()[0] == L'\0') {
        return S_OK;
    }

    m_buffers.reset(new (std::nothrow) Buffers);
    if (!m_buffers) {
        return E_OUTOFMEMORY;
    }
    m_cursor = expanded.get();
    try {
        hr = ApplyExpandedScript(doRegister);
    } catch (...) {
        hr = HResultFromCaughtException();
    }
    m_cursor = nullptr;
    m_buffers.reset();
    return hr;
}

HRESULT CRegScriptParser::ApplyExpandedScript(bool doRegister) {
    LPWSTR const token = m_buffers->token;
    for (;;) {
        HRESULT hr = NextToken(token);
        if (FAILED(hr)) {
            return hr;
        }
        const HKEY root = FindRootKey(token);
        if (root == nullptr) {
            return DISP_E_EXCEPTION;
        }
        hr = NextToken(token);
        if (FAILED(hr)) {
            return hr;
        }
        if (token[0] != L'{') {
            return DISP_E_EXCEPTION;
        }

        LPCWSTR const blockStart = m_cursor;
        hr = ApplyBlock(token, root, doRegister, false, 1);
        if (FAILED(hr)) {
            if (doRegister) {
                // Take back what this root block wrote; its own result cannot improve on hr.
                m_cursor = blockStart;
                ApplyBlock(token, root, false, false, 1);
            }
            return hr;
        }

        SkipBlanks();
        if (*m_cursor == L'\0') {
            return S_OK;
        }
    }
}

void CRegScriptParser::SkipBlanks() {
    while (IsBlank(*m_cursor)) {
        m_cursor = ::CharNextW(m_cursor);
    }
}

HRESULT CRegScriptParser::NextToken(LPWSTR token) {
    SkipBlanks();
    if (*m_cursor == L'\0') {
        return DISP_E_EXCEPTION;
    }

    size_t length = 0;
    // Copies the character at the cursor, of one or more units, and steps past it.
    auto copyCharacter = [&]() {
        LPCWSTR const next = ::CharNextW(m_cursor);
        const size_t units = static_cast<size_t>(next - m_cursor);
        if (length + units > kMaxTokenLength) {
            return false;
        }
        std::wmemcpy(token + length, m_cursor, units);
        length += units;
        m_cursor = next;
        return true;
    };

    if (*m_cursor == L'\'') {
        m_cursor = ::CharNextW(m_cursor);
        for (;;) {
            if (*m_cursor == L'\0') {
                return DISP_E_EXCEPTION;
            }
            if (*m_cursor == L'\'') {
                LPCWSTR const next = ::CharNextW(m_cursor);
                if (*next != L'\'') {
                    m_cursor = next;
                    break;
                }
                m_cursor = next; // the first of two quotes is dropped, the second copied
            }
            if (!copyCharacter()) {
                return DISP_E_EXCEPTION;
            }
        }
    } else {
        while (*m_cursor != L'\0' && !IsBlank(*m_cursor)) {
            if (!copyCharacter()) {
                return DISP_E_EXCEPTION;
            }
        }
    }
    token[length] = L'\0';
    return S_OK;
}

HRESULT CRegScriptParser::ApplyBlock(LPWSTR token, HKEY parent, bool doRegister, bool recovering,
                                     int level) {
    // Each level costs a recursion; a script nested this deep is no registration script.
    if (level > kMaxNesting) {
        return DISP_E_EXCEPTION;
    }
    HRESULT hr = NextToken(token);
    if (FAILED(hr)) {
        return hr;
    }
    while (token[0] != L'}') {
        bool deletable = true;

        const bool forceRemove = IsKeyword(token, L"ForceRemove");
        const bool deleteKey = IsKeyword(token, L"Delete");
        if (forceRemove || deleteKey) {
            hr = NextToken(token);
            if (FAILED(hr)) {
                return hr;
            }
            if (doRegister) {
                if (!IsSingleKeyName(token)) {
                    return DISP_E_EXCEPTION;
                }
                if (!IsProtectedKeyName(token)) {
                    DeleteKeyTree(parent, token); // a key that is not there is no error
                }
                if (deleteKey) {
                    hr = NextToken(token);
                    if (FAILED(hr)) {
                        return hr;
                    }
                    hr = SkipAssignment(token);
                    if (FAILED(hr)) {
                        return hr;
                    }
                    // A deleted key has nothing to hold a block.
                    if (OpensBlock(token)) {
                        return DISP_E_EXCEPTION;
                    }
                    continue;
                }
            }
            // Otherwise the name goes on as an ordinary entry; when unregistering, Delete X
            // removes X like any entry does.
        }

        if (IsKeyword(token, L"NoRemove")) {
            deletable = false;
            hr = NextToken(token);
            if (FAILED(hr)) {
                return hr;
            }
        }
        if (token[0] == L'}') {
            continue; // a name that begins with a closing brace ends the block
        }

        if (IsKeyword(token, L"Val")) {
            hr = ApplyValueEntry(token, parent, doRegister, recovering, deletable);
        } else if (!IsSingleKeyName(token)) {
            return DISP_E_EXCEPTION;
        } else if (doRegister) {
            hr = RegisterKeyEntry(token, parent, level);
        } else {
            hr = UnregisterKeyEntry(token, parent, recovering, deletable, level);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT CRegScriptParser::ApplyValueEntry(LPWSTR token, HKEY parent, bool doRegister,
                                          bool recovering, bool deletable) {
    LPWSTR const valueName = m_buffers->valueName;
    HRESULT hr = NextToken(valueName);
    if (FAILED(hr)) {
        return hr;
    }
    hr = NextToken(token);
    if (FAILED(hr)) {
        return hr;
    }
    if (token[0] != L'=') {
        return DISP_E_EXCEPTION;
    }

    if (doRegister) {
        hr = WriteValue(parent, valueName, token);
    } else {
        if (!recovering && deletable) {
            // The block's key may be open for reading only.
            CRegKeyHandle writable;
            LONG error = writable.Open(parent, nullptr, KEY_WRITE);
            if (error != ERROR_SUCCESS) {
                return HResultFromWin32(error);
            }
            error = ::RegDeleteValueW(writable.get(), valueName);
            if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
                return HResultFromWin32(error);
            }
        }
        hr = SkipAssignment(token);
    }
    if (FAILED(hr)) {
        return hr;
    }
    // A value has no key to hold a block; read on, the walk would lose its level.
    if (OpensBlock(token)) {
        return DISP_E_EXCEPTION;
    }
    return S_OK;
}

HRESULT CRegScriptParser::RegisterKeyEntry(LPWSTR token, HKEY parent, int level) {
    CRegKeyHandle key;
    // A key that cannot be written may still be read, and its block may still be registered.
    if (key.Open(parent, token, KEY_READ | KEY_WRITE) != ERROR_SUCCESS &&
        key.Open(parent, token, KEY_READ) != ERROR_SUCCESS) {
        const LONG error = key.Create(parent, token, KEY_READ | KEY_WRITE);
        if (error != ERROR_SUCCESS) {
            return HResultFromWin32(error);
        }
    }
    HRESULT hr = NextToken(token);
    if (FAILED(hr)) {
        return hr;
    }
    if (token[0] == L'=') {
        hr = WriteValue(key.get(), nullptr, token);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (OpensBlock(token)) {
        hr = ApplyBlock(token, key.get(), true, false, level + 1);
        if (FAILED(hr)) {
            return hr;
        }
        hr = NextToken(token);
    }
    return hr;
}

HRESULT CRegScriptParser::UnregisterKeyEntry(LPWSTR token, HKEY parent, bool recovering,
                                             bool deletable, int level) {
    // Below a key that is not there nothing can be, so its block is only read.
    CRegKeyHandle key;
    const LONG opened =
        recovering ? static_cast<LONG>(ERROR_FILE_NOT_FOUND) : key.Open(parent, token, KEY_READ);
    const bool blockRecovering = opened != ERROR_SUCCESS;
    const std::wstring name(token);

    HRESULT hr = NextToken(token);
    if (FAILED(hr)) {
        return hr;
    }
    hr = SkipAssignment(token);
    if (FAILED(hr)) {
        return hr;
    }
    if (OpensBlock(token)) {
        // A recovering block touches no key, so its only failures are syntax errors; past one
        // the walk would not know which level it stands on, so it stops there too.
        hr = ApplyBlock(token, key.get(), false, blockRecovering, level + 1);
        if (FAILED(hr)) {
            return hr;
        }
        hr = NextToken(token);
        if (FAILED(hr)) {
            return hr;
        }
    }

    if (opened == ERROR_FILE_NOT_FOUND) {
        return S_OK;
    }
    if (opened != ERROR_SUCCESS) {
        return HResultFromWin32(opened);
    }
    // Values do not keep a key alive; any subkey does, whether the script names it or not.
    const bool hasSubkeys = HasSubkeys(key.get());
    LONG error = key.Close();
    if (error != ERROR_SUCCESS) {
        return HResultFromWin32(error);
    }
    if (deletable && !hasSubkeys) {
        error = DeleteSubkey(parent, name.c_str());
        if (error != ERROR_SUCCESS) {
            return HResultFromWin32(error);
        }
    }
    return S_OK;
}

HRESULT CRegScriptParser::WriteValue(HKEY key, LPCWSTR valueName, LPWSTR token) {
    LPWSTR const text = m_buffers->scratch;
    HRESULT hr = NextToken(text);
    if (FAILED(hr)) {
        return hr;
    }
    DWORD regType = REG_NONE;
    if (!FindValueType(text, &regType)) {
        return DISP_E_EXCEPTION;
    }
    hr = NextToken(text);
    if (FAILED(hr)) {
        return hr;
    }
    hr = SetValueFromText(key, valueName, regType, text);
    if (FAILED(hr)) {
        return hr;
    }
    return NextToken(token);
}

HRESULT CRegScriptParser::SkipAssignment(LPWSTR token) {
    if (token[0] != L'=') {
        return S_OK;
    }
    LPWSTR const scratch = m_buffers->scratch;
    HRESULT hr = NextToken(scratch); // the type
    if (FAILED(hr)) {
        return hr;
    }
    hr = NextToken(scratch); // the value text
    if (FAILED(hr)) {
        return hr;
    }
    return NextToken(token);
}
