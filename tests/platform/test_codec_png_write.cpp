/* Truecolour PNGs come back exactly whichever row filter the writer picks,
 * and so do images too large to be compressed in one piece. */
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace codectest;

namespace {

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

/* Rows made so that each filter is the best one for some of them: small
 * noise, a row predicted by paeth from the noise above it (give or take 1), a blank
 * row (none), a ramp (sub), a copy of the row above (up), and a row
 * predicted exactly by average. */
gp::raster MakeFilterRows(PixelFormat format) {
    gp::raster r = MakePattern(37, 24, format);
    const uint32_t bytes = GetPixelFormatSize(format) / 8;
    uint32_t seed = 12345;
    for (uint32_t y = 0; y < r.height; ++y) {
        uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
        const uint8_t* up = y > 0 ? row - r.stride : nullptr;
        for (uint32_t i = 0; i < r.width * bytes; ++i) {
            const int left = i >= bytes ? row[i - bytes] : 0;
            const int above = up ? up[i] : 0;
            const int corner = up && i >= bytes ? up[i - bytes] : 0;
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>(seed >> 29);
            const bool first = i < bytes;
            const int kinds[6] = {noise, first ? noise : Paeth(left, above, corner) + (seed >> 31 != 0),
                                  0,     static_cast<int>(40 + i * 5),
                                  above, first ? noise : (left + above) / 2};
            row[i] = static_cast<uint8_t>(kinds[y % 6]);
        }
    }
    return r;
}

TEST(PngWrite, TruecolourPixelsComeBackExactly) {
    for (PixelFormat format : {PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppARGB}) {
        const gp::raster in = MakeFilterRows(format);
        EXPECT_EQ(CompareRasters(in, RoundTrip(u"*.PNG", in)), "") << "every filter, format " << std::hex << format;
    }
    const gp::raster large = MakePattern(4100, 5500, PixelFormat24bppRGB);
    const gp::raster out = RoundTrip(u"*.PNG", large);
    EXPECT_TRUE(out.format == large.format && out.pixels == large.pixels) << "over the one-piece bound";
}

} // namespace
