/* GIF: animated files built with giflib (frames, disposal, transparency,
 * delays and loop count) and the encoder's own colour reduction. */
#include "codec_test_util.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

using namespace codectest;

namespace {

int AppendOutput(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

struct Frame {
    int left, top, width, height;
    int disposal;
    int delay;
    int transparent; /* -1: none */
    std::vector<uint8_t> indices;
};

/* 4 x 4 screen; palette 0 black, 1 red, 2 green, 3 blue. */
std::vector<uint8_t> MakeAnimatedGif(const std::vector<Frame>& frames, int loop) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendOutput, &error);
    EXPECT_NE(gif, nullptr);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, 4, 4, 8, 0, map);
    GifFreeMapObject(map);
    if (loop >= 0) {
        const GifByteType netscape[11] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        const GifByteType sub[3] = {1, static_cast<GifByteType>(loop), static_cast<GifByteType>(loop >> 8)};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, netscape);
        EGifPutExtensionBlock(gif, 3, sub);
        EGifPutExtensionTrailer(gif);
    }
    for (const Frame& f : frames) {
        const GifByteType gce[4] = {
            static_cast<GifByteType>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)),
            static_cast<GifByteType>(f.delay), static_cast<GifByteType>(f.delay >> 8),
            static_cast<GifByteType>(f.transparent >= 0 ? f.transparent : 0)};
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr);
        std::vector<uint8_t> pixels = f.indices;
        for (int y = 0; y < f.height; ++y)
            EGifPutLine(gif, pixels.data() + y * f.width, f.width);
    }
    EGifCloseFile(gif, &error);
    return out;
}

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kClear = 0;

TEST(CodecGif, FramesCompositeWithDisposalAndTransparency) {
    const std::vector<uint8_t> gif = MakeAnimatedGif(
        {
            {0, 0, 4, 4, 1, 10, -1, std::vector<uint8_t>(16, 1)},
            {1, 1, 2, 2, 2, 20, 3, {2, 3, 2, 2}}, /* (2,1) transparent: red shows */
            {0, 0, 1, 1, 1, 30, -1, {3}},
        },
        3);
    gp::image_info info;
    gp::raster f0, f1, f2;
    ASSERT_EQ(Decode(gif, f0, &info, 0), Ok);
    EXPECT_EQ(info.frame_count, 3u);
    EXPECT_FALSE(info.frames_are_pages);
    EXPECT_EQ(info.format, PixelFormat32bppARGB);
    EXPECT_EQ(f0.format, PixelFormat32bppARGB);
    EXPECT_EQ(PixelAt(f0, 1, 1), kRed);

    ASSERT_EQ(Decode(gif, f1, nullptr, 1), Ok);
    EXPECT_EQ(PixelAt(f1, 1, 1), kGreen);
    EXPECT_EQ(PixelAt(f1, 2, 1), kRed);
    EXPECT_EQ(PixelAt(f1, 3, 3), kRed);

    ASSERT_EQ(Decode(gif, f2, nullptr, 2), Ok);
    EXPECT_EQ(PixelAt(f2, 0, 0), kBlue);
    EXPECT_EQ(PixelAt(f2, 1, 1), kClear); /* frame 1 was disposed to the (transparent) background */
    EXPECT_EQ(PixelAt(f2, 2, 2), kClear);
    EXPECT_EQ(PixelAt(f2, 3, 3), kRed);

    gp::raster none;
    EXPECT_EQ(Decode(gif, none, nullptr, 3), InvalidParameter);

    const gp::property* delays = FindProperty(info, PropertyTagFrameDelay);
    ASSERT_NE(delays, nullptr);
    EXPECT_EQ(delays->type, PropertyTagTypeLong);
    ASSERT_EQ(delays->value.size(), 12u);
    EXPECT_EQ(delays->value[0], 10);
    EXPECT_EQ(delays->value[4], 20);
    EXPECT_EQ(delays->value[8], 30);
    const gp::property* loop = FindProperty(info, PropertyTagLoopCount);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->type, PropertyTagTypeShort);
    ASSERT_EQ(loop->value.size(), 2u);
    EXPECT_EQ(loop->value[0], 3);
}

