#include "null_option_callback.h"

extern "C" void __cdecl NullOptionCallback() {}
