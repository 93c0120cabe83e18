// A guard around calls into the provider: a structured exception that the provider raises and
// does not handle itself (an access violation, say) ends the call, not the server.
#pragma once

// The function a guard runs; `argument` is passed through untouched.
using GuardedCall = void (*)(void* argument);

// Calls `call(argument)` beneath a frame-based handler, so every handler the callee registers
// itself sees its exceptions first. Returns true when the call returned; false when a structured
// exception reached the guard unhandled: the frames beneath were unwound (their termination
// handlers ran) and control came back here. `call` must not let a C++ exception escape, and
// nothing in it that was abandoned by a fault is destroyed, so it must own nothing.
bool CallGuarded(GuardedCall call, void* argument);

// Runs `body()` under CallGuarded and also catches every C++ exception it throws. Returns true
// only when `body` returned normally.
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
