// A guard around calls into the provider: a structured exception that the provider raises and
// does not handle itself (an access violation, a stack overflow) ends the call, not the server.
#pragma once

// The function a guard runs; `argument` is passed through untouched.
using GuardedCall = void (*)(void* argument);

// Calls `call(argument)` beneath a frame-based handler, so every handler the callee registers
// itself sees its exceptions first. Returns true when the call returned; false when a structured
// exception reached the guard unhandled: the frames beneath were unwound (their termination
// handlers ran) and control came back here. `call` must not let a C++ exception escape, and
// nothing in it that was abandoned by a fault is destroyed, so it must own nothing.
//
// After the call, a guard page that a stack overflow beneath it used up is put back, whoever
// handled the overflow, so the next overflow on this thread is caught as this one was. When that
// fails, the thread is marked (GuardedStackLost): a further overflow could no longer be caught,
// so no provider may be called on it again.
bool CallGuarded(GuardedCall call, void* argument);

// Calls `call(argument)` beneath a frame-based handler that catches nothing: a structured exception
// raised beneath it goes on to the handlers above as if the frame were not there. When one of
// those handles it and unwinds the stack past this frame, `abandoned(argument)` runs first, so
// that the caller can give back what it holds for the call (its own destructors never run).
void CallObserved(GuardedCall call, GuardedCall abandoned, void* argument);

// Whether a stack overflow on the calling thread left its stack without a guard page.
bool GuardedStackLost();

// Whether provider code may run on the calling thread. First puts back the guard page that a
// stack overflow used up in an earlier call, however that call ended: caught by a guard here,
// by a handler above (COM's dispatch), by the loader or by the provider itself. False when the
// page cannot be put back: the stack is then lost for good (GuardedStackLost).
bool ProviderStackUsable();

// Puts back the guard page after a stack overflow: nonzero when it did. The C runtime's
// _resetstkoflw unless a test has put something else in its place.
using StackReset = int(__cdecl*)();

// Replaces the stack reset and gives the one it replaces; null restores _resetstkoflw. Only tests
// call it, to make a reset fail.
StackReset SetStackReset(StackReset reset);

// Runs `body()` under CallGuarded and also catches every C++ exception it throws. Returns true
// only when `body` returned normally. Which provider calls go this way, and why, is set out at
// the top of provider_call.h.
template <typename Body> bool CallProviderGuarded(Body&& body) {
    struct Frame {
        Body* body;
        bool threw;
    };
    Frame frame{&body, false};
    GuardedCall run = [](void* argument) {
        Frame* f = static_cast<Frame*>(argument);
        try {
            (*f->body)();
        } catch (...) {
            f->threw = true;
        }
    };
    return CallGuarded(run, &frame) && !frame.threw;
}
