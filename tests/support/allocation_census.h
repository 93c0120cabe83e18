// Counting the C++ heap blocks this process holds, to catch a path that forgets to free one.
#pragma once

// Blocks obtained from any form of global operator new and not yet given back to operator
// delete. The count is kept by replacements of those operators in allocation_census.cpp, which
// a test program gets by listing that file among its sources; it covers every `new` in the
// program, the bridge's included, but not malloc or calloc called directly.
long LiveCppBlocks();
// Blocks handed out by global operator new since the program started, given back or not.
long CppBlocksHandedOut();
