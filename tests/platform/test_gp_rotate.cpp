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

/* Scaling first and turning after (a draw through a quarter-turn world
 * transform) gives exactly the pixels of turning the source and drawing it
 * straight, whatever the filter, format and which axes are scaled. */
TEST(TurnedDraw, EqualsTurningTheSourceFirst) {
    /* Large enough that float sums taken in another order would round some
     * of the 8-bit results differently. */
    const int w = 401, h = 301;
    std::vector<ARGB> src(static_cast<size_t>(w) * h);
    uint32_t seed = 12345;
    for (ARGB& p : src) {
        seed = seed * 1103515245u + 12345u;
        p = (seed >> 8) | 0x40000000u;
    }
    struct Case { int turn; int outW, outH; };
    const Case cases[] = {{1, 150, 113}, {2, 150, 113}, {3, 150, 113}, {1, 401, 97}, {3, 61, 301}};
    for (PixelFormat format : {PixelFormat24bppRGB, PixelFormat32bppARGB})
        for (InterpolationMode mode : {InterpolationModeHighQualityBilinear,
                                       InterpolationModeHighQualityBicubic})
            for (const Case& c : cases) {
                const bool swap = c.turn != 2;
                const int dw = swap ? c.outH : c.outW, dh = swap ? c.outW : c.outH;
                GpImageOwner turned(MakeBitmap(w, h, format, src));
                ASSERT_EQ(GdipImageRotateFlip(turned.get(), static_cast<RotateFlipType>(c.turn)), Ok);
                GpImageOwner first(DrawScaled(turned.get(), dw, dh, format, mode));

                GpImageOwner source(MakeBitmap(w, h, format, src));
                GpBitmap* after = nullptr;
                ASSERT_EQ(GdipCreateBitmapFromScan0(dw, dh, 0, format, nullptr, &after), Ok);
                GpImageOwner afterOwner(after);
                GpGraphics* g = nullptr;
                ASSERT_EQ(GdipGetImageGraphicsContext(after, &g), Ok);
                const float shift[3][2] = {{float(dw), 0}, {float(dw), float(dh)}, {0, float(dh)}};
                GdipSetInterpolationMode(g, mode);
                GdipTranslateWorldTransform(g, shift[c.turn - 1][0], shift[c.turn - 1][1],
                                            MatrixOrderPrepend);
                GdipRotateWorldTransform(g, 90.0f * c.turn, MatrixOrderPrepend);
                EXPECT_EQ(GdipDrawImageRectI(g, source.get(), 0, 0, c.outW, c.outH), Ok);
                GdipDeleteGraphics(g);
                EXPECT_EQ(ReadPixels(after), ReadPixels(first.get()))
                    << "format " << std::hex << format << std::dec << " mode " << mode << " turn "
                    << c.turn << " to " << c.outW << "x" << c.outH;
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
