// DllRegisterServer and DllUnregisterServer: the sample provider enters itself in the machine's
// list of installed source-control providers, and leaves it, as a provider's installer would.
// `regsvr32 plimo_sample_provider.dll` (as administrator) and `regsvr32 /u ...` run them.
#include <windows.h>

#include <string>

#include "scoped_resource.h"
#include "win32_error.h"

namespace {

// The list every source-control client reads: one value per provider, naming the key (under
// HKLM) whose SCCServerName and SCCServerPath describe it. ProviderRegKey, one level up, names
// the machine's default provider the same way.
constexpr wchar_t kProviderRoot[] = L"SOFTWARE\\SourceCodeControlProvider";
constexpr wchar_t kInstalledList[] = L"SOFTWARE\\SourceCodeControlProvider\\InstalledSCCProviders";
constexpr wchar_t kDefaultValue[] = L"ProviderRegKey";
constexpr wchar_t kOwnKey[] = L"SOFTWARE\\PlimoSampleProvider";
// The name SccInitialize gives, so that a client's list and the provider agree.
constexpr wchar_t kDisplayName[] = L"Plimo sample provider";

// The provider is a 32-bit DLL: its entries belong in the 32-bit view, which is also where a
// 64-bit client reading that view finds them.
constexpr REGSAM kView = KEY_WOW64_32KEY;

HRESULT CreateKey(const wchar_t* path, ScopedRegKey* key) {
    LONG error =
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE | kView, nullptr, key->put(), nullptr);
    return HResultFromWin32(error);
}

HRESULT SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    LONG error =
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    return HResultFromWin32(error);
}

// The text of a REG_SZ value; empty when it is missing or not text.
std::wstring ReadText(HKEY key, const wchar_t* name) {
    wchar_t text[MAX_PATH + 1] = {};
    DWORD bytes = sizeof text - sizeof(wchar_t); // room for a terminator the value may lack
    DWORD type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::wstring();
    }
    return text;
}

// A missing value or key is what removal wants, so it is no failure.
HRESULT Removed(LONG error) {
    return error == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromWin32(error);
}

HRESULT OwnPath(std::wstring* path) {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&OwnPath), &self)) {
        return FailureFromLastError();
    }
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(self, buffer, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return length == 0 ? FailureFromLastError() : HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
    }
    path->assign(buffer, length);
    return S_OK;
}

HRESULT Register() {
    std::wstring path;
    HRESULT hr = OwnPath(&path);
    if (FAILED(hr)) {
        return hr;
    }
    // The provider's own key first and the list entry after it, so the list never names a key
    // that is not there yet.
    ScopedRegKey own;
    hr = CreateKey(kOwnKey, &own);
    if (FAILED(hr)) {
        return hr;
    }
    hr = SetText(own.get(), L"SCCServerName", kDisplayName);
    if (FAILED(hr)) {
        return hr;
    }
    hr = SetText(own.get(), L"SCCServerPath", path);
    if (FAILED(hr)) {
        return hr;
    }
    ScopedRegKey list;
    hr = CreateKey(kInstalledList, &list);
    if (FAILED(hr)) {
        return hr;
    }
    hr = SetText(list.get(), kDisplayName, kOwnKey);
    if (FAILED(hr)) {
        return hr;
    }
    // The default provider is the machine owner's choice: taken only while there is none.
    ScopedRegKey root;
    hr = CreateKey(kProviderRoot, &root);
    if (FAILED(hr)) {
        return hr;
    }
    if (ReadText(root.get(), kDefaultValue).empty()) {
        hr = SetText(root.get(), kDefaultValue, kOwnKey);
    }
    return hr;
}

HRESULT Unregister() {
    ScopedRegKey list;
    LONG error =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstalledList, 0, KEY_SET_VALUE | kView, list.put());
    HRESULT hr = Removed(error);
    if (FAILED(hr)) {
        return hr;
    }
    if (list) {
        hr = Removed(::RegDeleteValueW(list.get(), kDisplayName));
        if (FAILED(hr)) {
            return hr;
        }
    }
    ScopedRegKey root;
    error = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProviderRoot, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | kView, root.put());
    hr = Removed(error);
    if (FAILED(hr)) {
        return hr;
    }
    // Another provider made the default stays the default.
    if (root && ::lstrcmpiW(ReadText(root.get(), kDefaultValue).c_str(), kOwnKey) == 0) {
        hr = Removed(::RegDeleteValueW(root.get(), kDefaultValue));
        if (FAILED(hr)) {
            return hr;
        }
    }
    return Removed(::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kOwnKey, kView, 0));
}

} // namespace

// A registration that fails part way is taken out again, so that the list never names a
// provider that is only half entered.
extern "C" HRESULT __stdcall DllRegisterServer() {
    HRESULT hr = Register();
    if (FAILED(hr)) {
        Unregister();
    }
    return hr;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    return Unregister();
}
