#pragma once

#include <cstdint>
#include <span>

// Sorts aIndexes[lLow..lHigh] ascending in place: quicksort with a random
// pivot, moving values through a hole instead of swapping.
void SortIndexes(std::span<int16_t> aIndexes, int lLow, int lHigh);
