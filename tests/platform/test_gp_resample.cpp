/* The draw calls' resampler: exact solid colours, no aliasing, no fringes,
 * no dark borders, preserved means. */
#include "gp_test_util.h"

namespace {

const InterpolationMode kAllModes[] = {InterpolationModeDefault,
                                       InterpolationModeLowQuality,
                                       InterpolationModeHighQuality,
                                       InterpolationModeBilinear,
                                       InterpolationModeBicubic,
                                       InterpolationModeNearestNeighbor,
                                       InterpolationModeHighQualityBilinear,
                                       InterpolationModeHighQualityBicubic};

TEST(Resample, SolidColourStaysExactInEveryModeAndFormat) {
    /* The last two half and nearly transparent. */
    const std::pair<PixelFormat, ARGB> cases[] = {{PixelFormat24bppRGB, 0xFF123456},
                                                  {PixelFormat32bppRGB, 0xFFFEDCBA},
                                                  {PixelFormat32bppARGB, 0xFF0180FF},
                                                  {PixelFormat32bppARGB, 0x80C83214},
                                                  {PixelFormat32bppARGB, 0x03FF7F01}};
    const int sizes[][2] = {{37, 23}, {5, 3}, {1, 1}, {200, 90}, {64, 64}};
    for (const auto& [format, color] : cases) {
        GpImageOwner src(MakeBitmap(64, 64, format, std::vector<ARGB>(64 * 64, color)));
        const ARGB expected = format == PixelFormat32bppARGB ? color : (color | 0xFF000000u);
        for (InterpolationMode mode : kAllModes)
            for (const auto& size : sizes) {
                GpImageOwner out(DrawScaled(src.get(), size[0], size[1], PixelFormat32bppARGB, mode));
                for (ARGB p : ReadPixels(out.get()))
                    ASSERT_EQ(p, expected)
                        << "mode " << mode << " size " << size[0] << "x" << size[1] << " format " << std::hex << format;
            }
    }
}

TEST(Resample, FineCheckerboardReducedFortyTimesIsFlatGrey) {
    GpImageOwner src(MakeBitmap(400, 400, PixelFormat24bppRGB, Grid(400, 400, [](int x, int y) {
                                    return ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
                                })));
    for (InterpolationMode mode : {InterpolationModeHighQualityBilinear, InterpolationModeHighQualityBicubic}) {
        GpImageOwner out(DrawScaled(src.get(), 10, 10, PixelFormat24bppRGB, mode));
        for (ARGB p : ReadPixels(out.get()))
            for (int shift : {0, 8, 16})
                ASSERT_NEAR(static_cast<int>((p >> shift) & 255u), 128, 1) << "mode " << mode;
    }
}

TEST(Resample, TwoToneSquaresShrinkToTheirAverages) {
    /* 8x8: left half 0x40 grey, right half 0xC0 grey; 2:1 with a triangle
     * kernel widened to 2 px mixes only inside each half except at the seam.
     * Column 1 reads source 1..4 with weights 1/8, 3/8, 3/8, 1/8: 0x40 * 7/8 + 0xC0 / 8 = 0x50. */
    GpImageOwner src(MakeBitmap(8, 8, PixelFormat24bppRGB,
                                Grid(8, 8, [](int x, int) { return x < 4 ? 0xFF404040u : 0xFFC0C0C0u; })));
    GpImageOwner out(DrawScaled(src.get(), 4, 4, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    const ARGB columns[] = {0xFF404040, 0xFF505050, 0xFFB0B0B0, 0xFFC0C0C0};
    EXPECT_EQ(ReadPixels(out.get()), Grid(4, 4, [&](int x, int) { return columns[x]; }));
}

TEST(Resample, AlphaEdgesCarryNoFringe) {
    /* Opaque red beside fully transparent green: any pixel with some alpha
     * must be pure red; premultiplying keeps the green out. */
    GpImageOwner src(MakeBitmap(60, 60, PixelFormat32bppARGB,
                                Grid(60, 60, [](int x, int) { return x < 31 ? 0xFFFF0000u : 0x0000FF00u; })));
    for (InterpolationMode mode : kAllModes)
        for (int size : {7, 25, 133}) {
            GpImageOwner out(DrawScaled(src.get(), size, size, PixelFormat32bppARGB, mode));
            bool partial = false;
            for (ARGB p : ReadPixels(out.get())) {
                partial = partial || (p >> 24 != 0 && p >> 24 != 255);
                ASSERT_TRUE(p >> 24 == 0 || (p & 0x00FFFFFFu) == 0x00FF0000u)
                    << "mode " << mode << " size " << size << std::hex << " " << p;
            }
            /* The edge is softened. */
            EXPECT_TRUE(partial || mode != InterpolationModeHighQualityBilinear) << size;
        }
}

TEST(Resample, MeanMovesUnderOne) {
    uint32_t seed = 12345;
    const std::vector<ARGB> pixels = Grid(90, 60, [&](int, int) {
        seed = seed * 1103515245u + 12345u;
        return 0xFF000000u | ((seed >> 16) & 255u) * 0x010101u;
    });
    GpImageOwner src(MakeBitmap(90, 60, PixelFormat24bppRGB, pixels));
    GpImageOwner out(DrawScaled(src.get(), 30, 20, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    double sum = 0, outSum = 0;
    for (ARGB p : pixels)
        sum += p & 255u;
    for (ARGB p : ReadPixels(out.get()))
        outSum += p & 255u;
    EXPECT_NEAR(outSum / (30 * 20), sum / (90 * 60), 1.0);
}

TEST(Resample, EnlargedEdgesAreNotDarkened) {
    /* A white image with one black pixel in the middle: the borders of the
     * enlargement stay white (clamped edges, renormalised windows). */
    std::vector<ARGB> pixels(9 * 9, 0xFFFFFFFF);
    pixels[4 * 9 + 4] = 0xFF000000;
    GpImageOwner src(MakeBitmap(9, 9, PixelFormat24bppRGB, pixels));
    for (InterpolationMode mode : kAllModes) {
        GpImageOwner out(DrawScaled(src.get(), 50, 50, PixelFormat24bppRGB, mode));
        const auto got = ReadPixels(out.get());
        for (size_t i = 0; i < 50; ++i)
            for (size_t border : {i, 49 * 50 + i, i * 50, i * 50 + 49})
                ASSERT_EQ(got[border], 0xFFFFFFFFu) << "mode " << mode;
        EXPECT_LT(got[25 * 50 + 25] & 255u, 128u) << "mode " << mode;
    }
}

} // namespace
