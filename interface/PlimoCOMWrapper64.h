// The class of the 64-bit server, PlimoCOMWrapper64.exe, which loads 64-bit providers: it serves
// the whole interface, IPlimoWrapper2, with the same interfaces and type libraries as the 32-bit
// server. Only the class, its ProgIDs and the server's AppID are its own.
#pragma once

#include <guiddef.h>

// {55C7E26C-8ADC-4D39-8B06-5BEF31FA32B0}
inline constexpr CLSID CLSID_TovikPlimoWrapper64 = {
    0x55C7E26C, 0x8ADC, 0x4D39, {0x8B, 0x06, 0x5B, 0xEF, 0x31, 0xFA, 0x32, 0xB0}};
