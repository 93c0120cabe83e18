// A fault the test provider raises and handles itself, beneath its caller's handlers, as a
// provider with structured handlers of its own does.
#pragma once

// Raises an access violation beneath a frame-based handler of the provider's own, which handles
// it and resumes after the faulting instruction. True when that handler saw the fault; false when
// the access went through, or a handler above took the fault instead.
bool RaiseAndHandleOwnFault();
