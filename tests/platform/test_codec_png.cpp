/* PNG variants our encoder never writes, built chunk by chunk: 16-bit
 * samples, grey, low-depth palettes, tRNS colour keys, Adam7 interlacing,
 * and a damaged IDAT. */
#include "codec_test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <string>

using namespace codectest;

namespace {

void PutBe32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8)
        v.push_back(static_cast<uint8_t>(x >> s));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBe32(png, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBe32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

/* A PNG of w x h with the given depth and colour type; rows holds the
 * filtered scanlines (filter byte first) already in file order. */
std::vector<uint8_t> MakePng(uint32_t w, uint32_t h, uint8_t depth, uint8_t colourType,
                             const std::vector<uint8_t>& rows, uint8_t interlace = 0,
                             const std::vector<std::pair<const char*, std::vector<uint8_t>>>& extra = {}) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    PutBe32(ihdr, w);
    PutBe32(ihdr, h);
    ihdr.insert(ihdr.end(), {depth, colourType, 0, 0, interlace});
    Chunk(png, "IHDR", ihdr);
    for (const auto& [type, data] : extra)
        Chunk(png, type, data);
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::vector<uint8_t> z(size);
    EXPECT_EQ(compress2(z.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 9), Z_OK);
    z.resize(size);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

/* Each file's decoded format and some pixels (x, y, ARGB; 0 = any
 * transparent pixel). An indexed result flags palette alpha exactly when a
 * listed pixel is translucent. */
struct cPngCase {
    const char* name;
    std::vector<uint8_t> png;
    PixelFormat format;
    std::vector<std::array<uint32_t, 3>> pixels;
};

TEST(CodecPng, VariantsDecodeToTheirPixels) {
    const std::vector<uint8_t> plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    const cPngCase cases[] = {
        /* (0xFFFF, 0x8000, 0x0000) and (0x1234, 0xABCD, 0x00FF). */
        {"16-bit RGB", MakePng(2, 1, 16, 2, {0, 0xFF, 0xFF, 0x80, 0, 0, 0, 0x12, 0x34, 0xAB, 0xCD, 0, 0xFF}),
         PixelFormat24bppRGB, {{0, 0, 0xFFFF8000u}, {1, 0, 0xFF12AB01u}}},
        {"16-bit grey + alpha", MakePng(1, 1, 16, 4, {0, 0x40, 0x00, 0x80, 0x00}), PixelFormat32bppARGB,
         {{0, 0, 0x80404040u}}},
        {"1-bit grey 1, 0, 1", MakePng(3, 1, 1, 0, {0, 0xA0}), PixelFormat1bppIndexed,
         {{0, 0, 0xFFFFFFFFu}, {1, 0, 0xFF000000u}}},
        {"2-bit grey 3, 1, 2", MakePng(3, 1, 2, 0, {0, 0xD8}), PixelFormat4bppIndexed,
         {{0, 0, 0xFFFFFFFFu}, {1, 0, 0xFF555555u}, {2, 0, 0xFFAAAAAAu}}},
        {"RGB with a tRNS key", MakePng(2, 1, 8, 2, {0, 10, 20, 30, 40, 50, 60}, 0, {{"tRNS", {0, 10, 0, 20, 0, 30}}}),
         PixelFormat32bppARGB, {{0, 0, 0}, {1, 0, 0xFF28323Cu}}},
        {"2-bit palette 3, 2, 1, 0, 1", MakePng(5, 1, 2, 3, {0, 0xE4, 0x40}, 0, {{"PLTE", plte}, {"tRNS", {255, 128}}}),
         PixelFormat4bppIndexed,
         {{0, 0, 0xFF090909u}, {1, 0, 0xFF0000FFu}, {2, 0, 0x8000FF00u}, {3, 0, 0xFFFF0000u}, {4, 0, 0x8000FF00u}}},
        /* Pass 1 has (0,0), pass 6 (1,0), pass 7 row 1; empty passes have no scanlines. */
        {"Adam7 grey", MakePng(2, 2, 8, 0, {0, 10, 0, 20, 0, 30, 40}, 1), 0,
         {{0, 0, 0xFF0A0A0Au}, {1, 0, 0xFF141414u}, {0, 1, 0xFF1E1E1Eu}, {1, 1, 0xFF282828u}}},
    };
    for (const cPngCase& c : cases) {
        SCOPED_TRACE(c.name);
        gp::raster out;
        gp::image_info info;
        ASSERT_EQ(Decode(c.png, out, &info), Ok);
        if (c.format != 0) {
            EXPECT_EQ(info.format, c.format);
        }
        bool translucent = false;
        for (const auto& [x, y, argb] : c.pixels) {
            translucent = translucent || argb >> 24 != 255;
            EXPECT_EQ(argb == 0 ? PixelAt(out, x, y) >> 24 : PixelAt(out, x, y), argb) << x << "," << y;
        }
        if (GetPixelFormatSize(out.format) <= 8) {
            EXPECT_EQ((out.palette_flags & PaletteFlagsHasAlpha) != 0, translucent);
        }
    }
}

TEST(CodecPng, DamagedImageDataFails) {
    std::vector<uint8_t> png = MakePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6});
    const size_t idat = std::string(png.begin(), png.end()).find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    png[idat + 6] ^= 0x55; /* inside the zlib stream: the CRC no longer matches */
    gp::raster out;
    EXPECT_EQ(Decode(png, out), GenericError);
    /* Missing IDAT altogether. */
    std::vector<uint8_t> headerOnly(png.begin(), png.begin() + 33);
    EXPECT_EQ(Decode(headerOnly, out), GenericError);
}

} // namespace
