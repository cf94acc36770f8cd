/* Bad input: every codec's files truncated at many offsets (a load failure,
 * unless only a trailer the image does not need is cut) and with bytes
 * overwritten, declared sizes beyond the limits or beyond what the data
 * could fill, lowered limits. Each case must end in a status (run under
 * ASan/UBSan this also proves no bad read). */
#include "codec_test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

using namespace codectest;

namespace {

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
    size_t optionalTail = 0; /* trailing bytes the image does not need */
};

std::vector<uint8_t> Encoded(const char16_t* pattern, PixelFormat format, uint32_t w = 40, uint32_t h = 30) {
    return codectest::Encoded(pattern, MakePattern(w, h, format));
}

/* 8 x 4, 32-bit, eight runs of four pixels. */
std::vector<uint8_t> RleTga() {
    Bytes t = TgaHeader(10, 0, 0, 0, 8, 4, 32, 0x28);
    for (int i = 0; i < 8; ++i)
        t.raw({0x83, 10, 20, 30, 255});
    return t.v;
}

/* 8 x 4, 8-bit RLE: two runs a row, end of line, end of bitmap. */
std::vector<uint8_t> RleBmp() {
    Bytes b = BmpHeader(8, 4, 8, 1, 2, 14 + 40 + 8).u32(0xFF0000).u32(0xFFFFFF);
    for (int row = 0; row < 4; ++row)
        b.raw({row + 1, 0, 7 - row, 1, 0, 0});
    return b.raw({0, 1}).v;
}

/* The encoder's one-image GIF with its image repeated as a second frame. */
std::vector<uint8_t> TwoFrameGif() {
    std::vector<uint8_t> gif = Encoded(u"*.GIF", PixelFormat8bppIndexed);
    const size_t imageAt = 13 + 3 * (size_t{2} << (gif[10] & 7));
    const std::vector<uint8_t> image(gif.begin() + long(imageAt), gif.end() - 1);
    gif.insert(gif.end() - 1, image.begin(), image.end());
    return gif;
}

std::vector<Sample> Samples() {
    return {
        {"png_indexed", Encoded(u"*.PNG", PixelFormat4bppIndexed)},
        {"png_argb", Encoded(u"*.PNG", PixelFormat32bppARGB)},
        {"jpeg", Encoded(u"*.JPG", PixelFormat24bppRGB), 2},
        {"gif", Encoded(u"*.GIF", PixelFormat8bppIndexed), 1},
        {"gif_two_frames", TwoFrameGif(), 1},
        {"bmp_indexed", Encoded(u"*.BMP", PixelFormat8bppIndexed)},
        {"bmp_rle8", RleBmp(), 4}, /* the last row is whole without its end codes */
        {"bmp_argb", Encoded(u"*.BMP", PixelFormat32bppARGB)},
        {"tiff_two_pages",
         TiffOf({MakePattern(20, 10, PixelFormat8bppIndexed), MakePattern(12, 16, PixelFormat32bppARGB)})},
        {"tiff_rgb", Encoded(u"*.TIF", PixelFormat24bppRGB)},
        {"ico_png", IconFile({Encoded(u"*.PNG", PixelFormat32bppARGB, 16, 16)}, {16})},
        {"tga_rle", RleTga()},
    };
}

/* Lowered so that a bomb among the cases cannot take the machine's memory. */
const gp::decode_limits kLimits{GpMaxImageSide, 1u << 20};

/* Each sample decodes whole, every frame. Cut short it fails to load,
 * unless only its optional tail is gone: then it loads as the whole does.
 * With a byte overwritten it ends in a status; under lowered limits both
 * probe and decode refuse it. */
TEST(CodecCorrupt, SamplesCutOverwrittenAndUnderLoweredLimits) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        const size_t n = s.bytes.size();
        gp::raster whole;
        ASSERT_EQ(DecodeFrames(s.bytes, kLimits, s.name), Ok);
        ASSERT_EQ(Decode(s.bytes, whole), Ok);
        for (size_t cut = 0; cut < n; cut += (cut < 300 || cut + 8 > n ? 1 : n / 97 + 1)) {
            const std::vector<uint8_t> part(s.bytes.begin(), s.bytes.begin() + static_cast<long>(cut));
            const std::string what = "cut at " + std::to_string(cut);
            const GpStatus st = DecodeFrames(part, kLimits, what);
            ExpectCleanStatus(st, what);
            if (cut < n - s.optionalTail) {
                EXPECT_NE(st, Ok) << what;
                continue;
            }
            gp::raster out; /* loads, as the whole file does */
            ASSERT_EQ(Decode(part, out), Ok) << what;
            EXPECT_EQ(CompareRasters(whole, out), "") << what;
        }
        for (size_t i = 0; i < n; i += (i < 200 ? 1 : n / 53 + 1))
            for (uint8_t v : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x7F}}) {
                std::vector<uint8_t> bad = s.bytes;
                bad[i] = v;
                ExpectCleanStatus(DecodeFrames(bad, kLimits, s.name),
                                  "byte " + std::to_string(i) + "=" + std::to_string(v));
            }
        const gp::decoder* dec = SniffDecoder(s.bytes);
        for (gp::decode_limits limits : {gp::decode_limits{7, 1u << 20}, gp::decode_limits{1000, 20}}) {
            gp::image_info info;
            gp::raster out;
            EXPECT_EQ(dec->probe(s.bytes.data(), s.bytes.size(), limits, info), ValueOverflow);
            EXPECT_EQ(dec->decode(s.bytes.data(), s.bytes.size(), 0, limits, out), ValueOverflow);
        }
    }
}

