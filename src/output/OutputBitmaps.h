#pragma once
// New bitmaps made from a rendered image on its way to the encoder: flattened
// over white for files that cannot hold transparency, and smaller copies for
// the file-size limit.

#include "cBitmap.h"

#include <memory>

// image drawn over opaque white into a new 24-bit bitmap of its size: partly
// transparent pixels are blended with white, fully transparent ones become
// white. nullptr when a bitmap cannot be made.
std::unique_ptr<cBitmap> OverWhite(const cBitmap& image);

// An exact copy of image in a new bitmap. nullptr when it cannot be made.
std::unique_ptr<cBitmap> CopyOf(const cBitmap& image);

// image drawn into a new lWidth x lHeight bitmap of its own pixel format with
// high-quality bilinear interpolation. nullptr when it cannot be made.
std::unique_ptr<cBitmap> ScaledCopy(const cBitmap& image, int32_t lWidth, int32_t lHeight);
