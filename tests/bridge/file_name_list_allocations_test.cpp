// A file list costs the same number of heap blocks however many names it holds: the caller's
// array is read in place, not copied name by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation_census.h"
#include "file_name_list.h"
#include "malloc_spy.h"
#include "test_arrays.h"

namespace {

struct Blocks {
    long cpp;  // from operator new
    long task; // from the COM task allocator (strings, safe arrays)
    bool operator==(const Blocks& other) const { return cpp == other.cpp && task == other.task; }
};

void PrintTo(const Blocks& blocks, std::ostream* os) {
    *os << blocks.cpp << " C++ and " << blocks.task << " task-allocator blocks";
}

Blocks BlocksToList(AllocationSpy& spy, size_t count) {
    const std::vector<std::wstring> names(count, L"C:\\work\\folder\\file.txt");
    ScopedSafeArray array = BstrArray(names);
    const Blocks before{CppBlocksHandedOut(), spy.HandedOut()};
    {
        FileNameList list;
        EXPECT_EQ(S_OK, list.Load(ArrayArgument(array.get())));
        EXPECT_EQ(static_cast<LONG>(count), list.Count());
    }
    return Blocks{CppBlocksHandedOut() - before.cpp, spy.HandedOut() - before.task};
}

TEST(FileNameListAllocations, DoNotGrowWithTheNumberOfNames) {
    AllocationSpy* spy = AllocationSpy::Start();
    ASSERT_NE(nullptr, spy);
    EXPECT_EQ(BlocksToList(*spy, 10), BlocksToList(*spy, 1000));
}

} // namespace
