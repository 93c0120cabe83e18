// The source-control providers installed on the machine, from the list providers write when
// they install: HKLM\SOFTWARE\SourceCodeControlProvider\InstalledSCCProviders, each value naming
// a provider and the key (under HKLM) whose SCCServerPath holds its DLL; ProviderRegKey beside
// the list names the default provider's key. 32-bit providers write it in the 32-bit registry
// view, 64-bit ones in the 64-bit view: both are read, whatever this program's own bitness (on
// 32-bit Windows there is one view).
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
    bool isDefault = false; // ProviderRegKey names the same key, in the same view
    int bits = 32;          // the registry view it was found in, and so its providers' width
};

// Every provider in the lists, the 32-bit view's first, each in the registry's order. A machine
// without the list has no providers: S_OK with an empty list. A failure to read the registry is
// returned.
HRESULT ListInstalledProviders(std::vector<InstalledProvider>* providers);

// The provider a session binds: its DLL's full path, and its name when it came from the list.
struct ProviderChoice {
    std::wstring name;
    std::wstring path;
};

// Chooses the provider for `given`: a DLL path when it holds a \ or /, made full from the
// current folder; otherwise a name in the lists (case ignored, the 32-bit view first); when
// empty, the machine's default (the 32-bit view's, else the 64-bit view's). False, with a one-line
// reason in *error, when there is no such provider or DLL.
bool ChooseProvider(const std::wstring& given, ProviderChoice* choice, std::wstring* error);
