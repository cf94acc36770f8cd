/* JPEG: lossy round trip within a tolerance, size against quality, and the
 * EXIF block (orientation applied at decode, properties, hostile offsets). */
#include "codec_test_util.h"
#include "codec_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace codectest;

namespace {

const char16_t* const kJpeg = u"*.JPG;*.JPEG;*.JPE;*.JFIF";

/* A smooth 24-bit gradient, which JPEG reproduces closely. */
gp::raster MakeGradient(uint32_t width, uint32_t height, PixelFormat format = PixelFormat24bppRGB) {
    gp::raster r = MakePattern(width, height, format);
    const uint32_t pb = GetPixelFormatSize(format) / 8;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = r.pixels.data() + size_t{y} * r.stride + size_t{x} * pb;
            p[0] = static_cast<uint8_t>(x * 255 / width);
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = static_cast<uint8_t>(128 + (x + y) / 4);
            if (pb == 4)
                p[3] = 255;
        }
    return r;
}

/* Sharp two-colour edges of the indexed pattern ring a little. */
TEST(CodecJpeg, HighQualityStaysWithinTolerance) {
    for (PixelFormat format :
         {PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppARGB, PixelFormat1bppIndexed}) {
        const bool indexed = format == PixelFormat1bppIndexed;
        const gp::raster in = indexed ? MakePattern(16, 16, format) : MakeGradient(64, 48, format);
        std::vector<uint8_t> bytes;
        ASSERT_EQ(Encode(kJpeg, in, bytes, 100), Ok);
        gp::raster out;
        gp::image_info info;
        ASSERT_EQ(Decode(bytes, out, &info), Ok);
        EXPECT_EQ(info.format, PixelFormat24bppRGB);
        EXPECT_EQ(CompareRasters(in, out, indexed ? 48 : 3), "") << "format " << std::hex << format;
    }
}

TEST(CodecJpeg, SizeGrowsWithQualityAndDefaultIs75) {
    const gp::raster in = MakePattern(96, 64, PixelFormat24bppRGB);
    size_t previous = 0;
    for (int quality : {0, 25, 48, 66, 84, 100}) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(Encode(kJpeg, in, bytes, quality), Ok);
        EXPECT_GT(bytes.size(), previous) << "quality " << quality;
        previous = bytes.size();
    }
    std::vector<uint8_t> byDefault, at75;
    ASSERT_EQ(Encode(kJpeg, in, byDefault), Ok);
    ASSERT_EQ(Encode(kJpeg, in, at75, 75), Ok);
    EXPECT_EQ(byDefault, at75);
    EXPECT_EQ(Encode(kJpeg, in, at75, 101), InvalidParameter);
}

/* APP1 "Exif" segment, little-endian TIFF block: IFD0 with Make, Orientation
 * and a pointer to an EXIF IFD holding DateTimeOriginal. */
std::vector<uint8_t> MakeExifSegment(uint16_t orientation) {
    std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](uint32_t v) { t.push_back(v & 255); t.push_back((v >> 8) & 255); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    u16(3);                                  /* IFD0 at 8: 3 entries, ends at 8+2+36+4 = 50 */
    u16(0x010F); u16(2); u32(6); u32(50);    /* Make "Canon" at 50 */
    u16(0x0112); u16(3); u32(1); u16(orientation); u16(0);
    u16(0x8769); u16(4); u32(1); u32(56);    /* EXIF IFD at 56 */
    u32(0);
    for (char c : std::string("Canon")) t.push_back(static_cast<uint8_t>(c));
    t.push_back(0);
    u16(1);                                  /* EXIF IFD: 1 entry, ends at 56+2+12+4 = 74 */
    u16(0x9003); u16(2); u32(20); u32(74);
    u32(0);
    for (char c : std::string("2024:05:06 07:08:09")) t.push_back(static_cast<uint8_t>(c));
    t.push_back(0);
    std::vector<uint8_t> seg = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    seg.insert(seg.end(), t.begin(), t.end());
    const size_t length = seg.size() - 2;
    seg[2] = static_cast<uint8_t>(length >> 8);
    seg[3] = static_cast<uint8_t>(length);
    return seg;
}

