// The source-control providers installed on the machine, from the list providers write when
// they install: HKLM\SOFTWARE\SourceCodeControlProvider\InstalledSCCProviders, each value naming
// a provider and the key (under HKLM) whose SCCServerPath holds its DLL; ProviderRegKey beside
// the list names the default provider's key. Always read in the 32-bit view, where 32-bit
// providers write, whatever this program's own bitness.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Where the list lives, under HKLM.
constexpr wchar_t kProviderRootKey[] = L"SOFTWARE\\SourceCodeControlProvider";
constexpr wchar_t kInstalledProvidersKey[] =
    L"SOFTWARE\\SourceCodeControlProvider\\InstalledSCCProviders";
constexpr wchar_t kDefaultProviderValue[] = L"ProviderRegKey";
constexpr wchar_t kServerPathValue[] = L"SCCServerPath";

struct InstalledProvider {
    std::wstring name;      // the value's name in the list
    std::wstring key;       // the key under HKLM that describes the provider
    std::wstring path;      // its SCCServerPath; empty when the key has none
    bool isDefault = false; // ProviderRegKey names the same key
};

// Every provider in the list, in the registry's order. A machine without the list has no
// providers: S_OK with an empty list. A failure to read the registry is returned.
HRESULT ListInstalledProviders(std::vector<InstalledProvider>* providers);

// The provider a session binds: its DLL's full path, and its name when it came from the list.
struct ProviderChoice {
    std::wstring name;
    std::wstring path;
};

// Chooses the provider for `given`: a DLL path when it holds a \ or /, made full from the
// current folder; otherwise a name in the list (case ignored); when empty, the machine's
// default. False, with a one-line reason in *error, when there is no such provider or DLL.
bool ChooseProvider(const std::wstring& given, ProviderChoice* choice, std::wstring* error);
