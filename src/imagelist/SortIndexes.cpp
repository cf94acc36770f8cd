#include "SortIndexes.h"

#include <random>

namespace {

void SortRange(std::span<int16_t> a, int lLow, int lHigh, std::minstd_rand& rng) {
    if (lLow >= lHigh)
        return;
    const int pivot = std::uniform_int_distribution<int>(lLow, lHigh)(rng);
    const int16_t v = a[pivot];
    a[pivot] = a[lLow]; // position lLow is now the hole
    int lo = lLow;
    int hi = lHigh;
    for (;;) {
        while (hi > lo && a[hi] >= v)
            --hi;
        if (hi <= lo) {
            a[lo] = v;
            break;
        }
        a[lo] = a[hi];
        ++lo;
        while (lo < hi && a[lo] < v)
            ++lo;
        if (lo >= hi) {
            lo = hi;
            a[hi] = v;
            break;
        }
        a[hi] = a[lo];
    }
    SortRange(a, lLow, lo - 1, rng);
    SortRange(a, lo + 1, lHigh, rng);
}

} // namespace

void SortIndexes(std::span<int16_t> aIndexes, int lLow, int lHigh) {
    if (lLow < 0 || lHigh >= static_cast<int>(aIndexes.size()))
        return;
    std::minstd_rand rng(std::random_device{}());
    SortRange(aIndexes, lLow, lHigh, rng);
}
