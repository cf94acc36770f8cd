#include "SortIndexes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

TEST(SortIndexes, AgreesWithStdSortOnRandomSortedAndReversedArraysAndKeepsToItsRange) {
    std::mt19937 rng(7);
    std::vector<std::vector<int16_t>> inputs(2);
    for (int i = 0; i < 1000; ++i) {
        inputs[0].push_back(static_cast<int16_t>(i));
        inputs[1].push_back(static_cast<int16_t>(999 - i));
    }
    for (int round = 0; round < 300; ++round)
        for (int16_t& v : inputs.emplace_back(std::uniform_int_distribution<int>(0, 200)(rng)))
            v = static_cast<int16_t>(std::uniform_int_distribution<int>(-50, 50)(rng));
    for (std::vector<int16_t>& values : inputs) {
        std::vector<int16_t> expected = values;
        std::sort(expected.begin(), expected.end());
        SortIndexes(values, 0, int(values.size()) - 1);
        ASSERT_EQ(values, expected) << "input of " << expected.size();
    }
    std::vector<int16_t> values = {9, 5, 4, 3, 0};
    SortIndexes(values, 1, 3);
    EXPECT_EQ(values, (std::vector<int16_t>{9, 3, 4, 5, 0}));
}
