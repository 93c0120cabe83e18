// DllRegisterServer and DllUnregisterServer: the sample provider enters itself in the machine's
// list of installed source-control providers, and leaves it, as a provider's installer would.
// `regsvr32 plimo_sample_provider.dll` (as administrator) and `regsvr32 /u ...` run them.
#include <windows.h>

#include <string>

namespace {

// An open registry key, closed at the end of the scope; put() hands the slot to an opening call.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) {
            ::RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }

private:
    HKEY key_ = nullptr;
};

// A registry function's error code, or the thread's last error, as an HRESULT; never S_OK for a
// failure that set no error.
HRESULT FromError(LONG error) {
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}
HRESULT FromLastError() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

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

// Writes the REG_SZ value `name` of HKLM\`keyPath`, making the key when it is missing.
HRESULT WriteText(const wchar_t* keyPath, const wchar_t* name, const std::wstring& text) {
    RegistryKey key;
    LONG error = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0,
                                   KEY_SET_VALUE | kView, nullptr, key.put(), nullptr);
    if (error != ERROR_SUCCESS) {
        return FromError(error);
    }
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    error = ::RegSetValueExW(key.get(), name, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    return FromError(error);
}

// The text of HKLM\`keyPath`'s REG_SZ value `name`; empty when it is missing or not text.
std::wstring ReadText(const wchar_t* keyPath, const wchar_t* name) {
    RegistryKey key;
    wchar_t text[MAX_PATH + 1] = {};
    DWORD bytes = sizeof text - sizeof(wchar_t); // room for a terminator the value may lack
    DWORD type = 0;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kView, key.put()) !=
            ERROR_SUCCESS ||
        ::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::wstring();
    }
    return text;
}

// A missing value or key is what removal wants, so it is no failure.
HRESULT Removed(LONG error) {
    return error == ERROR_FILE_NOT_FOUND ? S_OK : FromError(error);
}

HRESULT RemoveValue(const wchar_t* keyPath, const wchar_t* name) {
    RegistryKey key;
    LONG error = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE | kView, key.put());
    if (error != ERROR_SUCCESS) {
        return Removed(error);
    }
    return Removed(::RegDeleteValueW(key.get(), name));
}

HRESULT OwnPath(std::wstring* path) {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&OwnPath), &self)) {
        return FromLastError();
    }
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(self, buffer, MAX_PATH);
    if (length == 0 || length == MAX_PATH) {
        return length == 0 ? FromLastError() : FromError(ERROR_INSUFFICIENT_BUFFER);
    }
    path->assign(buffer, length);
    return S_OK;
}

HRESULT Register() {
    std::wstring path;
    HRESULT hr = OwnPath(&path);
    if (FAILED(hr)) return hr;
    // The provider's own key first and the list entry after it, so the list never names a key
    // that is not there yet.
    const struct {
        const wchar_t* key;
        const wchar_t* name;
        std::wstring text;
    } writes[] = {
        {kOwnKey, L"SCCServerName", kDisplayName},
        {kOwnKey, L"SCCServerPath", path},
        {kInstalledList, kDisplayName, kOwnKey},
    };
    for (const auto& write : writes) {
        hr = WriteText(write.key, write.name, write.text);
        if (FAILED(hr)) return hr;
    }
    // The default provider is the machine owner's choice: taken only while there is none.
    if (!ReadText(kProviderRoot, kDefaultValue).empty()) {
        return S_OK;
    }
    return WriteText(kProviderRoot, kDefaultValue, kOwnKey);
}

HRESULT Unregister() {
    HRESULT hr = RemoveValue(kInstalledList, kDisplayName);
    if (FAILED(hr)) return hr;
    // Another provider made the default stays the default.
    if (::lstrcmpiW(ReadText(kProviderRoot, kDefaultValue).c_str(), kOwnKey) == 0) {
        hr = RemoveValue(kProviderRoot, kDefaultValue);
        if (FAILED(hr)) return hr;
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
