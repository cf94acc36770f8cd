#pragma once
// The one rule that turns a target size and an image's own size into the
// output size: the longer side becomes the target, the shorter side keeps the
// aspect ratio. Rotation is not considered; the save swaps the sides itself.

#include <cstdint>

struct cDimensions {
    int16_t Width = 0;
    int16_t Height = 0;
    friend bool operator==(const cDimensions&, const cDimensions&) = default;
};

// Output size for iSize applied to an image of iImageWidth x iImageHeight.
//  - iSize <= 0: the image keeps its own size.
//  - no image measured (both sides 0): 0 x 0.
//  - otherwise the shorter side is (iSize / longer) * shorter, rounded with
//    halves to even; it never drops below 1 pixel, and a side beyond the
//    16-bit range is clamped to 32767.
cDimensions GetDimensionsOf(int16_t iSize, int16_t iImageWidth, int16_t iImageHeight);

// GetDimensionsOf that never makes the image larger: when the result is wider
// or taller than the image, the image keeps its own size.
cDimensions GetDimensionsNoLarger(int16_t iSize, int16_t iImageWidth, int16_t iImageHeight);
