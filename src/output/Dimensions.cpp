#include "Dimensions.h"

#include "Numbers.h"

#include <algorithm>

namespace {

// The shorter side: divided first, then multiplied, in double precision, so
// that the rounding ties fall exactly where the rule says (200 x 101 at 100
// gives 50.5 and therefore 50).
int16_t ScaledSide(int16_t iSize, int16_t iLonger, int16_t iShorter) {
    const double side = (static_cast<double>(iSize) / iLonger) * iShorter;
    return std::max<int16_t>(ClampToInt16(side), 1);
}

} // namespace

cDimensions GetDimensionsOf(int16_t iSize, int16_t iImageWidth, int16_t iImageHeight) {
    if (iSize <= 0)
        return {iImageWidth, iImageHeight};
    if (iImageWidth <= 0 && iImageHeight <= 0)
        return {0, 0};
    if (iImageWidth >= iImageHeight)
        return {iSize, ScaledSide(iSize, iImageWidth, iImageHeight)};
    return {ScaledSide(iSize, iImageHeight, iImageWidth), iSize};
}

cDimensions GetDimensionsNoLarger(int16_t iSize, int16_t iImageWidth, int16_t iImageHeight) {
    const cDimensions size = GetDimensionsOf(iSize, iImageWidth, iImageHeight);
    if (size.Width > iImageWidth || size.Height > iImageHeight)
        return {iImageWidth, iImageHeight};
    return size;
}
