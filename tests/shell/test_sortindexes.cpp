#include "SortIndexes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

TEST(SortIndexes, AgreesWithStdSortOnRandomArrays) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int n = std::uniform_int_distribution<int>(0, 200)(rng);
        std::vector<int16_t> values(n);
        for (int16_t& v : values)
            v = static_cast<int16_t>(std::uniform_int_distribution<int>(-50, 50)(rng));
        std::vector<int16_t> expected = values;
        std::sort(expected.begin(), expected.end());
        SortIndexes(values, 0, n - 1);
        ASSERT_EQ(values, expected) << "round " << round;
    }
}

TEST(SortIndexes, SortsOnlyTheGivenRange) {
    std::vector<int16_t> values = {9, 5, 4, 3, 0};
    SortIndexes(values, 1, 3);
    EXPECT_EQ(values, (std::vector<int16_t>{9, 3, 4, 5, 0}));
}

TEST(SortIndexes, SortedAndReversedInput) {
    std::vector<int16_t> up(1000), down(1000);
    for (int i = 0; i < 1000; ++i) {
        up[i] = static_cast<int16_t>(i);
        down[i] = static_cast<int16_t>(999 - i);
    }
    SortIndexes(down, 0, 999);
    EXPECT_EQ(down, up);
    SortIndexes(up, 0, 999);
    EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
}
