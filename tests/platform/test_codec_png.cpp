/* PNG variants our encoder never writes, built chunk by chunk: 16-bit
 * samples, grey, low-depth palettes, tRNS colour keys, Adam7 interlacing,
 * and a damaged or missing IDAT. */
#include "codec_test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

using namespace codectest;

namespace {

/* A PNG of w x h with the given depth and colour type; rows holds the
 * filtered scanlines (filter byte first) already in file order. Each chunk
 * gets its CRC. */
std::vector<uint8_t> MakePng(uint32_t w, uint32_t h, uint8_t depth, uint8_t colourType,
                             const std::vector<uint8_t>& rows, uint8_t interlace = 0,
                             const std::vector<std::pair<const char*, std::vector<uint8_t>>>& extra = {}) {
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::vector<uint8_t> z(size);
    EXPECT_EQ(compress2(z.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 9), Z_OK);
    z.resize(size);
    std::vector<std::pair<const char*, std::vector<uint8_t>>> chunks = {
        {"IHDR", Bytes().be32(w).be32(h).raw({depth, colourType, 0, 0, interlace}).v}};
    chunks.insert(chunks.end(), extra.begin(), extra.end());
    chunks.insert(chunks.end(), {{"IDAT", z}, {"IEND", {}}});
    Bytes png;
    png.raw({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    for (const auto& [type, data] : chunks) {
        const size_t at = png.be32(static_cast<uint32_t>(data.size())).v.size();
        png.text(type).append(data);
        png.be32(static_cast<uint32_t>(crc32(0, png.v.data() + at, static_cast<uInt>(data.size() + 4))));
    }
    return png.v;
}

TEST(CodecPng, VariantsDecodeToTheirPixels) {
    const std::vector<uint8_t> plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    std::vector<uint8_t> damaged = MakePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6});
    damaged[33 + 8 + 2] ^= 0x55; /* inside IDAT's zlib stream: the CRC no longer matches */
    const cDecodeCase cases[] = {
        /* (0xFFFF, 0x8000, 0x0000) and (0x1234, 0xABCD, 0x00FF). */
        {"16-bit RGB",
         MakePng(2, 1, 16, 2, {0, 0xFF, 0xFF, 0x80, 0, 0, 0, 0x12, 0x34, 0xAB, 0xCD, 0, 0xFF}),
         PixelFormat24bppRGB,
         {{0, 0, 0xFFFF8000u}, {1, 0, 0xFF12AB01u}}},
        {"16-bit grey + alpha",
         MakePng(1, 1, 16, 4, {0, 0x40, 0x00, 0x80, 0x00}),
         PixelFormat32bppARGB,
         {{0, 0, 0x80404040u}}},
        {"1-bit grey 1, 0, 1",
         MakePng(3, 1, 1, 0, {0, 0xA0}),
         PixelFormat1bppIndexed,
         {{0, 0, 0xFFFFFFFFu}, {1, 0, 0xFF000000u}}},
        {"2-bit grey 3, 1, 2",
         MakePng(3, 1, 2, 0, {0, 0xD8}),
         PixelFormat4bppIndexed,
         {{0, 0, 0xFFFFFFFFu}, {1, 0, 0xFF555555u}, {2, 0, 0xFFAAAAAAu}}},
        {"RGB with a tRNS key",
         MakePng(2, 1, 8, 2, {0, 10, 20, 30, 40, 50, 60}, 0, {{"tRNS", {0, 10, 0, 20, 0, 30}}}),
         PixelFormat32bppARGB,
         {{0, 0, 0}, {1, 0, 0xFF28323Cu}}},
        {"2-bit palette 3, 2, 1, 0, 1",
         MakePng(5, 1, 2, 3, {0, 0xE4, 0x40}, 0, {{"PLTE", plte}, {"tRNS", {255, 128}}}),
         PixelFormat4bppIndexed,
         {{0, 0, 0xFF090909u}, {1, 0, 0xFF0000FFu}, {2, 0, 0x8000FF00u}, {3, 0, 0xFFFF0000u}, {4, 0, 0x8000FF00u}}},
        /* Pass 1 has (0,0), pass 6 (1,0), pass 7 row 1; empty passes have no scanlines. */
        {"Adam7 grey",
         MakePng(2, 2, 8, 0, {0, 10, 0, 20, 0, 30, 40}, 1),
         0,
         {{0, 0, 0xFF0A0A0Au}, {1, 0, 0xFF141414u}, {0, 1, 0xFF1E1E1Eu}, {1, 1, 0xFF282828u}}},
        {"damaged image data", damaged, 0, {}},
        {"no IDAT", std::vector<uint8_t>(damaged.begin(), damaged.begin() + 33), 0, {}},
    };
    for (const cDecodeCase& c : cases) {
        gp::image_info info;
        ExpectDecodes(c, info);
    }
}

} // namespace