/* A valid small file of kind whose header now claims w x h: PNG's IHDR (CRC
 * fixed), JPEG's frame header, TIFF's first IFD, BMP's info header. The
 * claims the former crashers make (tests/crashers/, replayed by the corpus
 * test) are not repeated here. */
std::vector<uint8_t> Claiming(const std::string& kind, uint32_t w, uint32_t h) {
    Bytes b;
    if (kind == "png") {
        b.v = Encoded(u"*.PNG", PixelFormat24bppRGB, 8, 8);
        b.put(16, 4, w, true).put(20, 4, h, true).put(29, 4, uint32_t(crc32(0, b.v.data() + 12, 17)), true);
    } else if (kind == "jpeg") {
        b.v = Encoded(u"*.JPG", PixelFormat24bppRGB, 8, 8);
        for (size_t i = 2; i + 9 < b.v.size(); ++i)
            if (b.v[i] == 0xFF && (b.v[i + 1] == 0xC0 || b.v[i + 1] == 0xC2)) {
                b.put(i + 5, 2, h, true).put(i + 7, 2, w, true);
                break;
            }
    } else if (kind == "tiff") {
        b.v = Encoded(u"*.TIF", PixelFormat24bppRGB, 8, 8);
        const uint32_t ifd = b.v[4] | b.v[5] << 8 | b.v[6] << 16 | uint32_t(b.v[7]) << 24;
        for (uint32_t e = ifd + 2; e < ifd + 2 + 12 * (b.v[ifd] | b.v[ifd + 1] << 8); e += 12)
            if (b.v[e + 1] == 1 && (b.v[e] == 0 || b.v[e] == 1)) /* ImageWidth, ImageLength as LONG */
                b.put(e + 2, 2, 4).put(e + 8, 4, b.v[e] == 0 ? w : h);
    } else {
        b.v = Encoded(u"*.BMP", PixelFormat24bppRGB, 8, 8);
        b.put(18, 4, w).put(22, 4, h);
    }
    return b.v;
}

TEST(CodecCorrupt, AbsurdDeclaredSizesAreRefusedBeforeAllocating) {
    const struct {
        const char* kind;
        uint32_t w, h;
        GpStatus expected;
    } claims[] = {
        {"png", 40000, 1, ValueOverflow},
        {"png", 0, 8, GenericError},
        {"jpeg", 65000, 65000, ValueOverflow},
        {"tiff", 60000, 60000, ValueOverflow},
        {"bmp", 100000, 100000, ValueOverflow},
        {"bmp", 8, uint32_t(INT32_MIN), ValueOverflow}, /* top-down */
        {"bmp", uint32_t(-8), 8, GenericError},
        /* Within the limits, but far more than the data could fill. */
        {"tiff", 16384, 16384, GenericError},
        {"bmp", 8000, 8000, GenericError},
    };
    for (const auto& c : claims) {
        SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(int32_t(c.w)) + "x" + std::to_string(int32_t(c.h)));
        const std::vector<uint8_t> bytes = Claiming(c.kind, c.w, c.h);
        const gp::decoder* dec = SniffDecoder(bytes);
        ASSERT_NE(dec, nullptr);
        gp::image_info info;
        EXPECT_EQ(dec->probe(bytes.data(), bytes.size(), gp::decode_limits{}, info), c.expected);
        gp::raster out;
        EXPECT_EQ(dec->decode(bytes.data(), bytes.size(), 0, gp::decode_limits{}, out), c.expected);
        EXPECT_TRUE(out.pixels.empty());
    }
}

/* What the codec table promises every caller: an encoder given no valid page
 * refuses it with an empty output; a decoder refuses bytes that its format's
 * sniff does not accept and a frame past the file's count. */
TEST(CodecCorrupt, EveryCodecRefusesWhatIsNotItsOwn) {
    const gp::raster page = MakePattern(8, 8, PixelFormat24bppRGB), empty;
    const gp::raster* pages[] = {&page, &empty};
    std::vector<std::vector<uint8_t>> files = {IconFile({IconDib(16, 8, 0)}, {16}),
                                               TgaHeader(2, 0, 0, 0, 1, 1, 24, 0).raw({1, 2, 3}).v};
    size_t count = 0;
    const gp::encoder* encoders = gp::encoder_table(count);
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(encoders[i].format_code);
        std::vector<uint8_t> out = {1, 2, 3};
        EXPECT_EQ(encoders[i].encode(pages + 1, 1, gp::encode_options{}, out), InvalidParameter);
        EXPECT_TRUE(out.empty());
        ASSERT_EQ(encoders[i].encode(pages, 1, gp::encode_options{}, out), Ok);
        files.push_back(out);
    }
    for (const std::vector<uint8_t>& file : files) {
        const gp::decoder* dec = SniffDecoder(file);
        ASSERT_NE(dec, nullptr);
        SCOPED_TRACE(dec->name);
        const std::vector<uint8_t>& foreign = files[&file == &files[0] ? 1 : 0]; /* a TGA for ICO, else an ICO */
        gp::image_info info;
        gp::raster out;
        EXPECT_EQ(dec->probe(foreign.data(), foreign.size(), gp::decode_limits{}, info), UnknownImageFormat);
        EXPECT_EQ(dec->decode(foreign.data(), foreign.size(), 0, gp::decode_limits{}, out), UnknownImageFormat);
        ASSERT_EQ(dec->probe(file.data(), file.size(), gp::decode_limits{}, info), Ok);
        EXPECT_EQ(dec->decode(file.data(), file.size(), info.frame_count, gp::decode_limits{}, out), InvalidParameter);
    }
}

} // namespace
