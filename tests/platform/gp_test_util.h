#pragma once
/* Helpers for the flat-API tests: ARGB grids, bitmaps made from them, pixel
 * grids back and scaled draws. */

#include "gp_flat.h"

#include <gtest/gtest.h>

#include <vector>

/* Owns one image handle for the length of a test. */
struct GpImageOwner {
    GpImage* image = nullptr;
    explicit GpImageOwner(GpImage* i = nullptr) : image(i) {}
    ~GpImageOwner() { GdipDisposeImage(image); }
    GpImageOwner(const GpImageOwner&) = delete;
    GpImageOwner& operator=(const GpImageOwner&) = delete;
    GpImage* get() const { return image; }
};

/* A width x height grid of f(x, y), row by row. */
template <class F> std::vector<ARGB> Grid(int width, int height, F f) {
    std::vector<ARGB> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(f(x, y));
    return pixels;
}

/* A width x height bitmap in format holding the ARGB pixels given row by row
 * (an indexed format maps them onto its default palette). */
inline GpImage* MakeBitmap(int width, int height, PixelFormat format, std::vector<ARGB> argb) {
    GpBitmap *source = nullptr, *bitmap = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                        reinterpret_cast<uint8_t*>(argb.data()), &source),
              Ok);
    EXPECT_EQ(GdipCloneBitmapAreaI(0, 0, width, height, format, source, &bitmap), Ok);
    GdipDisposeImage(source);
    PixelFormat made = 0;
    EXPECT_EQ(GdipGetImagePixelFormat(bitmap, &made), Ok);
    EXPECT_EQ(made, format);
    return bitmap;
}

/* All pixels of an image as ARGB, row by row. */
inline std::vector<ARGB> ReadPixels(GpImage* image) {
    float w = 0, h = 0;
    GdipGetImageDimension(image, &w, &h);
    const auto width = static_cast<uint32_t>(w), height = static_cast<uint32_t>(h);
    std::vector<ARGB> pixels(static_cast<size_t>(width) * height);
    BitmapData data{width, height, static_cast<int32_t>(width * 4), PixelFormat32bppARGB, pixels.data(), 0};
    EXPECT_EQ(
        GdipBitmapLockBits(image, nullptr, ImageLockModeRead | ImageLockModeUserInputBuf, PixelFormat32bppARGB, &data),
        Ok);
    EXPECT_EQ(GdipBitmapUnlockBits(image, &data), Ok);
    return pixels;
}

/* Draws src scaled into a new width x height bitmap of format with mode,
 * turned a quarter clockwise turn times through the world transform; the
 * draw must end in drawn. */
inline GpImage* DrawScaled(GpImage* src, int width, int height, PixelFormat format, InterpolationMode mode,
                           int turn = 0, GpStatus drawn = Ok) {
    GpBitmap* out = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &out), Ok);
    GpGraphics* graphics = nullptr;
    EXPECT_EQ(GdipGetImageGraphicsContext(out, &graphics), Ok);
    EXPECT_EQ(GdipSetInterpolationMode(graphics, mode), Ok);
    const float shift[4][2] = {{0, 0}, {float(width), 0}, {float(width), float(height)}, {0, float(height)}};
    EXPECT_EQ(GdipTranslateWorldTransform(graphics, shift[turn][0], shift[turn][1], MatrixOrderPrepend), Ok);
    EXPECT_EQ(GdipRotateWorldTransform(graphics, 90.0f * turn, MatrixOrderPrepend), Ok);
    const bool swap = turn % 2 == 1;
    EXPECT_EQ(GdipDrawImageRectI(graphics, src, 0, 0, swap ? height : width, swap ? width : height), drawn);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
    return out;
}
