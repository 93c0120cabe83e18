// CGrowableArray: its growth rule and what survives growth.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "growable_array.h"

namespace {

TEST(GrowableArray, StartsWithoutStorage) {
    CGrowableArray<LONG> array;
    EXPECT_EQ(nullptr, array.Data());
    EXPECT_EQ(0u, array.Count());
    EXPECT_EQ(0u, array.Capacity());
}

TEST(GrowableArray, GrowsByFourWhileSmallThenByAnEighthOfTheCount) {
    const std::vector<uint32_t> expected = {1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57};
    CGrowableArray<LONG> array;
    std::vector<uint32_t> capacities;
    for (LONG i = 0; i < 57; ++i) {
        array.Append(i);
        if (capacities.empty() || capacities.back() != array.Capacity()) {
            capacities.push_back(array.Capacity());
        }
        if (i == 32) {
            EXPECT_EQ(33u, array.Capacity()) << "thirty-three names leave a capacity of 33";
        }
    }
    EXPECT_EQ(expected, capacities);
}

TEST(GrowableArray, ReservesInOneStepAndGrowsByItsRuleAfterwards) {
    CGrowableArray<LONG> array;
    array.Reserve(300);
    EXPECT_EQ(300u, array.Capacity());
    LONG* storage = array.Data();
    for (LONG i = 0; i < 300; ++i) {
        array.Append(i);
    }
    EXPECT_EQ(storage, array.Data()) << "no growth within the reserve";
    array.Reserve(10);
    EXPECT_EQ(300u, array.Capacity()) << "a smaller reserve changes nothing";
    array.Append(300);
    EXPECT_EQ(337u, array.Capacity()) << "then by an eighth of the count";
    for (LONG i = 0; i <= 300; ++i) {
        ASSERT_EQ(i, array.Data()[i]);
    }
}

TEST(GrowableArray, NeverGrowsByMoreThan1024AtOnce) {
    CGrowableArray<LONG> array;
    uint32_t last = 0;
    uint32_t largestStep = 0;
    for (LONG i = 0; i < 20000; ++i) {
        array.Append(i);
        if (array.Capacity() != last) {
            largestStep = std::max(largestStep, array.Capacity() - last);
            last = array.Capacity();
        }
    }
    EXPECT_EQ(1024u, largestStep);
    EXPECT_EQ(20000u, array.Count());
    for (LONG i = 0; i < 20000; ++i) {
        ASSERT_EQ(i, array.Data()[i]) << "elements must survive every move";
    }
}

} // namespace
