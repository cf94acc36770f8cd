/* Our own readers on hand-built files: BMP variants the encoder never
 * writes (RLE, 16-bit, top-down, core and V5 headers), ICO entry choice and
 * masks, TGA types and origins. */
#include "codec_test_util.h"

#include <gtest/gtest.h>

using namespace codectest;

namespace {

/* Layouts the encoder never writes; an indexed result has a palette entry
 * for every byte value. */
TEST(CodecReaders, HandBuiltLayoutsDecodeToTheirPixels) {
    Bytes v5 = BmpHeader(1, 1, 32, 3, 0, 14 + 124).put(14, 4, 124).put(34, 4, 4); /* V5: 124 bytes */
    v5.u32(0x00FF0000).u32(0x0000FF00).u32(0x000000FF).u32(0xFF000000).v.resize(14 + 124, 0);
    Bytes core;
    core.raw({'B', 'M'}).u32(0).u32(0).u32(14 + 12 + 6).u32(12).u16(2).u16(1).u16(1).u16(1);
    core.raw({0, 0, 0, 255, 255, 255, 0x40, 0, 0, 0}); /* 3-byte palette entries */
    Bytes rle4 = BmpHeader(5, 1, 4, 2, 16, 14 + 40 + 64);
    for (int i = 0; i < 16; ++i)
        rle4.u32(static_cast<uint32_t>(i * 0x111111));
    const auto rle8 = [](int w, int h, std::initializer_list<int> stream) {
        return BmpHeader(w, h, 8, 1, 4, 14 + 40 + 16).u32(0).u32(0xFFFFFF).u32(0x00FF00).u32(0x0000FF).raw(stream).v;
    };
    const uint32_t k = 0xFF000000u, w = 0xFFFFFFFFu, g = 0xFF00FF00u, b = 0xFF0000FFu;
    const gp::raster pattern = MakePattern(20, 20, PixelFormat24bppRGB);
    const std::vector<uint8_t> png = Encoded(u"*.PNG", pattern);
    const cDecodeCase cases[] = {
        /* 6 x 3, bottom-up: six of index 1; absolute 2,3,2 (padded), end of
         * line; delta right 4, two of index 3, end of bitmap. */
        {"bmp rle8 delta, end of line, absolute run",
         rle8(6, 3, {6, 1, 0, 0, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 4, 0, 2, 3, 0, 1}),
         PixelFormat8bppIndexed,
         {{0, 2, w}, {5, 2, w}, {0, 1, g}, {1, 1, b}, {2, 1, g}, {3, 1, k}, {3, 0, k}, {4, 0, b}, {5, 0, b}}},
        /* 2 x 2: 255-pixel runs and deltas far outside, or an absolute run one
         * pixel too long on the bottom row, which must not spill into the top. */
        {"bmp rle8 runs past the edge",
         rle8(2, 2, {255, 1, 0, 2, 255, 255, 255, 1, 0, 0, 255, 1}),
         0,
         {{0, 0, k}, {1, 0, k}, {0, 1, w}, {1, 1, w}}},
        {"bmp rle8 absolute run past the edge",
         rle8(2, 2, {0, 3, 1, 1, 1, 0, 0, 1}),
         0,
         {{0, 0, k}, {1, 0, k}, {0, 1, w}, {1, 1, w}}},
        /* An absolute run longer than the bytes left, even on the last row;
         * a stream that stops before the last row. */
        {"bmp rle8 cut absolute run", rle8(2, 1, {0, 5, 1, 1}), 0, {}},
        {"bmp rle8 ends early", rle8(2, 2, {2, 1}), 0, {}},
        {"bmp rle4 alternates nibbles",
         rle4.raw({5, 0x12, 0, 1}).v,
         PixelFormat4bppIndexed,
         {{0, 0, 0xFF111111u}, {1, 0, 0xFF222222u}, {4, 0, 0xFF111111u}}},
        {"bmp 16-bit 555 by default",
         BmpHeader(2, 1, 16, 0, 0, 14 + 40).u16(0x7C00).u16(0x001F).v,
         PixelFormat24bppRGB,
         {{0, 0, 0xFFFF0000u}, {1, 0, b}}},
        {"bmp 16-bit 565 bitfields",
         BmpHeader(2, 1, 16, 3, 0, 14 + 40 + 12).u32(0xF800).u32(0x07E0).u32(0x001F).u16(0x07E0).u16(0xF800).v,
         PixelFormat24bppRGB,
         {{0, 0, g}, {1, 0, 0xFFFF0000u}}},
        {"bmp top-down",
         BmpHeader(1, -2, 24, 0, 0, 14 + 40).raw({0, 0, 255, 0, 255, 0, 0, 0}).v,
         PixelFormat24bppRGB,
         {{0, 0, 0xFFFF0000u}, {0, 1, b}}},
        {"bmp core header", core.v, PixelFormat1bppIndexed, {{0, 0, k}, {1, 0, w}}},
        {"bmp v5 alpha mask", v5.raw({0x10, 0x20, 0x30, 0x80}).v, PixelFormat32bppARGB, {{0, 0, 0x80302010u}}},
        {"bmp 2-bit widens",
         BmpHeader(4, 1, 2, 0, 4, 14 + 40 + 16).u32(0).u32(0x111111).u32(0x222222).u32(0x333333).raw({0x1B, 0, 0, 0}).v,
         PixelFormat4bppIndexed,
         {{0, 0, k}, {1, 0, 0xFF111111u}, {2, 0, 0xFF222222u}, {3, 0, 0xFF333333u}}},
        /* Run of 3 blue (bottom row), raw red and green, run of one. */
        {"tga rle bottom-up",
         TgaHeader(10, 0, 0, 0, 3, 2, 24, 0).raw({0x82, 255, 0, 0, 0x01, 0, 0, 255, 0, 255, 0, 0x80, 1, 2, 3}).v,
         PixelFormat24bppRGB,
         {{0, 1, b}, {2, 1, b}, {0, 0, 0xFFFF0000u}, {1, 0, g}, {2, 0, 0xFF030201u}}},
        /* A run, or a raw packet, longer than the pixels left in the image. */
        {"tga rle run past the last pixel", TgaHeader(10, 0, 0, 0, 2, 1, 24, 0).raw({0x82, 1, 2, 3}).v, 0, {}},
        {"tga rle raw packet past the last pixel",
         TgaHeader(10, 0, 0, 0, 2, 1, 24, 0).raw({0x00, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}).v,
         0,
         {}},
        /* Map red, green; right-to-left: the first stored pixel is on the right. */
        {"tga mapped right-to-left",
         TgaHeader(1, 1, 2, 24, 2, 1, 8, 0x30).raw({0, 0, 255, 0, 255, 0, 0, 1}).v,
         PixelFormat8bppIndexed,
         {{0, 0, g}, {1, 0, 0xFFFF0000u}}},
        {"tga grey", TgaHeader(3, 0, 0, 0, 2, 1, 8, 0x20).raw({0x10, 0xF0}).v, 0, {{1, 0, 0xFFF0F0F0u}}},
        {"tga alpha kept",
         TgaHeader(2, 0, 0, 0, 2, 1, 32, 0x28).raw({1, 2, 3, 0x80, 4, 5, 6, 0}).v,
         PixelFormat32bppARGB,
         {{0, 0, 0x80030201u}, {1, 0, 0x00060504u}}},
        {"tga alpha all zero", TgaHeader(2, 0, 0, 0, 1, 1, 32, 0x28).raw({1, 2, 3, 0}).v, 0, {{0, 0, 0xFF030201u}}},
        /* AND bit set: transparent (bottom-up row 0). */
        {"ico 8-bit with a mask",
         IconFile({IconDib(16, 8, 0x80)}, {16}),
         0,
         {{0, 15, 0x00FF0000u}, {1, 15, 0xFFFF0000u}}},
        /* Directory sizes lie (all 0); the headers decide. The 32-bit entry
         * has all-zero alpha bytes, so its AND mask (clear) rules. */
        {"ico picks the largest, then the deepest",
         IconFile({IconDib(16, 8, 0x80), IconDib(32, 8, 0x80), IconDib(32, 32, 0)}, {0, 0, 0}),
         PixelFormat32bppARGB,
         {{0, 0, 0xFF404040u}, {31, 31, 0xFF404040u}}},
        {"ico png entry",
         IconFile({IconDib(16, 8, 0), png}, {16, 20}),
         PixelFormat32bppARGB,
         {{0, 0, PixelAt(pattern, 0, 0)}, {19, 19, PixelAt(pattern, 19, 19)}, {7, 12, PixelAt(pattern, 7, 12)}}},
    };
    for (const cDecodeCase& c : cases) {
        gp::image_info info;
        ExpectDecodes(c, info, true);
    }
}

} // namespace
