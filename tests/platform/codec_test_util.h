#pragma once
/* Helpers for the codec tests: pattern rasters, lookup of codecs by name,
 * encode/decode through the tables and pixel comparison with a report of the
 * first difference. */

#include "codec_bytes.h"
#include "gp_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace codectest {

/* The encoder whose first pattern is pattern: "*." and its format's code, e.g. u"*.JPG". */
inline const gp::encoder* FindEncoder(const char16_t* pattern) {
    size_t count = 0;
    const gp::encoder* table = gp::encoder_table(count);
    for (size_t i = 0; i < count; ++i)
        if (std::u16string(u"*.") +
                std::u16string(table[i].format_code, table[i].format_code + std::strlen(table[i].format_code)) ==
            pattern)
            return &table[i];
    return nullptr;
}

/* The decoder the table picks for the bytes, as the loader does. */
inline const gp::decoder* SniffDecoder(const std::vector<uint8_t>& bytes) {
    size_t count = 0;
    const gp::decoder* const* table = gp::decoder_table(count);
    for (size_t i = 0; i < count; ++i)
        if (table[i]->sniff(bytes.data(), bytes.size()))
            return table[i];
    return nullptr;
}

/* A width x height raster of format whose pixels follow a fixed pattern
 * that differs between neighbours and rows. */
inline gp::raster MakePattern(uint32_t width, uint32_t height, PixelFormat format) {
    gp::raster r;
    r.width = width;
    r.height = height;
    r.format = format;
    const uint32_t bpp = GetPixelFormatSize(format);
    r.stride = ((width * bpp + 31) / 32) * 4;
    r.pixels.assign(size_t{r.stride} * height, 0);
    for (uint32_t i = 0; bpp <= 8 && i < (1u << bpp); ++i)
        r.palette.push_back(0xFF000000u | ((i * 37u) & 0xFF) << 16 | ((i * 91u + 13) & 0xFF) << 8 |
                            ((255 - i * 5u) & 0xFF));
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t v = x * 7 + y * 13 + (x * y) % 5;
            if (bpp <= 8) { /* packed indices, the first pixel in the high bits */
                row[x * bpp / 8] |= static_cast<uint8_t>((v & ((1u << bpp) - 1)) << (8 - bpp - x * bpp % 8));
            } else {
                const uint32_t pb = bpp / 8;
                for (uint32_t c = 0; c < pb; ++c)
                    row[x * pb + c] = static_cast<uint8_t>(v * (c + 3) + c * 50);
                if (format == PixelFormat32bppRGB)
                    row[x * pb + 3] = 0; /* the unused byte carries nothing */
            }
        }
    }
    return r;
}

/* The pattern raster of a 24- or 32-bit format with each pixel set to the
 * ARGB that f(x, y) gives. */
template <class F> gp::raster Painted(uint32_t width, uint32_t height, PixelFormat format, F f) {
    gp::raster r = MakePattern(width, height, format);
    const uint32_t pb = GetPixelFormatSize(format) / 8;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t argb = f(x, y);
            std::memcpy(r.pixels.data() + size_t{y} * r.stride + size_t{x} * pb, &argb, pb);
        }
    return r;
}

/* ARGB of pixel (x, y), resolving the palette; 32bppRGB reads as opaque. */
inline uint32_t PixelAt(const gp::raster& r, uint32_t x, uint32_t y) {
    const uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
    const uint32_t bpp = GetPixelFormatSize(r.format);
    if (bpp <= 8) {
        const uint32_t i = (row[x * bpp / 8] >> (8 - bpp - x * bpp % 8)) & ((1u << bpp) - 1);
        return i < r.palette.size() ? r.palette[i] : 0xDEADBEEFu;
    }
    const uint8_t* p = row + size_t{x} * (bpp / 8);
    const uint32_t a = r.format == PixelFormat32bppARGB ? p[3] : 255u;
    return a << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

/* Empty when every pixel's channels differ by at most tolerance; else names
 * the first differing pixel. */
inline std::string CompareRasters(const gp::raster& a, const gp::raster& b, int tolerance = 0) {
    char text[96] = "";
    if (a.width != b.width || a.height != b.height)
        std::snprintf(text, sizeof text, "size %ux%u vs %ux%u", a.width, a.height, b.width, b.height);
    for (uint32_t y = 0; !*text && y < a.height; ++y)
        for (uint32_t x = 0; !*text && x < a.width; ++x) {
            const uint32_t pa = PixelAt(a, x, y), pb = PixelAt(b, x, y);
            for (int s = 0; s < 32; s += 8)
                if (std::abs(int((pa >> s) & 255) - int((pb >> s) & 255)) > tolerance)
                    std::snprintf(text, sizeof text, "first difference at (%u, %u): %08X vs %08X", x, y, pa, pb);
        }
    return text;
}

inline GpStatus Encode(const char16_t* pattern, const gp::raster& r, std::vector<uint8_t>& out, int quality = -1) {
    const gp::encoder* enc = FindEncoder(pattern);
    if (!enc)
        return NotImplemented;
    const gp::raster* pages[] = {&r};
    gp::encode_options options;
    options.quality = quality;
    return enc->encode(pages, 1, options, out);
}

/* Sniffs, probes and decodes frame through the table, as the loader would. */
inline GpStatus Decode(const std::vector<uint8_t>& bytes, gp::raster& out, gp::image_info* info = nullptr,
                       uint32_t frame = 0, gp::decode_limits limits = {}) {
    const gp::decoder* dec = SniffDecoder(bytes);
    if (!dec)
        return UnknownImageFormat;
    gp::image_info local;
    if (const GpStatus st = dec->probe(bytes.data(), bytes.size(), limits, info ? *info : local); st != Ok)
        return st;
    return dec->decode(bytes.data(), bytes.size(), frame, limits, out);
}

/* The bytes pattern's encoder makes of r; the encode must succeed. */
inline std::vector<uint8_t> Encoded(const char16_t* pattern, const gp::raster& r, int quality = -1) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(Encode(pattern, r, bytes, quality), Ok);
    return bytes;
}

