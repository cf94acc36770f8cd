/* Bad input: every codec's files truncated at many offsets (a load failure,
 * unless only a trailer the image does not need is cut) and with bytes
 * overwritten, declared sizes beyond the limits or beyond what the data
 * could fill, lowered limits. Each case must end in a status (run under
 * ASan/UBSan this also proves no bad read). */
#include "codec_test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>

using namespace codectest;

namespace {

struct Sample {
    std::string name;
    std::vector<uint8_t> bytes;
    size_t optionalTail = 0; /* trailing bytes the image does not need */
};

std::vector<uint8_t> Encoded(const char16_t* pattern, PixelFormat format, uint32_t w = 40, uint32_t h = 30) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(Encode(pattern, MakePattern(w, h, format), bytes), Ok);
    return bytes;
}

std::vector<uint8_t> TwoPageTiff() {
    const gp::raster a = MakePattern(20, 10, PixelFormat8bppIndexed);
    const gp::raster b = MakePattern(12, 16, PixelFormat32bppARGB);
    const gp::raster* pages[] = {&a, &b};
    std::vector<uint8_t> bytes;
    EXPECT_EQ(FindEncoder(u"*.TIF;*.TIFF")->encode(pages, 2, gp::encode_options{}, bytes), Ok);
    return bytes;
}

std::vector<uint8_t> IconWithPng() {
    const std::vector<uint8_t> png = Encoded(u"*.PNG", PixelFormat32bppARGB, 16, 16);
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
    const uint32_t size = static_cast<uint32_t>(png.size());
    for (int s = 0; s < 32; s += 8) ico.push_back(static_cast<uint8_t>(size >> s));
    ico.insert(ico.end(), {22, 0, 0, 0});
    ico.insert(ico.end(), png.begin(), png.end());
    return ico;
}

std::vector<uint8_t> RleTga() {
    std::vector<uint8_t> t = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 4, 0, 32, 0x28};
    for (int i = 0; i < 8; ++i) t.insert(t.end(), {0x83, 10, 20, 30, 255});
    return t;
}

/* 8 x 4, 8-bit RLE: two runs a row, end of line, end of bitmap. */
std::vector<uint8_t> RleBmp() {
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 40 + 8, 0, 0, 0,
                              40, 0, 0, 0, 8, 0, 0, 0, 4, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0};
    b.resize(14 + 40, 0);
    b[46] = 2; /* colours used */
    b.insert(b.end(), {0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0}); /* palette: red, white */
    for (int row = 0; row < 4; ++row)
        b.insert(b.end(), {uint8_t(row + 1), 0, uint8_t(7 - row), 1, 0, 0});
    b.insert(b.end(), {0, 1});
    return b;
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
        {"jpeg", Encoded(u"*.JPG;*.JPEG;*.JPE;*.JFIF", PixelFormat24bppRGB), 2},
        {"gif", Encoded(u"*.GIF", PixelFormat8bppIndexed), 1},
        {"gif_two_frames", TwoFrameGif(), 1},
        {"bmp_indexed", Encoded(u"*.BMP;*.DIB;*.RLE", PixelFormat8bppIndexed)},
        {"bmp_rle8", RleBmp(), 4}, /* the last row is whole without its end codes */
        {"bmp_argb", Encoded(u"*.BMP;*.DIB;*.RLE", PixelFormat32bppARGB)},
        {"tiff_two_pages", TwoPageTiff()},
        {"tiff_rgb", Encoded(u"*.TIF;*.TIFF", PixelFormat24bppRGB)},
        {"ico_png", IconWithPng()},
        {"tga_rle", RleTga()},
    };
}

/* Lowered so that a bomb among the cases cannot take the machine's memory. */
const gp::decode_limits kLimits{GpMaxImageSide, 1u << 20};

/* First frame of bytes with default limits, or the failing status. */
GpStatus DecodeFirst(const std::vector<uint8_t>& bytes, gp::raster& out) {
    const gp::decoder* dec = SniffDecoder(bytes);
    return dec ? dec->decode(bytes.data(), bytes.size(), 0, gp::decode_limits{}, out) : UnknownImageFormat;
}