/* 40 x 20: left half red, right half blue; with the EXIF segment after SOI. */
std::vector<uint8_t> MakeOrientedJpeg(uint16_t orientation) {
    gp::raster in = MakePattern(40, 20, PixelFormat24bppRGB);
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 0; x < 40; ++x) {
            uint8_t* p = in.pixels.data() + size_t{y} * in.stride + size_t{x} * 3;
            p[0] = x < 20 ? 0 : 255;
            p[1] = 0;
            p[2] = x < 20 ? 255 : 0;
        }
    std::vector<uint8_t> bytes;
    EXPECT_EQ(Encode(kJpeg, in, bytes, 95), Ok);
    const std::vector<uint8_t> seg = MakeExifSegment(orientation);
    bytes.insert(bytes.begin() + 2, seg.begin(), seg.end());
    return bytes;
}

TEST(CodecJpeg, Orientation6GivesAnUprightImageAndProperties) {
    const std::vector<uint8_t> bytes = MakeOrientedJpeg(6);
    gp::raster out;
    gp::image_info info;
    ASSERT_EQ(Decode(bytes, out, &info), Ok);
    EXPECT_EQ(info.width, 20u);
    EXPECT_EQ(info.height, 40u);
    ASSERT_EQ(out.width, 20u);
    ASSERT_EQ(out.height, 40u);
    /* Turned a quarter clockwise: the left (red) half is now on top. */
    const uint32_t top = PixelAt(out, 10, 5), bottom = PixelAt(out, 10, 34);
    EXPECT_GT((top >> 16) & 255, 200u) << std::hex << top;
    EXPECT_LT(top & 255, 60u) << std::hex << top;
    EXPECT_GT(bottom & 255, 200u) << std::hex << bottom;

    const gp::property* o = FindProperty(info, PropertyTagOrientation);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->type, PropertyTagTypeShort);
    ASSERT_EQ(o->value.size(), 2u);
    EXPECT_EQ(o->value[0], 6);
    const gp::property* make = FindProperty(info, PropertyTagEquipMake);
    ASSERT_NE(make, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(make->value.data())), "Canon");
    const gp::property* date = FindProperty(info, PropertyTagExifDTOrig);
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->value.size(), 20u);
    EXPECT_EQ(date->type, PropertyTagTypeASCII);
}

/* Which stored corner each EXIF orientation shows at the top left (the tag
 * names where the stored 0th row and 0th column lie), and the upright size. */
TEST(CodecJpeg, OrientationTransformPutsTheRightCornerTopLeft) {
    const uint32_t tl = 0xFF000001u, tr = 0xFF000002u, bl = 0xFF000003u, br = 0xFF000004u;
    const uint32_t expected[9] = {0, tl, tr, br, bl, tl, bl, br, tr};
    for (int o = 1; o <= 8; ++o) {
        gp::raster r = MakePattern(3, 2, PixelFormat32bppARGB);
        auto put = [&](uint32_t x, uint32_t y, uint32_t c) {
            std::memcpy(r.pixels.data() + y * r.stride + x * 4, &c, 4);
        };
        put(0, 0, tl);
        put(2, 0, tr);
        put(0, 1, bl);
        put(2, 1, br);
        ASSERT_EQ(gp::cu_apply_orientation(r, o), Ok);
        EXPECT_EQ(r.width, o >= 5 ? 2u : 3u) << o;
        EXPECT_EQ(PixelAt(r, 0, 0), expected[o]) << "orientation " << o;
        /* The opposite corner is the opposite stored corner. */
        const uint32_t opposite = expected[o] == tl ? br : expected[o] == br ? tl : expected[o] == tr ? bl : tr;
        EXPECT_EQ(PixelAt(r, r.width - 1, r.height - 1), opposite) << "orientation " << o;
    }
}

/* Every byte of the EXIF block set to 0xFF in turn: offsets and counts point
 * anywhere, the image still decodes and nothing is read out of bounds. */
TEST(CodecJpeg, HostileExifOffsetsAreIgnored) {
    const std::vector<uint8_t> good = MakeOrientedJpeg(6);
    const size_t exifEnd = MakeExifSegment(6).size() + 2;
    for (size_t i = 12; i < exifEnd; ++i) {
        std::vector<uint8_t> bad = good;
        bad[i] = 0xFF;
        gp::raster out;
        gp::image_info info;
        const GpStatus st = Decode(bad, out, &info);
        EXPECT_TRUE(st == Ok || st == GenericError) << "byte " << i << " status " << st;
        if (st == Ok) {
            EXPECT_EQ(info.width, out.width) << i;
            EXPECT_EQ(info.height, out.height) << i;
        }
    }
}

} // namespace
