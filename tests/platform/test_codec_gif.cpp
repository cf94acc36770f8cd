/* GIF: animated files built with giflib (frames, disposal, transparency,
 * loop count) and the encoder's own colour reduction. Frame delays and the
 * loop count's value are read back through cBitmap in the imaging tests. */
#include "codec_test_util.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

using namespace codectest;

namespace {

struct Frame {
    int left, top, width, height, disposal, delay;
    int transparent; /* -1: none */
    std::vector<uint8_t> indices;
};

/* 4 x 4 screen; palette 0 black, 1 red, 2 green, 3 blue; loop < 0: no
 * NETSCAPE block. */
std::vector<uint8_t> MakeAnimatedGif(const std::vector<Frame>& frames, int loop) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(
        &out,
        [](GifFileType* g, const GifByteType* data, int n) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(g->UserData);
            bytes->insert(bytes->end(), data, data + n);
            return n;
        },
        &error);
    EXPECT_NE(gif, nullptr);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 4, 4, 8, 0, map);
    GifFreeMapObject(map);
    if (loop >= 0) {
        const GifByteType sub[3] = {1, static_cast<GifByteType>(loop), static_cast<GifByteType>(loop >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, sub);
        EGifPutExtensionTrailer(gif);
    }
    for (Frame f : frames) {
        const GifByteType gce[4] = {static_cast<GifByteType>((f.disposal << 2) | (f.transparent >= 0)),
                                    static_cast<GifByteType>(f.delay), static_cast<GifByteType>(f.delay >> 8),
                                    static_cast<GifByteType>(f.transparent >= 0 ? f.transparent : 0)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr);
        for (int y = 0; y < f.height; ++y)
            EGifPutLine(gif, f.indices.data() + y * f.width, f.width);
    }
    EGifCloseFile(gif, &error);
    return out;
}

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;

/* Three frames of 10, 20, 30 hundredths, looped 3 times: a red screen; a
 * 2 x 2 patch with one transparent pixel, disposed to the background; a blue
 * dot. */
const std::vector<Frame> kComposited = {{0, 0, 4, 4, 1, 10, -1, std::vector<uint8_t>(16, 1)},
                                        {1, 1, 2, 2, 2, 20, 3, {2, 3, 2, 2}},
                                        {0, 0, 1, 1, 1, 30, -1, {3}}};
/* Red, then green over the top left to be restored, then a blue dot. */
const std::vector<Frame> kRestored = {{0, 0, 4, 4, 1, 0, -1, std::vector<uint8_t>(16, 1)},
                                      {0, 0, 2, 2, 3, 0, -1, {2, 2, 2, 2}},
                                      {3, 3, 1, 1, 1, 0, -1, {3}}};

TEST(CodecGif, FramesCompositeWithDisposalAndTransparency) {
    /* Frames of an animation composite; a lone image keeps its indices.
     * Index 0 inside that image stays opaque black. */
    const std::pair<cDecodeCase, int> cases[] = {
        /* and the loop count, -1: none */
        {{"first frame", MakeAnimatedGif(kComposited, 3), PixelFormat32bppARGB, {{1, 1, kRed}}, 0}, 3},
        {{"(2,1) transparent: red shows",
          MakeAnimatedGif(kComposited, 3),
          PixelFormat32bppARGB,
          {{1, 1, kGreen}, {2, 1, kRed}, {3, 3, kRed}},
          1},
         3},
        {{"frame 1 disposed to the background",
          MakeAnimatedGif(kComposited, 3),
          PixelFormat32bppARGB,
          {{0, 0, kBlue}, {1, 1, 0}, {2, 2, 0}, {3, 3, kRed}},
          2},
         3},
        {{"restore previous", MakeAnimatedGif(kRestored, -1), PixelFormat32bppARGB, {{0, 0, kRed}, {3, 3, kBlue}}, 2},
         -1},
        {{"single small image",
          MakeAnimatedGif({{1, 1, 2, 2, 0, 0, -1, {1, 2, 3, 0}}}, -1),
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
        gp::raster out;
        EXPECT_EQ(Decode(c.bytes, out, nullptr, info.frame_count), InvalidParameter) << c.name;
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
