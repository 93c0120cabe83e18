// The figures a process reads of itself for the soak: its private bytes, the bytes in use in
// its heaps, and its handle count.
#pragma once

#include <windows.h>

// The process's private (committed, unshared) bytes; -1 when the platform will not say.
LONG OwnPrivateBytes();

// The bytes in use in all of the process's heaps (its busy blocks), to the byte: finer than the
// private bytes, which grow in whole pages and whole heap regions. -1 when a heap cannot be
// walked.
LONG OwnHeapBytes();

// The number of handles the process holds; -1 when the platform will not say.
LONG OwnHandleCount();
