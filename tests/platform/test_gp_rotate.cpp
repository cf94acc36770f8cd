/* Quarter turns and mirrors in every pixel format. */
#include "gp_test_util.h"

namespace {

/* Where source pixel (x, y) of a w x h image lands for each type, as the
 * original library defines them: rotate clockwise, then mirror left-right. */
std::pair<int, int> Expected(int type, int w, int h, int x, int y) {
    const int turns[4][3] = {{x, y, w}, {h - 1 - y, x, h}, {w - 1 - x, h - 1 - y, w}, {y, w - 1 - x, h}};
    const auto [rx, ry, rw] = turns[type & 3];
    return {type >= 4 ? rw - 1 - rx : rx, ry};
}

class RotateFlip : public ::testing::TestWithParam<PixelFormat> {};

/* Odd sizes, wider than a tile of the blocked copy, and no symmetry; then
 * four quarter turns return the input. */
TEST_P(RotateFlip, AsymmetricPatternThroughAllEightTypes) {
    const PixelFormat format = GetParam();
    const int w = 71, h = 45;
    const uint32_t levels = (format & 0x10000) ? (1u << GetPixelFormatSize(format)) : 0;
    const std::vector<ARGB> src = Grid(w, h, [&](int x, int y) {
        const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + x * y);
        /* Indexed: levels of the grey ramp a new indexed bitmap has. */
        return 0xFF000000u | (levels ? (v % levels) * 255u / (levels - 1) * 0x010101u : v & 0xFFFFFFu);
    });
    for (int type = 0; type < 8; ++type) {
        GpImageOwner image(MakeBitmap(w, h, format, src));
        ASSERT_EQ(GdipImageRotateFlip(image.get(), static_cast<RotateFlipType>(type)), Ok);
        const int ow = type & 1 ? h : w;
        float fw = 0, fh = 0;
        GdipGetImageDimension(image.get(), &fw, &fh);
        ASSERT_TRUE(fw == float(ow) && fh == float(type & 1 ? w : h)) << fw << "x" << fh;
        const auto got = ReadPixels(image.get());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto [ox, oy] = Expected(type, w, h, x, y);
                ASSERT_EQ(got[static_cast<size_t>(oy * ow + ox)], src[static_cast<size_t>(y * w + x)])
                    << "type " << type << " source " << x << "," << y;
            }
    }
    GpImageOwner image(MakeBitmap(w, h, format, src));
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(GdipImageRotateFlip(image.get(), Rotate90FlipNone), Ok);
    EXPECT_EQ(ReadPixels(image.get()), src);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RotateFlip,
                         ::testing::Values(PixelFormat1bppIndexed, PixelFormat4bppIndexed, PixelFormat8bppIndexed,
                                           PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppARGB));

/* Scaling first and turning after (a draw through a quarter-turn world
 * transform) gives exactly the pixels of turning the source and drawing it
 * straight, whatever the filter, format and which axes are scaled. */
TEST(TurnedDraw, EqualsTurningTheSourceFirst) {
    /* Large enough that float sums taken in another order would round some
     * of the 8-bit results differently. */
    const int w = 401, h = 301;
    uint32_t seed = 12345;
    const std::vector<ARGB> src = Grid(w, h, [&](int, int) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) | 0x40000000u;
    });
    /* Quarter turns and the turned output's size. */
    const int cases[][3] = {{1, 113, 150}, {2, 150, 113}, {3, 113, 150}, {1, 97, 401}, {3, 301, 61}};
    for (PixelFormat format : {PixelFormat24bppRGB, PixelFormat32bppARGB})
        for (InterpolationMode mode : {InterpolationModeHighQualityBilinear, InterpolationModeHighQualityBicubic})
            for (const auto& [turn, dw, dh] : cases) {
                GpImageOwner turned(MakeBitmap(w, h, format, src)), source(MakeBitmap(w, h, format, src));
                ASSERT_EQ(GdipImageRotateFlip(turned.get(), static_cast<RotateFlipType>(turn)), Ok);
                GpImageOwner first(DrawScaled(turned.get(), dw, dh, format, mode));
                GpImageOwner after(DrawScaled(source.get(), dw, dh, format, mode, turn));
                EXPECT_EQ(ReadPixels(after.get()), ReadPixels(first.get()))
                    << "format " << std::hex << format << std::dec << " mode " << mode << " turn " << turn << " to "
                    << dw << "x" << dh;
            }
}

TEST(RotateFlipArguments, BadTypeAndLockedImageFail) {
    GpImageOwner image(MakeBitmap(2, 2, PixelFormat24bppRGB, std::vector<ARGB>(4, 0xFF000000u)));
    EXPECT_EQ(GdipImageRotateFlip(image.get(), static_cast<RotateFlipType>(8)), InvalidParameter);
    EXPECT_EQ(GdipImageRotateFlip(nullptr, Rotate90FlipNone), InvalidParameter);
    BitmapData data{};
    ASSERT_EQ(GdipBitmapLockBits(image.get(), nullptr, ImageLockModeRead, PixelFormat24bppRGB, &data), Ok);
    EXPECT_EQ(GdipImageRotateFlip(image.get(), Rotate90FlipNone), WrongState);
    EXPECT_EQ(GdipBitmapUnlockBits(image.get(), &data), Ok);
}

} // namespace
