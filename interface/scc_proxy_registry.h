// Where the proxy provider learns which real provider it stands for: the registry entries that
// `plimo-scc proxy add` writes and the proxy reads, in the registry view of the proxy's width
// (the view its hosts read). Both sides take the names from here.
//
//   HKLM\SOFTWARE\SourceCodeControlProvider\InstalledSCCProviders
//       "<NAME> (through PlimoCOMWrapper)" = "SOFTWARE\PlimoCOMWrapper\SccProxy\<KEY>"
//   HKLM\SOFTWARE\PlimoCOMWrapper\SccProxy\<KEY>
//       SCCServerName   = "<NAME> (through PlimoCOMWrapper)"
//       SCCServerPath   = the proxy DLL this entry loads: a copy of the proxy of the view's width,
//                         <proxy folder>\proxied\<KEY>\<proxy file name>, one per entry
//       ProviderName    = <NAME>, the real provider's name in the other view's list
//       ProviderPath    = the real provider's DLL
//       PreviousDefault = the default provider's key that --default replaced (absent otherwise)
//
// A host loads the DLL that SCCServerPath names, so the copy's own path tells the proxy which
// entry it was loaded for: it finds the key whose SCCServerPath is its own file.
#pragma once

#include <windows.h>

namespace sccproxy {

constexpr wchar_t kProxyRootKey[] = L"SOFTWARE\\PlimoCOMWrapper\\SccProxy";
constexpr wchar_t kServerNameValue[] = L"SCCServerName";
constexpr wchar_t kServerPathValue[] = L"SCCServerPath";
constexpr wchar_t kProviderNameValue[] = L"ProviderName";
constexpr wchar_t kProviderPathValue[] = L"ProviderPath";
constexpr wchar_t kPreviousDefaultValue[] = L"PreviousDefault";
// What the entry's name in the list adds to the real provider's name.
constexpr wchar_t kListNameSuffix[] = L" (through PlimoCOMWrapper)";
// The folder beside the proxy that holds one copy of it per entry.
constexpr wchar_t kCopiesFolder[] = L"proxied";

// The proxies' file names: the 32-bit one, loaded by 32-bit hosts, and the 64-bit one.
constexpr wchar_t kProxy32FileName[] = L"PlimoSccProxy.dll";
constexpr wchar_t kProxy64FileName[] = L"PlimoSccProxy64.dll";

} // namespace sccproxy
