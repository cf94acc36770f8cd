/* GIF: animated files built with giflib (frames, disposal, transparency,
 * loop count) and the encoder's own colour reduction. Frame delays and the
 * loop count's value are read back through cBitmap in the imaging tests. */
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

using namespace codectest;

namespace {

std::vector<uint8_t> FromHex(const char* sHex) {
    std::vector<uint8_t> bytes;
    for (const char* p = sHex; p[0] && p[1]; p += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    return bytes;
}

/* 4 x 4 screens written with giflib; palette 0 black, 1 red, 2 green, 3 blue.
 * Composited: looped 3 times, three frames of 10, 20, 30 hundredths: a red
 * screen; a 2 x 2 patch (green, index 3 transparent, green, green) at (1, 1),
 * disposed to the background; a blue dot at (0, 0). */
const std::vector<uint8_t> kComposited =
    FromHex("47494638396104000400f10000000000ff000000ff000000ff21ff0b4e45545343415045322e30030103000021f904040a00000"
            "02c00000000040004000002048c8f19050021f90409140003002c0100010002000200000203d424050021f904041e0000002c000"
            "00000010001000002025c01003b");
/* No loop count: red, then green over the top left with "restore previous",
 * then a blue dot at (3, 3). */
const std::vector<uint8_t> kRestored =
    FromHex("47494638396104000400f10000000000ff000000ff000000ff21f90404000000002c00000000040004000002048c8f19050021f"
            "9040c000000002c000000000200020000020294550021f90404000000002c03000300010001000002025c01003b");
/* One 2 x 2 image at (1, 1): red, green, blue, black. */
const std::vector<uint8_t> kSingle = FromHex("47494638396104000400f10000000000ff000000ff000000ff21f90400000000002c0100"
                                             "0100020002000002038c0605003b");

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;

TEST(CodecGif, FramesCompositeWithDisposalAndTransparency) {
    /* Frames of an animation composite; a lone image keeps its indices.
     * Index 0 inside that image stays opaque black. */
    const std::pair<cDecodeCase, int> cases[] = {
        /* and the loop count, -1: none */
        {{"first frame", kComposited, PixelFormat32bppARGB, {{1, 1, kRed}}, 0}, 3},
        {{"(2,1) transparent: red shows",
          kComposited,
          PixelFormat32bppARGB,
          {{1, 1, kGreen}, {2, 1, kRed}, {3, 3, kRed}},
          1},
         3},
        {{"frame 1 disposed to the background",
          kComposited,
          PixelFormat32bppARGB,
          {{0, 0, kBlue}, {1, 1, 0}, {2, 2, 0}, {3, 3, kRed}},
          2},
         3},
        {{"restore previous", kRestored, PixelFormat32bppARGB, {{0, 0, kRed}, {3, 3, kBlue}}, 2}, -1},
        {{"single small image",
          kSingle,
          PixelFormat8bppIndexed,
          {{1, 1, kRed}, {1, 2, kBlue}, {0, 0, 0}, {2, 2, kBlack}},
          0},
         -1},
    };
    for (const auto& [c, loop] : cases) {
        gp::image_info info;
        ExpectDecodes(c, info);
        EXPECT_EQ(info.frame_count, c.format == PixelFormat8bppIndexed ? 1u : 3u) << c.name;
        EXPECT_FALSE(info.frames_are_pages);
        EXPECT_EQ(std::any_of(info.properties.begin(), info.properties.end(),
                              [](const gp::property& p) { return p.id == PropertyTagLoopCount; }),
                  loop >= 0)
            << c.name;
    }
}

/* A photo-like image with far more than 256 colours: the reduced palette is
 * adaptive (mean error small) and alpha below half becomes transparent. */
TEST(CodecGif, EncoderReducesManyColoursAdaptively) {
    const gp::raster in = Painted(64, 64, PixelFormat32bppARGB, [](uint32_t x, uint32_t y) {
        return (x < 8 ? 40u : 255u) << 24 | (200 - x - y) << 16 | (y * 4) << 8 | x * 4;
    });
    const gp::raster out = RoundTrip(u"*.GIF", in);
    ASSERT_EQ(out.format, PixelFormat8bppIndexed);
    uint64_t error = 0, counted = 0;
    std::set<uint32_t> used;
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const uint32_t a = PixelAt(in, x, y), b = PixelAt(out, x, y);
            EXPECT_EQ(b >> 24, x < 8 ? 0u : 255u) << x << "," << y;
            if (x < 8)
                continue;
            used.insert(b);
            for (int s = 0; s < 24; s += 8)
                error += static_cast<uint64_t>(std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
            counted += 3;
        }
    EXPECT_GT(used.size(), 128u);
    EXPECT_LT(static_cast<double>(error) / static_cast<double>(counted), 4.0);
}

TEST(CodecGif, FewColoursAreKeptExactly) {
    const gp::raster in = Painted(10, 10, PixelFormat24bppRGB, [](uint32_t x, uint32_t y) {
        return 77u << 16 | (y * 25 + 3) << 8 | ((x % 3) * 100 + 1);
    });
    EXPECT_EQ(CompareRasters(in, RoundTrip(u"*.GIF", in)), "");
}

} // namespace
