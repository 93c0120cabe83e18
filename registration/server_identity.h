// The identifiers under which the server registers itself, beside those of its type library.
#pragma once

// The server's AppID. It reaches the AppID script only through the variable APPID.
constexpr wchar_t kAppIdText[] = L"{054AD9CC-6C76-44E1-9EFB-DFD0CA1C4A0B}";

// The registry script resources of the executable.
constexpr unsigned kAppIdScript = 101;
constexpr unsigned kClassScript = 102;
constexpr unsigned kClass2Script = 103;
