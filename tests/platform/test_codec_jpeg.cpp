/* JPEG: lossy round trip within a tolerance, and the EXIF block (the
 * orientation read in both byte orders and applied, hostile offsets). The
 * upright decode of a turned file: the shrink-on-load table. */
#include "codec_exif.h"
#include "codec_test_util.h"
#include "codec_util.h"

#include <gtest/gtest.h>

using namespace codectest;

namespace {

/* A smooth gradient, which JPEG reproduces closely; the sharp two-colour
 * edges of the indexed pattern ring a little. */
TEST(CodecJpeg, HighQualityStaysWithinTolerance) {
    for (PixelFormat format :
         {PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppARGB, PixelFormat1bppIndexed}) {
        const bool indexed = format == PixelFormat1bppIndexed;
        const gp::raster in =
            indexed ? MakePattern(16, 16, format) : Painted(64, 48, format, [](uint32_t x, uint32_t y) {
                return 0xFF000000u | (128 + (x + y) / 4) << 16 | (y * 255 / 48) << 8 | x * 255 / 64;
            });
        gp::image_info info;
        EXPECT_EQ(CompareRasters(in, RoundTrip(u"*.JPG", in, 100, &info), indexed ? 48 : 3), "")
            << "format " << std::hex << format;
        EXPECT_EQ(info.format, PixelFormat24bppRGB);
    }
}

/* 40 x 20: left half red, right half blue; with the EXIF segment after SOI. */
std::vector<uint8_t> MakeOrientedJpeg(uint16_t orientation) {
    const gp::raster halves =
        Painted(40, 20, PixelFormat24bppRGB, [](uint32_t x, uint32_t) { return x < 20 ? 0xFFFF0000u : 0xFF0000FFu; });
    return WithSegment(Encoded(u"*.JPG", halves, 95), ExifSegment(orientation));
}

/* The orientation in either byte order of the EXIF block (Intel "II",
 * Motorola "MM"); a value outside 1..8 or a type other than Short is none. */
TEST(CodecJpeg, ExifOrientationInBothByteOrders) {
    struct cCase {
        bool BigEndian;
        uint8_t Type, Value;
        int Expected;
    };
    for (const cCase& c : {cCase{false, 3, 6, 6}, cCase{true, 3, 6, 6}, cCase{true, 3, 8, 8}, cCase{true, 3, 9, 0},
                           cCase{false, 4, 6, 0}, cCase{true, 3, 0, 0}}) {
        const std::vector<uint8_t> tiff =
            c.BigEndian ? std::vector<uint8_t>{'M',    'M', 0, 42, 0, 0, 0,       8, 0, 1, 0x01, 0x12, 0,
                                               c.Type, 0,   0, 0,  1, 0, c.Value, 0, 0, 0, 0,    0,    0}
                        : std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0,       0, 0, 1, 0, 0x12, 0x01, c.Type,
                                               0,   1,   0,  0, 0, c.Value, 0, 0, 0, 0, 0,    0,    0};
        std::vector<gp::property> properties;
        EXPECT_EQ(gp::exif_read(tiff.data(), tiff.size(), properties), c.Expected)
            << (c.BigEndian ? "MM " : "II ") << int(c.Type) << " " << int(c.Value);
        EXPECT_EQ(properties.size(), c.Expected != 0 ? 1u : 0u);
    }
}

/* Which stored corner each EXIF orientation shows at the top left (the tag
 * names where the stored 0th row and 0th column lie), and the upright size;
 * the opposite corner is the opposite stored corner. */
TEST(CodecJpeg, OrientationTransformPutsTheRightCornerTopLeft) {
    const uint32_t tl = 0xFF000001u, tr = 0xFF000002u, bl = 0xFF000003u, br = 0xFF000004u;
    const uint32_t expected[9] = {0, tl, tr, br, bl, tl, bl, br, tr};
    for (int o = 1; o <= 8; ++o) {
        gp::raster r = Painted(3, 2, PixelFormat32bppARGB, [&](uint32_t x, uint32_t y) {
            const uint32_t corners[2][3] = {{tl, 0, tr}, {bl, 0, br}};
            return corners[y][x];
        });
        ASSERT_EQ(gp::cu_apply_orientation(r, o), Ok);
        EXPECT_EQ(r.width, o >= 5 ? 2u : 3u) << o;
        EXPECT_EQ(PixelAt(r, 0, 0), expected[o]) << "orientation " << o;
        const uint32_t opposite = expected[o] == tl ? br : expected[o] == br ? tl : expected[o] == tr ? bl : tr;
        EXPECT_EQ(PixelAt(r, r.width - 1, r.height - 1), opposite) << "orientation " << o;
    }
}

/* Every byte of the EXIF block set to 0xFF in turn: offsets and counts point
 * anywhere, the image still decodes and nothing is read out of bounds. */
TEST(CodecJpeg, HostileExifOffsetsAreIgnored) {
    const std::vector<uint8_t> good = MakeOrientedJpeg(6);
    for (size_t i = 12; i < ExifSegment(6).size() + 2; ++i) {
        std::vector<uint8_t> bad = good;
        bad[i] = 0xFF;
        gp::raster out;
        gp::image_info info;
        const GpStatus st = Decode(bad, out, &info);
        EXPECT_TRUE(st == Ok || st == GenericError) << "byte " << i << " status " << st;
        EXPECT_TRUE(st != Ok || (info.width == out.width && info.height == out.height)) << i;
    }
}

} // namespace
