/* Our own readers on hand-built files: BMP variants the encoder never
 * writes (RLE, 16-bit, top-down, core and V5 headers), ICO entry choice and
 * masks, TGA types and origins. */
#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

using namespace codectest;

namespace {

struct Bytes {
    std::vector<uint8_t> v;
    Bytes& u8(uint32_t x) { v.push_back(static_cast<uint8_t>(x)); return *this; }
    Bytes& u16(uint32_t x) { return u8(x).u8(x >> 8); }
    Bytes& u32(uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes& raw(std::initializer_list<int> bytes) {
        for (int b : bytes) u8(static_cast<uint32_t>(b));
        return *this;
    }
    Bytes& append(const std::vector<uint8_t>& other) {
        v.insert(v.end(), other.begin(), other.end());
        return *this;
    }
};

/* File header + 40-byte info header; height negative for top-down. */
Bytes BmpHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t compression, uint32_t colours,
                uint32_t offBits) {
    Bytes b;
    b.raw({'B', 'M'}).u32(0).u32(0).u32(offBits);
    b.u32(40).u32(static_cast<uint32_t>(width)).u32(static_cast<uint32_t>(height)).u16(1).u16(bpp);
    b.u32(compression).u32(0).u32(0).u32(0).u32(colours).u32(0);
    return b;
}

TEST(CodecBmp, Rle8WithDeltaEndOfLineAndAbsoluteRun) {
    /* 6 x 3, bottom-up, palette of 4. */
    Bytes b = BmpHeader(6, 3, 8, 1, 4, 14 + 40 + 16);
    b.u32(0x000000).u32(0xFF0000).u32(0x00FF00).u32(0x0000FF);
    b.raw({6, 1, 0, 0});                  /* bottom row: six of index 1 */
    b.raw({0, 3, 2, 3, 2, 0, 0, 0});      /* absolute 2,3,2 (padded), then end of line */
    b.raw({0, 2, 4, 0, 2, 3, 0, 1});      /* delta right 4, two of index 3, end of bitmap */
    gp::raster out;
    gp::image_info info;
    ASSERT_EQ(Decode(b.v, out, &info), Ok);
    ASSERT_EQ(out.format, PixelFormat8bppIndexed);
    const uint8_t expected[3][6] = {{0, 0, 0, 0, 3, 3}, {2, 3, 2, 0, 0, 0}, {1, 1, 1, 1, 1, 1}};
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 6; ++x)
            EXPECT_EQ(out.pixels[y * out.stride + x], expected[y][x]) << x << "," << y;
    EXPECT_EQ(out.palette.size(), 256u); /* padded: every byte value is a valid index */
    EXPECT_EQ(out.palette[2], 0xFF00FF00u);
}

TEST(CodecBmp, RleRunsPastTheEdgeAreDropped) {
    /* 2 x 2: 255-pixel runs and deltas far outside, or an absolute run one
     * pixel too long on the bottom row, which must not spill into the top. */
    for (const std::initializer_list<int> stream : {std::initializer_list<int>{255, 1, 0, 2, 255, 255, 255, 1, 0, 0, 255, 1},
                                                    std::initializer_list<int>{0, 3, 1, 1, 1, 0, 0, 1}}) {
        Bytes b = BmpHeader(2, 2, 8, 1, 2, 14 + 40 + 8);
        b.u32(0).u32(0xFFFFFF).raw(stream);
        gp::raster out;
        ASSERT_EQ(Decode(b.v, out), Ok);
        EXPECT_EQ(out.pixels[0], 0); /* top row (stored first) */
        EXPECT_EQ(out.pixels[1], 0);
        EXPECT_EQ(out.pixels[out.stride], 1);
        EXPECT_EQ(out.pixels[out.stride + 1], 1);
    }
    /* An absolute run longer than the bytes left is a cut file, even on the last row. */
    Bytes cut = BmpHeader(2, 1, 8, 1, 2, 14 + 40 + 8);
    cut.u32(0).u32(0xFFFFFF).raw({0, 5, 1, 1});
    gp::raster out;
    EXPECT_EQ(Decode(cut.v, out), GenericError);
}

/* ---- ICO ---------------------------------------------------------------------- */

/* An icon entry: 40-byte header (height doubled), palette, XOR rows, AND rows. */
std::vector<uint8_t> IconDib(uint32_t size, uint16_t bpp, uint8_t andBits) {
    Bytes d;
    d.u32(40).u32(size).u32(size * 2).u16(1).u16(bpp).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    if (bpp == 8)
        for (uint32_t i = 0; i < 256; ++i)
            d.u32(i == 1 ? 0x00FF0000u : 0u);
    const uint32_t rowBytes = ((size * bpp + 31) / 32) * 4;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t i = 0; i < rowBytes; ++i)
            d.u8(bpp == 8 ? 1 : (i % 4 == 3 ? 0 : 0x40));
    const uint32_t maskBytes = ((size + 31) / 32) * 4;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t i = 0; i < maskBytes; ++i)
            d.u8(i == 0 ? andBits : 0);
    return d.v;
}

