// The identifiers under which the server registers itself, beside those of its type library.
#pragma once

// The server's AppID, one for each width of the server. It reaches the AppID script only through
// the variable APPID.
#if defined(_WIN64)
constexpr wchar_t kAppIdText[] = L"{728564B9-F0A9-4987-9B17-427C4605D430}";
#else
constexpr wchar_t kAppIdText[] = L"{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}";
#endif

// The registry script resources of the executable: the 32-bit server's two classes, or the
// 64-bit server's one.
constexpr unsigned kAppIdScript = 101;
constexpr unsigned kClassScript = 102;
constexpr unsigned kClass2Script = 103;
constexpr unsigned kClass64Script = 104;
