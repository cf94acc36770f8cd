/* HEIC, AVIF, WebP and JPEG XL input, WebP, AVIF and JPEG XL output: files
 * made by the libraries' own encoders, decoded through the table as the
 * loader does. */
#include "ModernImages.h"
#include "codec_test_util.h"
#include "codec_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using namespace codectest;

namespace {

std::vector<uint8_t> ReadFile(const char* sPath) {
    std::ifstream in(sPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

enum class eKind { Heic, Avif, WebP, Jxl };

/* Turn: irot/imir, HEIF only; Exif: EXIF orientation, 0 = none; Upright: the
 * orientation the pixels must come out of (JPEG XL: the one in its header);
 * Linear: JPEG XL in linear-light sRGB, which comes with a profile. */
struct cModernCase {
    const char* Name;
    eKind Kind;
    bool Alpha;
    heif_orientation Turn;
    int Exif, Upright;
    bool Linear = false;
};

std::vector<uint8_t> EncodeCase(const cModernCase& c, int lWidth, int lHeight) {
    switch (c.Kind) {
    case eKind::WebP: return modern::EncodeWebP(lWidth, lHeight, c.Alpha, c.Exif);
    case eKind::Jxl: return modern::EncodeJxl(lWidth, lHeight, c.Alpha, c.Upright, c.Linear);
    default:
        return modern::EncodeHeif(c.Kind == eKind::Heic ? heif_compression_HEVC : heif_compression_AV1, lWidth, lHeight,
                                  c.Alpha, c.Turn, c.Exif);
    }
}

/* The quadrant picture as it must look once upright. */
gp::raster Expected(int lWidth, int lHeight, bool bAlpha, int iOrientation) {
    gp::raster r = MakePattern(uint32_t(lWidth), uint32_t(lHeight), PixelFormat32bppARGB);
    r.pixels = modern::QuadrantPixels(lWidth, lHeight, bAlpha); /* rows of 4 * lWidth bytes, as r's */
    EXPECT_EQ(gp::cu_apply_orientation(r, iOrientation), Ok);
    return r;
}

/* Compares the centres of the four quadrants (lossy coding blurs the seams). */
void ExpectQuadrants(const gp::raster& got, const gp::raster& want, bool bAlpha) {
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    EXPECT_EQ(got.format, bAlpha ? PixelFormat32bppARGB : PixelFormat24bppRGB);
    for (uint32_t q = 0; q < 4; ++q) {
        const uint32_t x = got.width * (1 + 2 * (q % 2)) / 4, y = got.height * (1 + 2 * (q / 2)) / 4;
        const uint32_t a = PixelAt(got, x, y), b = PixelAt(want, x, y);
        for (int s = 0; s < 32; s += 8)
            EXPECT_NEAR(int((a >> s) & 255), int((b >> s) & 255), 12)
                << "pixel (" << x << ", " << y << "): " << std::hex << a << " vs " << b;
    }
}

/* Odd sizes, alpha, every way a file can say how to turn the picture, a
 * colour space of its own, and damage. */
TEST(ModernInput, DecodesUprightWithSizePixelsAndProfile) {
    const heif_orientation kNormal = heif_orientation_normal;
    const cModernCase cases[] = {{"HeicPlain", eKind::Heic, false, kNormal, 0, 1},
                                 {"HeicAlphaIrot", eKind::Heic, true, heif_orientation_rotate_90_cw, 0, 6},
                                 {"HeicExifOnly", eKind::Heic, false, kNormal, 6, 6},
                                 {"HeicIrotAndSameExif", eKind::Heic, false, heif_orientation_rotate_90_cw, 6, 6},
                                 {"HeicMirror", eKind::Heic, false, heif_orientation_flip_horizontally, 0, 2},
                                 {"AvifAlphaTurned", eKind::Avif, true, heif_orientation_rotate_180, 0, 3},
                                 {"AvifExif", eKind::Avif, false, kNormal, 8, 8},
                                 {"WebPAlpha", eKind::WebP, true, kNormal, 0, 1},
                                 {"WebPExif", eKind::WebP, false, kNormal, 6, 6},
                                 {"JxlPlain", eKind::Jxl, false, kNormal, 0, 1},
                                 {"JxlAlphaTurned", eKind::Jxl, true, kNormal, 0, 6},
                                 {"JxlMirrored", eKind::Jxl, false, kNormal, 0, 2},
                                 {"JxlTransverse", eKind::Jxl, true, kNormal, 0, 7},
                                 {"JxlLinear", eKind::Jxl, false, kNormal, 0, 1, true}};
    for (const cModernCase& c : cases) {
        SCOPED_TRACE(c.Name);
        constexpr int kWidth = 37, kHeight = 23;
        const std::vector<uint8_t> bytes = EncodeCase(c, kWidth, kHeight);
        const bool jxl = c.Kind == eKind::Jxl;
        gp::image_info info;
        gp::raster out;
        ASSERT_EQ(Decode(bytes, out, &info), Ok);
        const gp::raster want = Expected(kWidth, kHeight, c.Alpha, c.Upright);
        EXPECT_EQ(info.width, want.width);
        EXPECT_EQ(info.height, want.height);
        EXPECT_EQ(info.frame_count, 1u);
        EXPECT_EQ(info.raw_format == ImageFormatJXL, jxl);
        EXPECT_TRUE(jxl ? info.icc_profile.empty() != c.Linear : info.icc_profile == modern::FakeIcc());
        ExpectQuadrants(out, want, c.Alpha);
        EXPECT_EQ(jxl && !c.Linear ? CompareRasters(out, want) : "", "") << "lossless";
        EXPECT_EQ(Decode(bytes, out, nullptr, 0, gp::decode_limits{30, 1u << 20}), ValueOverflow);
        EXPECT_EQ(Decode(bytes, out, nullptr, 0, gp::decode_limits{64, 600}), ValueOverflow);
        const std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + long(bytes.size() * 3 / 5));
        EXPECT_NE(Decode(truncated, out), Ok) << "truncated";
        std::vector<uint8_t> damaged = bytes;
        std::fill(damaged.begin() + (jxl ? 2 : 16), damaged.begin() + (jxl ? 12 : 40), uint8_t{0xFF});
        EXPECT_NE(Decode(damaged, out), Ok) << "damaged header";
    }
}

/* nclx: a profile for primaries other than sRGB's, none for sRGB's own or PQ. */
TEST(HeifInput, NclxPrimariesBecomeAProfile) {
    const int cases[][3] = {{12, 13, 1}, {9, 1, 1}, {1, 13, 0}, {12, 16, 0}}; /* primaries, transfer, profile */
    for (const auto& [primaries, transfer, profile] : cases) {
        gp::image_info info;
        gp::raster out;
        const std::vector<uint8_t> bytes =
            modern::EncodeHeif(heif_compression_AV1, 16, 16, false, heif_orientation_normal, 0, primaries, transfer);
        ASSERT_EQ(Decode(bytes, out, &info), Ok);
        EXPECT_EQ(!info.icc_profile.empty(), profile != 0) << primaries << " / " << transfer;
    }
    /* A description libheif refuses to hand out gives no profile (and, under
     * the leak checker, leaves nothing behind). */
    gp::image_info info;
    gp::raster out;
    ASSERT_EQ(Decode(ReadFile(QUILLET_TEST_DATA "/field-faults/nclx_leak.avif"), out, &info), Ok);
    EXPECT_TRUE(info.icc_profile.empty());
}

/* A draw of the whole image at a reduced size decodes the embedded thumbnail
 * when it serves the draw as a reduced decode would (the drawn size exactly
 * or at least 5/4 of it on both sides), else the primary image;
 * either way upright. 400 x 300 stored, thumbnail 160 x 120 in the file's
 * own orientation; Draw and Got are upright sizes, Got the raster decoded. */
TEST(HeifInput, ThumbnailStandsInForAReducedDraw) {
    struct {
        const char* Name;
        heif_orientation Turn;
        int Exif, Upright;
        uint32_t DrawWidth, DrawHeight, GotWidth, GotHeight;
    } const cases[] = {{"WellUnderTheThumbnail", heif_orientation_normal, 0, 1, 100, 75, 160, 120},
                       {"ExactlyTheThumbnail", heif_orientation_normal, 0, 1, 160, 120, 160, 120},
                       {"UnderFiveFourthsOfTheThumbnail", heif_orientation_normal, 0, 1, 150, 113, 200, 150},
                       {"WiderThanTheThumbnail", heif_orientation_normal, 0, 1, 161, 75, 400, 300},
                       {"TallerThanTheThumbnail", heif_orientation_normal, 0, 1, 100, 121, 400, 300},
                       {"NoDrawSize", heif_orientation_normal, 0, 1, 0, 0, 400, 300},
                       {"ExifTurned", heif_orientation_normal, 6, 6, 90, 120, 120, 160},
                       {"ExifTurnedTooWide", heif_orientation_normal, 6, 6, 130, 120, 300, 400},
                       {"IrotTurned", heif_orientation_rotate_90_cw, 0, 6, 90, 120, 120, 160},
                       {"IrotAndSameExif", heif_orientation_rotate_90_cw, 6, 6, 90, 120, 120, 160}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<uint8_t> bytes =
            modern::EncodeHeif(heif_compression_HEVC, 400, 300, false, c.Turn, c.Exif, 0, 13, 160);
        gp::decode_limits limits;
        limits.draw_width = c.DrawWidth;
        limits.draw_height = c.DrawHeight;
        gp::raster out;
        ASSERT_EQ(Decode(bytes, out, nullptr, 0, limits), Ok);
        const bool swap = c.Upright >= 5;
        ExpectQuadrants(
            out, Expected(int(swap ? c.GotHeight : c.GotWidth), int(swap ? c.GotWidth : c.GotHeight), false, c.Upright),
            false);
    }
}

/* bytes with the matrix and range of their nclx box set to BT.601, full range. */
std::vector<uint8_t> BoxSaysBt601Full(std::vector<uint8_t> bytes) {
    const std::vector<uint8_t> colr = modern::FindBox(bytes, "colr");
    const auto at = std::search(bytes.begin(), bytes.end(), colr.begin(), colr.end());
    if (colr.size() >= 19 && at != bytes.end()) {
        at[17] = 6;    /* matrix, after "nclx", primaries and transfer */
        at[18] = 0x80; /* full range */
    }
    return bytes;
}

/* A draw at a half, a quarter or an eighth decodes the coded pictures
 * reduced, and the result is the full decode averaged over the same blocks:
 * the stream's own colour description or an nclx box, single pictures and
 * grids (cropped, turned). Draw and Got are upright sizes. */
TEST(HeifInput, AReducedDecodeIsTheFullDecodeAveraged) {
    struct {
        const char* Name;
        std::vector<uint8_t> Bytes;
        uint32_t DrawWidth, DrawHeight, GotWidth, GotHeight;
    } const cases[] = {
        {"Bt601FullInTheStream", modern::EncodeHeifTexture(256, 0, 0, 256, 192, 6, true, false), 64, 48, 64, 48},
        {"Bt709LimitedInAnNclxBox", modern::EncodeHeifTexture(256, 0, 0, 256, 192, 1, false, true), 100, 70, 128, 96},
        {"Bt709LimitedInTheStream", modern::EncodeHeifTexture(256, 0, 0, 256, 192, 1, false, false), 32, 24, 32, 24},
        {"TheNclxBoxOverTheStream", BoxSaysBt601Full(modern::EncodeHeifTexture(256, 0, 0, 256, 192, 1, false, true)),
         32, 24, 32, 24},
        {"NoScaleServes", modern::EncodeHeifTexture(256, 0, 0, 256, 192, 6, true, false), 110, 70, 256, 192},
        {"GridCroppedHalf", modern::EncodeHeifGrid(2, 2, 64, 120, 100, 0), 60, 50, 60, 50},
        {"GridTurnedQuarterLaidOutInIdat", modern::EncodeHeifGrid(2, 2, 64, 120, 100, 1, true), 25, 30, 25, 30},
        {"ExifTurned", modern::EncodeHeif(heif_compression_HEVC, 256, 192, false, heif_orientation_normal, 6), 48, 64,
         48, 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        gp::raster full, reduced;
        ASSERT_EQ(Decode(c.Bytes, full), Ok);
        gp::decode_limits limits;
        limits.draw_width = c.DrawWidth;
        limits.draw_height = c.DrawHeight;
        ASSERT_EQ(Decode(c.Bytes, reduced, nullptr, 0, limits), Ok);
        ASSERT_EQ(reduced.width, c.GotWidth);
        ASSERT_EQ(reduced.height, c.GotHeight);
        ASSERT_EQ(reduced.format, PixelFormat24bppRGB);
        const uint32_t denom = full.width / reduced.width;
        int worst = 0;
        double total = 0;
        for (uint32_t y = 0; y < reduced.height; ++y)
            for (uint32_t x = 0; x < reduced.width; ++x)
                for (uint32_t ch = 0; ch < 3; ++ch) {
                    uint32_t sum = 0;
                    for (uint32_t v = 0; v < denom; ++v)
                        for (uint32_t u = 0; u < denom; ++u)
                            sum += full.pixels[size_t(y * denom + v) * full.stride + (x * denom + u) * 3 + ch];
                    const int got = reduced.pixels[size_t(y) * reduced.stride + x * 3 + ch];
                    const int diff = std::abs(got - int((sum + denom * denom / 2) / (denom * denom)));
                    worst = std::max(worst, diff);
                    total += diff;
                }
        EXPECT_LE(worst, 2) << "mean difference " << total / (reduced.width * reduced.height * 3);
    }
}

/* 20 x 14, two frames: the quadrants, then black. */
TEST(WebPInput, AnAnimationGivesItsFirstFrame) {
    const std::vector<uint8_t> bytes = ReadFile(QUILLET_TEST_DATA "/webp_anim_quadrants_then_black.webp");
    gp::image_info info;
    gp::raster out;
    ASSERT_EQ(Decode(bytes, out, &info), Ok);
    EXPECT_EQ(info.frame_count, 1u);
    ExpectQuadrants(out, Expected(20, 14, false, 1), true);
}

/* Our lossy encoders: the picture and its alpha come back through our
 * decoders, an opaque picture comes back without alpha, and sides past the
 * format's limit are refused; a file larger than the encoders' first
 * output block comes back whole. (How the size follows the quality: the batch
 * save's round trips through the reference decoders.) */
TEST(ModernOutput, AlphaSurvivesAndOversizedSidesAreRefused) {
    const std::tuple<const char16_t*, uint32_t> formats[] = {{u"*.WEBP", 16384}, {u"*.AVIF", 65536}, {u"*.JXL", 0}};
    for (const auto& [pattern, tooWideSide] : formats) {
        SCOPED_TRACE(std::string(pattern, pattern + 6));
        const gp::raster want = Expected(33, 21, true, 1);
        ExpectQuadrants(RoundTrip(pattern, want, 90), want, true);
        EXPECT_EQ(RoundTrip(pattern, Expected(33, 21, false, 1), 90).format, PixelFormat24bppRGB)
            << "nothing transparent";
        const gp::raster large = MakePattern(640, 480, PixelFormat24bppRGB);
        const std::vector<uint8_t> whole = Encoded(pattern, large, 90);
        EXPECT_GT(whole.size(), size_t{1} << 16) << "a file past the encoder's first output block";
        gp::raster back;
        EXPECT_EQ(Decode(whole, back), Ok);
        EXPECT_EQ(std::pair(back.width, back.height), std::pair(640u, 480u));
        std::vector<uint8_t> bytes;
        if (tooWideSide != 0) {
            EXPECT_EQ(Encode(pattern, MakePattern(tooWideSide, 1, PixelFormat24bppRGB), bytes), ValueOverflow);
        }
    }
}

} // namespace
