// GrowableArray: what survives growth, what growth costs and what a reserve gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "growable_array.h"

namespace {

TEST(GrowableArray, StartsWithoutStorage) {
    GrowableArray<LONG> array;
    EXPECT_EQ(nullptr, array.Data());
    EXPECT_EQ(0u, array.Count());
    EXPECT_EQ(0u, array.Capacity());
}

// The provider is handed Data() as one array, so every element must survive every move of the
// storage, in the order appended.
TEST(GrowableArray, KeepsEveryElementInOrderAcrossGrowth) {
    GrowableArray<LONG> array;
    for (LONG i = 0; i < 20000; ++i) {
        array.Append(i);
        ASSERT_GE(array.Capacity(), array.Count());
    }
    ASSERT_EQ(20000u, array.Count());
    for (LONG i = 0; i < 20000; ++i) {
        ASSERT_EQ(i, array.Data()[i]) << "elements must survive every move";
    }
}

// Appending one at a time must not move the storage at every append, and a long list must not
// carry a large unused tail.
TEST(GrowableArray, GrowsInStepsWithBoundedSpareRoom) {
    GrowableArray<LONG> array;
    uint32_t moves = 0;
    uint32_t largestSpare = 0;
    for (LONG i = 0; i < 20000; ++i) {
        const uint32_t before = array.Capacity();
        array.Append(i);
        if (array.Capacity() != before) {
            ++moves;
        }
        largestSpare = std::max(largestSpare, array.Capacity() - array.Count());
    }
    EXPECT_LT(moves, array.Count() / 100) << "fewer than one move per hundred appends";
    EXPECT_LE(largestSpare, 1024u) << "never room for more than 1024 unused elements";
}

TEST(GrowableArray, ReservesRoomInOneStep) {
    GrowableArray<LONG> array;
    array.Reserve(300);
    EXPECT_EQ(300u, array.Capacity()) << "room for what was asked, no more";
    LONG* storage = array.Data();
    for (LONG i = 0; i < 300; ++i) {
        array.Append(i);
    }
    EXPECT_EQ(storage, array.Data()) << "no growth within the reserve";
    array.Reserve(10);
    EXPECT_EQ(300u, array.Capacity()) << "a smaller reserve changes nothing";
    EXPECT_EQ(storage, array.Data()) << "a smaller reserve changes nothing";
    array.Append(300);
    EXPECT_GT(array.Capacity(), array.Count()) << "growth past a reserve leaves room to append";
    for (LONG i = 0; i <= 300; ++i) {
        ASSERT_EQ(i, array.Data()[i]);
    }
}

} // namespace
