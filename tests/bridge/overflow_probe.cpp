// A 64-bit probe of the platform: can a 64-bit program contain a stack overflow at all? It runs a
// recursion that overflows its stack beneath the bridge's own guard, and exits with kHandled when
// the guard caught it and the program went on. A platform whose dispatcher cannot run on what the
// overflow leaves ends the thread instead.
#include <windows.h>

#include "provider_call_guard.h"

namespace {

constexpr UINT kHandled = 0x5AFE; // what overflow_containment.h looks for

volatile int limit = 0x7FFFFFFF;

// Every frame keeps a buffer live across the call below it, so the recursion stays a recursion.
__attribute__((noinline)) int Recurse(int depth) {
    if (depth >= limit) {
        return 0;
    }
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    return Recurse(depth + 1) + frame[0];
}

} // namespace

int wmain() {
    const bool returned = CallGuarded([](void*) { Recurse(0); }, nullptr);
    return returned ? 1 : static_cast<int>(kHandled);
}