TEST(CodecCorrupt, TruncatedFilesFailToLoad) {
    for (const Sample& s : Samples()) {
        gp::raster whole; /* the whole sample decodes, every frame */
        ASSERT_EQ(DecodeFrames(s.bytes, kLimits, s.name), Ok) << s.name;
        ASSERT_EQ(DecodeFirst(s.bytes, whole), Ok) << s.name;
        const size_t n = s.bytes.size();
        for (size_t cut = 0; cut < n; cut += (cut < 300 || cut + 8 > n ? 1 : n / 97 + 1)) {
            const std::vector<uint8_t> part(s.bytes.begin(), s.bytes.begin() + static_cast<long>(cut));
            const std::string what = s.name + " cut at " + std::to_string(cut);
            const GpStatus st = DecodeFrames(part, kLimits, what);
            ExpectCleanStatus(st, what);
            if (cut < n - s.optionalTail) {
                EXPECT_NE(st, Ok) << what;
                continue;
            }
            gp::raster out; /* loads, as the whole file does */
            ASSERT_EQ(DecodeFirst(part, out), Ok) << what;
            EXPECT_EQ(CompareRasters(whole, out), "") << what;
        }
    }
}

TEST(CodecCorrupt, OverwrittenBytes) {
    for (const Sample& s : Samples()) {
        const size_t n = s.bytes.size();
        for (size_t i = 0; i < n; i += (i < 200 ? 1 : n / 53 + 1))
            for (uint8_t v : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x7F}}) {
                std::vector<uint8_t> bad = s.bytes;
                bad[i] = v;
                ExpectCleanStatus(DecodeFrames(bad, kLimits, s.name),
                                  s.name + " byte " + std::to_string(i) + "=" + std::to_string(v));
            }
    }
}

/* ---- Declared sizes beyond the limits ------------------------------------------ */

void PutBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

