// StackOverflowWatch: notes every stack overflow on a thread, whoever handles it (a guard here,
// COM's dispatch, the loader, the provider itself), so that the guard page the overflow used up
// can be put back once the stack has unwound.
#pragma once

// Starts watching the process's threads (once is enough, and later calls do nothing), and, on x64,
// keeps room at the end of the calling thread's stack for handling its own overflow.
void WatchStackOverflows();

// Whether a stack overflow happened on the calling thread since it last asked; asking clears it.
bool ConsumeStackOverflowNote();
