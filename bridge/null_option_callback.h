// The callback the bridge hands a provider from SccSetOptionCallback.
#pragma once

// Ignores whatever arguments it is called with (the caller removes them), does nothing and
// returns nothing. It lives as long as the process, so a provider may keep its address.
extern "C" void __cdecl NullOptionCallback();