TEST(CodecGif, RestorePreviousBringsBackTheEarlierCanvas) {
    const std::vector<uint8_t> gif = MakeAnimatedGif(
        {
            {0, 0, 4, 4, 1, 0, -1, std::vector<uint8_t>(16, 1)},
            {0, 0, 2, 2, 3, 0, -1, {2, 2, 2, 2}},
            {3, 3, 1, 1, 1, 0, -1, {3}},
        },
        -1);
    gp::raster f2;
    gp::image_info info;
    ASSERT_EQ(Decode(gif, f2, &info, 2), Ok);
    EXPECT_EQ(PixelAt(f2, 0, 0), kRed);
    EXPECT_EQ(PixelAt(f2, 3, 3), kBlue);
    EXPECT_EQ(FindProperty(info, PropertyTagLoopCount), nullptr);
}

TEST(CodecGif, SingleSmallImageKeepsIndicesAndUncoveredPixelsAreTransparent) {
    const std::vector<uint8_t> gif = MakeAnimatedGif({{1, 1, 2, 2, 0, 0, -1, {1, 2, 3, 0}}}, -1);
    gp::raster out;
    gp::image_info info;
    ASSERT_EQ(Decode(gif, out, &info), Ok);
    EXPECT_EQ(info.frame_count, 1u);
    EXPECT_EQ(out.format, PixelFormat8bppIndexed);
    EXPECT_EQ(PixelAt(out, 1, 1), kRed);
    EXPECT_EQ(PixelAt(out, 1, 2), kBlue);
    EXPECT_EQ(PixelAt(out, 0, 0) >> 24, 0u);
    EXPECT_EQ(PixelAt(out, 2, 2), 0xFF000000u); /* index 0 inside the image stays opaque black */
}

/* A photo-like image with far more than 256 colours: the reduced palette is
 * adaptive (mean error small) and alpha below half becomes transparent. */
TEST(CodecGif, EncoderReducesManyColoursAdaptively) {
    gp::raster in = MakePattern(64, 64, PixelFormat32bppARGB);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            uint8_t* p = in.pixels.data() + size_t{y} * in.stride + size_t{x} * 4;
            p[0] = static_cast<uint8_t>(x * 4);
            p[1] = static_cast<uint8_t>(y * 4);
            p[2] = static_cast<uint8_t>(200 - x - y);
            p[3] = x < 8 ? 40 : 255;
        }
    std::vector<uint8_t> bytes;
    ASSERT_EQ(Encode(u"*.GIF", in, bytes), Ok);
    gp::raster out;
    ASSERT_EQ(Decode(bytes, out), Ok);
    ASSERT_EQ(out.format, PixelFormat8bppIndexed);
    uint64_t error = 0, counted = 0;
    std::set<uint32_t> used;
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const uint32_t a = PixelAt(in, x, y), b = PixelAt(out, x, y);
            if (x < 8) {
                EXPECT_EQ(b >> 24, 0u) << x << "," << y;
                continue;
            }
            EXPECT_EQ(b >> 24, 255u);
            used.insert(b);
            for (int s = 0; s < 24; s += 8)
                error += static_cast<uint64_t>(std::abs(int((a >> s) & 255) - int((b >> s) & 255)));
            counted += 3;
        }
    EXPECT_GT(used.size(), 128u);
    EXPECT_LT(static_cast<double>(error) / static_cast<double>(counted), 4.0);
}

TEST(CodecGif, FewColoursAreKeptExactly) {
    gp::raster in = MakePattern(10, 10, PixelFormat24bppRGB);
    for (uint32_t y = 0; y < 10; ++y)
        for (uint32_t x = 0; x < 10; ++x) {
            uint8_t* p = in.pixels.data() + size_t{y} * in.stride + size_t{x} * 3;
            p[0] = static_cast<uint8_t>((x % 3) * 100 + 1);
            p[1] = static_cast<uint8_t>(y * 25 + 3);
            p[2] = 77;
        }
    std::vector<uint8_t> bytes;
    ASSERT_EQ(Encode(u"*.GIF", in, bytes), Ok);
    gp::raster out;
    ASSERT_EQ(Decode(bytes, out), Ok);
    EXPECT_EQ(CompareRasters(in, out), "");
}

} // namespace