/* A valid small PNG whose IHDR now claims w x h (CRC fixed). */
std::vector<uint8_t> PngClaiming(uint32_t w, uint32_t h) {
    std::vector<uint8_t> png = Encoded(u"*.PNG", PixelFormat24bppRGB, 8, 8);
    PutBe32(png.data() + 16, w);
    PutBe32(png.data() + 20, h);
    PutBe32(png.data() + 29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

/* A valid JPEG whose SOF0 frame header now claims w x h. */
std::vector<uint8_t> JpegClaiming(uint16_t w, uint16_t h) {
    std::vector<uint8_t> jpg = Encoded(u"*.JPG;*.JPEG;*.JPE;*.JFIF", PixelFormat24bppRGB, 8, 8);
    for (size_t i = 2; i + 9 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && (jpg[i + 1] == 0xC0 || jpg[i + 1] == 0xC2)) {
            jpg[i + 5] = static_cast<uint8_t>(h >> 8);
            jpg[i + 6] = static_cast<uint8_t>(h);
            jpg[i + 7] = static_cast<uint8_t>(w >> 8);
            jpg[i + 8] = static_cast<uint8_t>(w);
            break;
        }
    return jpg;
}

/* A valid little-endian TIFF whose first IFD now claims w x h. */
std::vector<uint8_t> TiffClaiming(uint32_t w, uint32_t h) {
    std::vector<uint8_t> tif = Encoded(u"*.TIF;*.TIFF", PixelFormat24bppRGB, 8, 8);
    const uint32_t ifd = tif[4] | tif[5] << 8 | tif[6] << 16 | uint32_t(tif[7]) << 24;
    const uint32_t count = tif[ifd] | tif[ifd + 1] << 8;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* e = tif.data() + ifd + 2 + 12 * i;
        const uint32_t tag = e[0] | e[1] << 8;
        const uint32_t v = tag == 256 ? w : (tag == 257 ? h : 0);
        if (v == 0)
            continue;
        e[2] = 4; /* LONG */
        e[3] = 0;
        for (int s = 0; s < 4; ++s)
            e[8 + s] = static_cast<uint8_t>(v >> (8 * s));
    }
    return tif;
}

/* bytes with width and height rewritten little-endian, n bytes each at atW and atH. */
std::vector<uint8_t> WithSize(std::vector<uint8_t> b, size_t atW, size_t atH, int n, uint32_t w, uint32_t h) {
    for (int s = 0; s < n; ++s) {
        b[atW + s] = static_cast<uint8_t>(w >> (8 * s));
        b[atH + s] = static_cast<uint8_t>(h >> (8 * s));
    }
    return b;
}

std::vector<uint8_t> GifClaimingScreen(uint32_t w, uint32_t h) {
    return WithSize(Encoded(u"*.GIF", PixelFormat8bppIndexed, 8, 8), 6, 8, 2, w, h);
}

std::vector<uint8_t> BmpClaiming(int32_t w, int32_t h) {
    return WithSize(Encoded(u"*.BMP;*.DIB;*.RLE", PixelFormat24bppRGB, 8, 8), 18, 22, 4,
                    static_cast<uint32_t>(w), static_cast<uint32_t>(h));
}

struct Claim {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
    GpStatus expected;
};

TEST(CodecCorrupt, AbsurdDeclaredSizesAreRefusedBeforeAllocating) {
    const Claim claims[] = {
        {"png_30000x30000", [] { return PngClaiming(30000, 30000); }, ValueOverflow},
        {"png_40000x1", [] { return PngClaiming(40000, 1); }, ValueOverflow},
        {"png_zero_width", [] { return PngClaiming(0, 8); }, GenericError},
        {"jpeg_65000x65000", [] { return JpegClaiming(65000, 65000); }, ValueOverflow},
        {"tiff_60000x60000", [] { return TiffClaiming(60000, 60000); }, ValueOverflow},
        {"gif_screen_65535x65535", [] { return GifClaimingScreen(65535, 65535); }, ValueOverflow},
        {"bmp_100000x100000", [] { return BmpClaiming(100000, 100000); }, ValueOverflow},
        {"bmp_top_down_min_int", [] { return BmpClaiming(8, INT32_MIN); }, ValueOverflow},
        {"bmp_negative_width", [] { return BmpClaiming(-8, 8); }, GenericError},
        {"tga_65535x65535", [] { return WithSize(RleTga(), 12, 14, 2, 65535, 65535); }, ValueOverflow},
        /* Within the limits, but far more than the data could fill. */
        {"png_16384x16384", [] { return PngClaiming(16384, 16384); }, GenericError},
        {"jpeg_16000x16000", [] { return JpegClaiming(16000, 16000); }, GenericError},
        {"tiff_16384x16384", [] { return TiffClaiming(16384, 16384); }, GenericError},
        {"gif_screen_16000x16000", [] { return GifClaimingScreen(16000, 16000); }, GenericError},
        {"bmp_8000x8000", [] { return BmpClaiming(8000, 8000); }, GenericError},
        {"bmp_rle8_16384x16384", [] { return WithSize(RleBmp(), 18, 22, 4, 16384, 16384); }, GenericError},
        {"tga_16384x16384", [] { return WithSize(RleTga(), 12, 14, 2, 16384, 16384); }, GenericError},
    };
    for (const Claim& c : claims) {
        const std::vector<uint8_t> bytes = c.make();
        const gp::decoder* dec = SniffDecoder(bytes);
        ASSERT_NE(dec, nullptr) << c.name;
        gp::image_info info;
        EXPECT_EQ(dec->probe(bytes.data(), bytes.size(), gp::decode_limits{}, info), c.expected) << c.name;
        gp::raster out;
        EXPECT_EQ(dec->decode(bytes.data(), bytes.size(), 0, gp::decode_limits{}, out), c.expected) << c.name;
        EXPECT_TRUE(out.pixels.empty()) << c.name;
    }
}

TEST(CodecCorrupt, LoweredLimitsApplyToEveryDecoder) {
    for (const Sample& s : Samples()) {
        const gp::decoder* dec = SniffDecoder(s.bytes);
        ASSERT_NE(dec, nullptr) << s.name;
        for (gp::decode_limits limits : {gp::decode_limits{7, 1u << 20}, gp::decode_limits{1000, 20}}) {
            gp::image_info info;
            EXPECT_EQ(dec->probe(s.bytes.data(), s.bytes.size(), limits, info), ValueOverflow) << s.name;
            gp::raster out;
            EXPECT_EQ(dec->decode(s.bytes.data(), s.bytes.size(), 0, limits, out), ValueOverflow) << s.name;
        }
    }
}

TEST(CodecCorrupt, GarbageIsUnknown) {
    const std::vector<uint8_t> empty, noise = {0x13, 0x37, 0x42, 0x99, 0x01, 0x02, 0x03, 0x04, 0x05};
    EXPECT_EQ(SniffDecoder(empty), nullptr);
    EXPECT_EQ(SniffDecoder(noise), nullptr);
    size_t count = 0;
    const gp::decoder* const* table = gp::decoder_table(count);
    for (size_t i = 0; i < count; ++i) {
        gp::image_info info;
        EXPECT_EQ(table[i]->probe(noise.data(), noise.size(), gp::decode_limits{}, info), UnknownImageFormat)
            << table[i]->name;
        gp::raster out;
        EXPECT_EQ(table[i]->decode(noise.data(), noise.size(), 0, gp::decode_limits{}, out), UnknownImageFormat)
            << table[i]->name;
    }
}

} // namespace
