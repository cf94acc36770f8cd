/* Encode then decode through the codec tables: lossless formats give back
 * every pixel exactly, in the format the file type can carry. */
#include "codec_test_util.h"
#include "codec_util.h"
#include "gp_formats.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace codectest;

namespace {

constexpr PixelFormat k1 = PixelFormat1bppIndexed, k4 = PixelFormat4bppIndexed, k8 = PixelFormat8bppIndexed,
                      k24 = PixelFormat24bppRGB, k32 = PixelFormat32bppRGB, kA = PixelFormat32bppARGB;

/* Odd widths exercise row padding and partial bytes of packed indices.
 * PNG and TIFF store 32bppRGB as 24-bit; GIF gives every depth as 8-bit. */
TEST(CodecRoundTrip, PixelsComeBackExactly) {
    const std::tuple<PixelFormat, uint32_t, uint32_t> shapes[] = {{k1, 19, 7},   {k4, 13, 9},  {k8, 31, 17},
                                                                  {k24, 33, 21}, {k32, 17, 5}, {kA, 29, 11}};
    for (const char16_t* pattern : {u"*.PNG", u"*.BMP", u"*.TIF", u"*.GIF"})
        for (const auto& [format, width, height] : shapes) {
            const bool gif = pattern[2] == u'G';
            if (gif && GetPixelFormatSize(format) > 8)
                continue;
            const PixelFormat expected = gif ? k8 : (format == k32 && pattern[2] != u'B' ? k24 : format);
            SCOPED_TRACE(std::string(pattern + 2, pattern + 5) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            const gp::raster in = MakePattern(width, height, format);
            gp::image_info info;
            const gp::raster out = RoundTrip(pattern, in, -1, &info);
            EXPECT_EQ(info.width, width);
            EXPECT_EQ(info.height, height);
            EXPECT_EQ(info.format, expected);
            EXPECT_EQ(out.format, expected);
            EXPECT_EQ(CompareRasters(in, out), "");
        }
}

/* Palette entries with alpha survive PNG (tRNS) and, as one transparent
 * index, GIF. */
TEST(CodecRoundTrip, PaletteAlphaSurvivesPngAndGif) {
    gp::raster in = MakePattern(16, 8, PixelFormat8bppIndexed);
    in.palette[7] = 0x00000000u;
    in.palette[9] = 0x80112233u;
    const gp::raster png = RoundTrip(u"*.PNG", in);
    EXPECT_EQ(CompareRasters(in, png), "");
    EXPECT_TRUE(png.palette_flags & PaletteFlagsHasAlpha);
    in.palette[9] = 0xFF112233u;
    EXPECT_EQ(CompareRasters(in, RoundTrip(u"*.GIF", in)), "");
}

/* The row copy every codec uses between R, G, B order and ours: alpha is
 * copied only into 4-byte pixels, and premultiplied colour is divided by it
 * again, to the nearest value and at most 255 (alpha 0 leaves it alone). */
TEST(CodecRoundTrip, RedAndBlueSwapWithAlphaKeptOrDividedOut) {
    const uint8_t from[12] = {10, 20, 30, 128, 200, 100, 50, 0, 250, 90, 9, 100};
    const struct {
        uint32_t fromStep, toStep;
        bool premultiplied;
        std::vector<uint8_t> expected;
    } cases[] = {{3, 3, false, {30, 20, 10, 100, 200, 128, 250, 0, 50}},
                 {4, 3, true, {30, 20, 10, 50, 100, 200, 9, 90, 250}},
                 {4, 4, false, {30, 20, 10, 128, 50, 100, 200, 0, 9, 90, 250, 100}},
                 {4, 4, true, {60, 40, 20, 128, 50, 100, 200, 0, 23, 230, 255, 100}}};
    for (const auto& c : cases) {
        std::vector<uint8_t> to(c.expected.size());
        gp::cu_swap_red_blue(from, c.fromStep, to.data(), c.toStep, 3, c.premultiplied);
        EXPECT_EQ(to, c.expected) << c.fromStep << " to " << c.toStep << (c.premultiplied ? " premultiplied" : "");
    }
}

// Each format the table marks as written has exactly one encoder, and every
// encoder belongs to such a format: the Save menu offers nothing unwritable.
TEST(FormatTable, WrittenFormatsAndEncodersMatch) {
    size_t formatCount = 0, encoderCount = 0;
    const gp::image_format* formats = gp::image_formats(formatCount);
    const gp::encoder* encoders = gp::encoder_table(encoderCount);
    for (size_t i = 0; i < formatCount; ++i) {
        int found = 0;
        for (size_t e = 0; e < encoderCount; ++e)
            found += gp::format_by_code(encoders[e].format_code) == &formats[i];
        EXPECT_EQ(found, (formats[i].flags & gp::format_write) ? 1 : 0) << formats[i].code;
    }
    for (size_t e = 0; e < encoderCount; ++e) {
        const gp::image_format* format = gp::format_by_code(encoders[e].format_code);
        ASSERT_NE(format, nullptr) << encoders[e].format_code;
        EXPECT_TRUE(format->flags & gp::format_write) << format->code;
    }
}

} // namespace
