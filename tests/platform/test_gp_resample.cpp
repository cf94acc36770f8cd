/* The draw calls' resampler: exact solid colours, no aliasing, no fringes,
 * no dark borders, preserved means. */
#include "gp_test_util.h"

#include <cmath>
#include <cstdlib>

namespace {

const InterpolationMode kAllModes[] = {
    InterpolationModeDefault,          InterpolationModeLowQuality,
    InterpolationModeHighQuality,      InterpolationModeBilinear,
    InterpolationModeBicubic,          InterpolationModeNearestNeighbor,
    InterpolationModeHighQualityBilinear, InterpolationModeHighQualityBicubic,
};

TEST(Resample, SolidColourStaysExactInEveryModeAndFormat) {
    struct Case {
        PixelFormat format;
        ARGB color;
    };
    const Case cases[] = {
        {PixelFormat24bppRGB, 0xFF123456},
        {PixelFormat32bppRGB, 0xFFFEDCBA},
        {PixelFormat32bppARGB, 0xFF0180FF},
        {PixelFormat32bppARGB, 0x80C83214},  /* half transparent */
        {PixelFormat32bppARGB, 0x03FF7F01},  /* nearly transparent */
    };
    const int sizes[][2] = {{37, 23}, {5, 3}, {1, 1}, {200, 90}, {64, 64}};
    for (const Case& c : cases) {
        GpImageOwner src(MakeBitmap(64, 64, c.format, std::vector<ARGB>(64 * 64, c.color)));
        const ARGB expected = c.format == PixelFormat32bppARGB ? c.color : (c.color | 0xFF000000u);
        for (InterpolationMode mode : kAllModes) {
            for (const auto& size : sizes) {
                GpImageOwner out(DrawScaled(src.get(), size[0], size[1], PixelFormat32bppARGB, mode));
                const auto pixels = ReadPixels(out.get());
                for (size_t i = 0; i < pixels.size(); ++i)
                    ASSERT_EQ(pixels[i], expected)
                        << "mode " << mode << " size " << size[0] << "x" << size[1] << " pixel " << i
                        << " format " << std::hex << c.format;
            }
        }
    }
}

TEST(Resample, FineCheckerboardReducedFortyTimesIsFlatGrey) {
    std::vector<ARGB> board(400 * 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            board[static_cast<size_t>(y) * 400 + x] = ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000;
    GpImageOwner src(MakeBitmap(400, 400, PixelFormat24bppRGB, board));
    for (InterpolationMode mode : {InterpolationModeHighQualityBilinear, InterpolationModeHighQualityBicubic}) {
        GpImageOwner out(DrawScaled(src.get(), 10, 10, PixelFormat24bppRGB, mode));
        const auto pixels = ReadPixels(out.get());
        for (ARGB p : pixels)
            for (int shift : {0, 8, 16})
                ASSERT_NEAR(static_cast<int>((p >> shift) & 255u), 128, 1) << "mode " << mode;
    }
}

TEST(Resample, TwoToneSquaresShrinkToTheirAverages) {
    /* 8x8: left half 0x40 grey, right half 0xC0 grey; 2:1 with a triangle
     * kernel widened to 2 px mixes only inside each half except at the seam. */
    std::vector<ARGB> pixels(64);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pixels[static_cast<size_t>(y) * 8 + x] = x < 4 ? 0xFF404040 : 0xFFC0C0C0;
    GpImageOwner src(MakeBitmap(8, 8, PixelFormat24bppRGB, pixels));
    GpImageOwner out(DrawScaled(src.get(), 4, 4, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    const auto got = ReadPixels(out.get());
    /* Column 1 reads source 1..4 with weights 1/8, 3/8, 3/8, 1/8: 0x40 * 7/8 + 0xC0 / 8 = 0x50. */
    std::vector<ARGB> expected;
    for (int y = 0; y < 4; ++y)
        expected.insert(expected.end(), {0xFF404040, 0xFF505050, 0xFFB0B0B0, 0xFFC0C0C0});
    EXPECT_EQ(got, expected);
}

TEST(Resample, AlphaEdgesCarryNoFringe) {
    /* Opaque red beside fully transparent green: any pixel with some alpha
     * must be pure red; premultiplying keeps the green out. */
    std::vector<ARGB> pixels(60 * 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            pixels[static_cast<size_t>(y) * 60 + x] = x < 31 ? 0xFFFF0000 : 0x0000FF00;
    GpImageOwner src(MakeBitmap(60, 60, PixelFormat32bppARGB, pixels));
    for (InterpolationMode mode : kAllModes) {
        for (int size : {7, 25, 133}) {
            GpImageOwner out(DrawScaled(src.get(), size, size, PixelFormat32bppARGB, mode));
            const auto got = ReadPixels(out.get());
            bool partial = false;
            for (ARGB p : got) {
                if ((p >> 24) == 0)
                    continue;
                partial = partial || (p >> 24) < 255;
                ASSERT_EQ(p & 0x00FFFFFFu, 0x00FF0000u) << "mode " << mode << " size " << size;
            }
            if (mode == InterpolationModeHighQualityBilinear) {
                EXPECT_TRUE(partial) << "the edge should be softened, size " << size;
            }
        }
    }
}

TEST(Resample, MeanMovesUnderOne) {
    std::vector<ARGB> pixels(90 * 60);
    uint32_t seed = 12345;
    double sum = 0;
    for (ARGB& p : pixels) {
        seed = seed * 1103515245u + 12345u;
        const ARGB v = (seed >> 16) & 255u;
        p = 0xFF000000u | (v << 16) | (v << 8) | v;
        sum += v;
    }
    GpImageOwner src(MakeBitmap(90, 60, PixelFormat24bppRGB, pixels));
    GpImageOwner out(DrawScaled(src.get(), 30, 20, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    double out_sum = 0;
    for (ARGB p : ReadPixels(out.get()))
        out_sum += p & 255u;
    EXPECT_NEAR(out_sum / (30 * 20), sum / (90 * 60), 1.0);
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
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(got[static_cast<size_t>(i)], 0xFFFFFFFFu) << "mode " << mode;
            ASSERT_EQ(got[static_cast<size_t>(49) * 50 + i], 0xFFFFFFFFu) << "mode " << mode;
            ASSERT_EQ(got[static_cast<size_t>(i) * 50], 0xFFFFFFFFu) << "mode " << mode;
        }
        EXPECT_LT(got[25 * 50 + 25] & 255u, 128u) << "mode " << mode;
    }
}

TEST(Resample, NearestNeighbourPicksSourcePixels) {
    const std::vector<ARGB> pixels = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
    GpImageOwner src(MakeBitmap(2, 2, PixelFormat32bppARGB, pixels));
    GpImageOwner out(DrawScaled(src.get(), 4, 4, PixelFormat32bppARGB, InterpolationModeNearestNeighbor));
    std::vector<ARGB> expected;
    for (int i = 0; i < 16; ++i)
        expected.push_back(pixels[static_cast<size_t>(i / 8 * 2 + i % 4 / 2)]);
    EXPECT_EQ(ReadPixels(out.get()), expected);
}

} // namespace
