/* Quarter turns and mirrors in every pixel format. */
#include "gp_test_util.h"

namespace {

/* Where source pixel (x, y) of a w x h image lands for each type, as the
 * original library defines them: rotate clockwise, then mirror left-right. */
void Expected(int type, int w, int h, int x, int y, int& ox, int& oy) {
    int rx = x, ry = y, rw = w;
    switch (type & 3) {
    case 1: rx = h - 1 - y; ry = x; rw = h; break;
    case 2: rx = w - 1 - x; ry = h - 1 - y; break;
    case 3: rx = y; ry = w - 1 - x; rw = h; break;
    default: break;
    }
    if (type >= 4)
        rx = rw - 1 - rx;
    ox = rx;
    oy = ry;
}

class RotateFlip : public ::testing::TestWithParam<PixelFormat> {};

TEST_P(RotateFlip, AsymmetricPatternThroughAllEightTypes) {
    const PixelFormat format = GetParam();
    /* Odd sizes, wider than a tile of the blocked copy, and no symmetry. */
    const int w = 71, h = 45;
    const bool indexed = (format & 0x10000) != 0;
    const uint32_t levels = indexed ? (1u << GetPixelFormatSize(format)) : 0;
    std::vector<ARGB> src(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t v = static_cast<uint32_t>(x * 7 + y * 13 + x * y);
            if (indexed) {
                /* Levels of the grey ramp a new indexed bitmap has. */
                const uint32_t level = (v % levels) * 255u / (levels - 1);
                src[static_cast<size_t>(y) * w + x] = 0xFF000000u | level * 0x010101u;
            } else {
                src[static_cast<size_t>(y) * w + x] = 0xFF000000u | (v & 0xFFFFFFu);
            }
        }
    for (int type = 0; type < 8; ++type) {
        GpImageOwner image(MakeBitmap(w, h, format, src));
        ASSERT_EQ(GdipImageRotateFlip(image.get(), static_cast<RotateFlipType>(type)), Ok);
        uint32_t ow = 0, oh = 0;
        GdipGetImageWidth(image.get(), &ow);
        GdipGetImageHeight(image.get(), &oh);
        ASSERT_EQ(ow, static_cast<uint32_t>(type & 1 ? h : w));
        ASSERT_EQ(oh, static_cast<uint32_t>(type & 1 ? w : h));
        const auto got = ReadPixels(image.get());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int ox = 0, oy = 0;
                Expected(type, w, h, x, y, ox, oy);
                ASSERT_EQ(got[static_cast<size_t>(oy) * ow + ox], src[static_cast<size_t>(y) * w + x])
                    << "type " << type << " source " << x << "," << y;
            }
    }
}

TEST_P(RotateFlip, FourQuarterTurnsReturnTheInput) {
    const PixelFormat format = GetParam();
    std::vector<ARGB> src(130 * 3);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = (i % 3 == 0) ? 0xFFFFFFFFu : 0xFF000000u;
    GpImageOwner image(MakeBitmap(130, 3, format, src));
    const auto before = ReadPixels(image.get());
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(GdipImageRotateFlip(image.get(), Rotate90FlipNone), Ok);
    EXPECT_EQ(ReadPixels(image.get()), before);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RotateFlip,
                         ::testing::Values(PixelFormat1bppIndexed, PixelFormat4bppIndexed,
                                           PixelFormat8bppIndexed, PixelFormat24bppRGB,
                                           PixelFormat32bppRGB, PixelFormat32bppARGB));

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