/* One multi-page TIFF of pages. */
inline std::vector<uint8_t> TiffOf(const std::vector<gp::raster>& pages) {
    std::vector<const gp::raster*> list;
    for (const gp::raster& page : pages)
        list.push_back(&page);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(FindEncoder(u"*.TIF")->encode(list.data(), list.size(), gp::encode_options{}, bytes), Ok);
    return bytes;
}

/* r encoded and decoded again, both of which must succeed. */
inline gp::raster RoundTrip(const char16_t* pattern, const gp::raster& r, int quality = -1,
                            gp::image_info* info = nullptr) {
    gp::raster out;
    EXPECT_EQ(Decode(Encoded(pattern, r, quality), out, info), Ok);
    return out;
}

/* Probes bytes and decodes up to four frames under limits; each decoded
 * frame must be a consistent raster within them. Returns the first failing
 * status (Ok if none); decoded counts the frames that decoded. The first
 * frame must also have the size the probe reported. */
inline GpStatus DecodeFrames(const std::vector<uint8_t>& bytes, const gp::decode_limits& limits,
                             const std::string& what, uint32_t* decoded = nullptr) {
    gp::image_info info;
    for (uint32_t f = 0; f == 0 || f < std::min<uint32_t>(info.frame_count, 4); ++f) {
        gp::raster out;
        if (const GpStatus st = Decode(bytes, out, &info, f, limits); st != Ok)
            return st;
        EXPECT_GE(info.frame_count, 1u) << what;
        if (decoded)
            ++*decoded;
        EXPECT_GE(out.pixels.size(), size_t{out.stride} * out.height) << what;
        EXPECT_GE(out.stride, (out.width * GetPixelFormatSize(out.format) + 7) / 8) << what;
        EXPECT_LE(uint64_t{out.width} * out.height, limits.max_pixels) << what;
        EXPECT_TRUE(f > 0 || (out.width == info.width && out.height == info.height))
            << what << " probed " << info.width << "x" << info.height << " decoded " << out.width << "x" << out.height;
        EXPECT_TRUE(GetPixelFormatSize(out.format) > 8 || !out.palette.empty()) << what;
    }
    return Ok;
}

/* A file, its decoded format (0: any) and some pixels (x, y, ARGB; 0: any
 * transparent pixel) of frame; no pixels: a damaged file that must fail. */
struct cDecodeCase {
    const char* name;
    std::vector<uint8_t> bytes;
    PixelFormat format;
    std::vector<std::array<uint32_t, 3>> pixels;
    uint32_t frame = 0;
};

/* Decodes c and checks its pixels. An indexed result flags palette alpha
 * exactly when a listed pixel is translucent; with fullPalette it also has an
 * entry for every index its depth can hold. */
inline void ExpectDecodes(const cDecodeCase& c, gp::image_info& info, bool fullPalette = false) {
    SCOPED_TRACE(c.name);
    gp::raster out;
    const GpStatus st = Decode(c.bytes, out, &info, c.frame);
    ASSERT_EQ(st, c.pixels.empty() ? GenericError : Ok);
    EXPECT_TRUE(c.format == 0 || st != Ok || (out.format == c.format && info.format == c.format))
        << std::hex << out.format << " " << info.format;
    bool translucent = false;
    for (const auto& [x, y, argb] : c.pixels) {
        ASSERT_TRUE(x < out.width && y < out.height) << x << "," << y;
        translucent = translucent || argb >> 24 != 255;
        EXPECT_EQ(argb == 0 ? PixelAt(out, x, y) >> 24 : PixelAt(out, x, y), argb) << x << "," << y;
    }
    if (const uint32_t bpp = GetPixelFormatSize(out.format); bpp <= 8 && st == Ok) {
        EXPECT_TRUE(!fullPalette || out.palette.size() == 1u << bpp) << out.palette.size();
        EXPECT_EQ((out.palette_flags & PaletteFlagsHasAlpha) != 0, translucent);
    }
}

/* The statuses bad input may end in. */
inline void ExpectCleanStatus(GpStatus st, const std::string& what) {
    const GpStatus clean[] = {Ok, GenericError, UnknownImageFormat, ValueOverflow, OutOfMemory, InvalidParameter};
    EXPECT_NE(std::find(std::begin(clean), std::end(clean), st), std::end(clean)) << what << " status " << st;
}

} // namespace codectest