std::vector<uint8_t> IconFile(const std::vector<std::vector<uint8_t>>& entries,
                              const std::vector<uint8_t>& dirSizes) {
    Bytes f;
    f.u16(0).u16(1).u16(static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        f.u8(dirSizes[i]).u8(dirSizes[i]).u8(0).u8(0).u16(1).u16(0);
        f.u32(static_cast<uint32_t>(entries[i].size())).u32(offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const auto& e : entries)
        f.append(e);
    return f.v;
}

TEST(CodecIco, PicksLargestThenDeepestAndAppliesTheMask) {
    /* Directory sizes lie (all 0); the headers decide. */
    const std::vector<uint8_t> ico =
        IconFile({IconDib(16, 8, 0x80), IconDib(32, 8, 0x80), IconDib(32, 32, 0)}, {0, 0, 0});
    gp::raster out;
    gp::image_info info;
    ASSERT_EQ(Decode(ico, out, &info), Ok);
    EXPECT_EQ(info.width, 32u);
    EXPECT_EQ(info.format, PixelFormat32bppARGB);
    /* The 32-bit entry has all-zero alpha bytes, so its AND mask (clear) rules. */
    EXPECT_EQ(PixelAt(out, 0, 0), 0xFF404040u);
}

TEST(CodecIco, PngEntryIsDecodedAsArgb) {
    const gp::raster in = MakePattern(20, 20, PixelFormat24bppRGB);
    std::vector<uint8_t> png;
    ASSERT_EQ(Encode(u"*.PNG", in, png), Ok);
    const std::vector<uint8_t> ico = IconFile({IconDib(16, 8, 0), png}, {16, 20});
    gp::raster out;
    gp::image_info info;
    ASSERT_EQ(Decode(ico, out, &info), Ok);
    EXPECT_EQ(info.width, 20u);
    EXPECT_EQ(out.format, PixelFormat32bppARGB);
    EXPECT_EQ(CompareRasters(in, out), "");
}


Bytes TgaHeader(uint8_t type, uint8_t mapType, uint16_t mapLength, uint8_t mapBits, uint16_t w, uint16_t h,
                uint8_t bpp, uint8_t descriptor) {
    Bytes b;
    b.u8(0).u8(mapType).u8(type).u16(0).u16(mapLength).u8(mapBits).u16(0).u16(0);
    b.u16(w).u16(h).u8(bpp).u8(descriptor);
    return b;
}

/* Layouts the encoder never writes: one file each, its decoded format and
 * some pixels (x, y, ARGB). */
struct cReaderCase {
    const char* name;
    std::vector<uint8_t> bytes;
    PixelFormat format;
    std::vector<std::array<uint32_t, 3>> pixels;
};

TEST(CodecReaders, HandBuiltLayoutsDecodeToTheirPixels) {
    Bytes v5;
    v5.raw({'B', 'M'}).u32(0).u32(0).u32(14 + 124);
    v5.u32(124).u32(1).u32(1).u16(1).u16(32).u32(3).u32(4).u32(0).u32(0).u32(0).u32(0);
    v5.u32(0x00FF0000).u32(0x0000FF00).u32(0x000000FF).u32(0xFF000000);
    v5.v.resize(14 + 124, 0);
    Bytes core;
    core.raw({'B', 'M'}).u32(0).u32(0).u32(14 + 12 + 6).u32(12).u16(2).u16(1).u16(1).u16(1);
    core.raw({0, 0, 0, 255, 255, 255, 0x40, 0, 0, 0}); /* 3-byte palette entries */
    Bytes rle4 = BmpHeader(5, 1, 4, 2, 16, 14 + 40 + 64);
    for (int i = 0; i < 16; ++i)
        rle4.u32(static_cast<uint32_t>(i * 0x111111));
    const cReaderCase cases[] = {
        {"bmp rle4 alternates nibbles", rle4.raw({5, 0x12, 0, 1}).v, PixelFormat4bppIndexed,
         {{0, 0, 0xFF111111u}, {1, 0, 0xFF222222u}, {4, 0, 0xFF111111u}}},
        {"bmp 16-bit 555 by default", BmpHeader(2, 1, 16, 0, 0, 14 + 40).u16(0x7C00).u16(0x001F).v,
         PixelFormat24bppRGB, {{0, 0, 0xFFFF0000u}, {1, 0, 0xFF0000FFu}}},
        {"bmp 16-bit 565 bitfields",
         BmpHeader(2, 1, 16, 3, 0, 14 + 40 + 12).u32(0xF800).u32(0x07E0).u32(0x001F).u16(0x07E0).u16(0xF800).v,
         PixelFormat24bppRGB, {{0, 0, 0xFF00FF00u}, {1, 0, 0xFFFF0000u}}},
        {"bmp top-down", BmpHeader(1, -2, 24, 0, 0, 14 + 40).raw({0, 0, 255, 0, 255, 0, 0, 0}).v,
         PixelFormat24bppRGB, {{0, 0, 0xFFFF0000u}, {0, 1, 0xFF0000FFu}}},
        {"bmp core header", core.v, PixelFormat1bppIndexed, {{0, 0, 0xFF000000u}, {1, 0, 0xFFFFFFFFu}}},
        {"bmp v5 alpha mask", v5.raw({0x10, 0x20, 0x30, 0x80}).v, PixelFormat32bppARGB, {{0, 0, 0x80302010u}}},
        {"bmp 2-bit widens",
         BmpHeader(4, 1, 2, 0, 4, 14 + 40 + 16).u32(0).u32(0x111111).u32(0x222222).u32(0x333333).raw({0x1B, 0, 0, 0}).v,
         PixelFormat4bppIndexed, {{0, 0, 0xFF000000u}, {1, 0, 0xFF111111u}, {2, 0, 0xFF222222u}, {3, 0, 0xFF333333u}}},
        /* Run of 3 blue (bottom row), raw red and green, run of one. */
        {"tga rle bottom-up",
         TgaHeader(10, 0, 0, 0, 3, 2, 24, 0).raw({0x82, 255, 0, 0, 0x01, 0, 0, 255, 0, 255, 0, 0x80, 1, 2, 3}).v,
         PixelFormat24bppRGB,
         {{0, 1, 0xFF0000FFu}, {2, 1, 0xFF0000FFu}, {0, 0, 0xFFFF0000u}, {1, 0, 0xFF00FF00u}, {2, 0, 0xFF030201u}}},
        /* Map red, green; right-to-left: the first stored pixel is on the right. */
        {"tga mapped right-to-left", TgaHeader(1, 1, 2, 24, 2, 1, 8, 0x30).raw({0, 0, 255, 0, 255, 0, 0, 1}).v,
         PixelFormat8bppIndexed, {{0, 0, 0xFF00FF00u}, {1, 0, 0xFFFF0000u}}},
        {"tga grey", TgaHeader(3, 0, 0, 0, 2, 1, 8, 0x20).raw({0x10, 0xF0}).v, 0, {{1, 0, 0xFFF0F0F0u}}},
        {"tga alpha kept", TgaHeader(2, 0, 0, 0, 2, 1, 32, 0x28).raw({1, 2, 3, 0x80, 4, 5, 6, 0}).v,
         PixelFormat32bppARGB, {{0, 0, 0x80030201u}, {1, 0, 0x00060504u}}},
        /* AND bit set: transparent (bottom-up row 0). */
        {"ico 8-bit with a mask", IconFile({IconDib(16, 8, 0x80)}, {16}), 0,
         {{0, 15, 0x00FF0000u}, {1, 15, 0xFFFF0000u}}},
        {"tga alpha all zero", TgaHeader(2, 0, 0, 0, 1, 1, 32, 0x28).raw({1, 2, 3, 0}).v, 0, {{0, 0, 0xFF030201u}}},
    };
    for (const cReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        gp::raster out;
        gp::image_info info;
        ASSERT_EQ(Decode(c.bytes, out, &info), Ok);
        if (c.format != 0) {
            EXPECT_EQ(out.format, c.format);
            EXPECT_EQ(info.format, c.format);
        }
        for (const auto& [x, y, argb] : c.pixels)
            EXPECT_EQ(PixelAt(out, x, y), argb) << x << "," << y;
    }
}

/* Text and other signature-less files must not pass for TGA. */
TEST(CodecTga, ImplausibleHeadersAreNotTga) {
    /* Each header is followed by enough bytes for its pixels, so only the
     * header decides. */
    auto padded = [](Bytes b) {
        b.v.resize(b.v.size() + 256, 0);
        return b.v;
    };
    const std::string text = "Hello, this is a plain text file with a few words in it.\n";
    std::vector<uint8_t> emf(256, 0), wmf(256, 0);
    emf[0] = 1;  /* EMF header record type 1 */
    emf[4] = 0x6C;
    wmf[0] = 1;  /* WMF: type 1, header size 9 */
    wmf[2] = 9;
    const std::vector<std::vector<uint8_t>> samples = {
        std::vector<uint8_t>(text.begin(), text.end()),
        padded(TgaHeader(2, 0, 0, 0, 0, 5, 24, 0)),    /* zero width */
        padded(TgaHeader(2, 0, 0, 0, 4, 4, 12, 0)),    /* odd depth */
        padded(TgaHeader(1, 0, 0, 0, 4, 4, 8, 0)),     /* mapped without a map */
        padded(TgaHeader(2, 0, 0, 0, 4, 4, 24, 0xC0)), /* interleaved */
        padded(TgaHeader(5, 0, 0, 0, 4, 4, 24, 0)),    /* unknown type */
        emf,
        wmf,
    };
    ASSERT_NE(SniffDecoder(padded(TgaHeader(2, 0, 0, 0, 4, 4, 24, 0))), nullptr); /* the control */
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(SniffDecoder(samples[i]), nullptr) << "sample " << i;
}

} // namespace
