#pragma once
/* Helpers for the codec tests: pattern rasters, a byte builder and the
 * hand-built BMP, ICO and TGA layouts several tests share, lookup of codecs by
 * name, encode/decode through the tables and pixel comparison with a report
 * of the first difference. */

#include "gp_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace codectest {

/* The encoder whose pattern list starts with pattern, e.g. u"*.JPG". */
inline const gp::encoder* FindEncoder(const char16_t* pattern) {
    size_t count = 0;
    const gp::encoder* table = gp::encoder_table(count);
    const std::u16string wanted = pattern;
    for (size_t i = 0; i < count; ++i) {
        const std::u16string list = table[i].extensions;
        if (list.compare(0, wanted.size(), wanted) == 0 &&
            (list.size() == wanted.size() || list[wanted.size()] == u';'))
            return &table[i];
    }
    return nullptr;
}

inline const gp::property* FindProperty(const gp::image_info& info, PROPID id) {
    for (const gp::property& p : info.properties)
        if (p.id == id)
            return &p;
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
    if (bpp <= 8) {
        const uint32_t entries = 1u << bpp;
        for (uint32_t i = 0; i < entries; ++i)
            r.palette.push_back(0xFF000000u | ((i * 37u) & 0xFF) << 16 | ((i * 91u + 13) & 0xFF) << 8 |
                                ((255 - i * 5u) & 0xFF));
    }
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t v = x * 7 + y * 13 + (x * y) % 5;
            if (bpp == 1) {
                row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
            } else if (bpp == 4) {
                row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
            } else if (bpp == 8) {
                row[x] = static_cast<uint8_t>(v);
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

/* Little-endian unless said otherwise. */
struct Bytes {
    std::vector<uint8_t> v;
    Bytes& u8(uint32_t x) { v.push_back(static_cast<uint8_t>(x)); return *this; }
    Bytes& u16(uint32_t x) { return u8(x).u8(x >> 8); }
    Bytes& u32(uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes& be16(uint32_t x) { return u8(x >> 8).u8(x); }
    Bytes& be32(uint32_t x) { return be16(x >> 16).be16(x); }
    Bytes& raw(std::initializer_list<int> bytes) {
        for (int b : bytes) u8(static_cast<uint32_t>(b));
        return *this;
    }
    Bytes& text(const std::string& s) { return append({s.begin(), s.end()}); } /* no terminator */
    Bytes& append(const std::vector<uint8_t>& other) {
        v.insert(v.end(), other.begin(), other.end());
        return *this;
    }
    /* Overwrites n bytes at at with x. */
    Bytes& put(size_t at, int n, uint32_t x, bool bigEndian = false) {
        for (int i = 0; i < n; ++i)
            v[at + i] = static_cast<uint8_t>(x >> (8 * (bigEndian ? n - 1 - i : i)));
        return *this;
    }
};

/* BMP file header + 40-byte info header; height negative for top-down. */
inline Bytes BmpHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t compression,
                       uint32_t colours, uint32_t offBits) {
    Bytes b;
    b.raw({'B', 'M'}).u32(0).u32(0).u32(offBits);
    b.u32(40).u32(static_cast<uint32_t>(width)).u32(static_cast<uint32_t>(height)).u16(1).u16(bpp);
    return b.u32(compression).u32(0).u32(0).u32(0).u32(colours).u32(0);
}

inline Bytes TgaHeader(uint8_t type, uint8_t mapType, uint16_t mapLength, uint8_t mapBits, uint16_t w,
                       uint16_t h, uint8_t bpp, uint8_t descriptor) {
    Bytes b;
    b.u8(0).u8(mapType).u8(type).u16(0).u16(mapLength).u8(mapBits).u16(0).u16(0);
    return b.u16(w).u16(h).u8(bpp).u8(descriptor);
}

/* An icon entry of size x size: 40-byte header (height doubled), for 8 bits
 * a palette whose index 1 is red and every pixel 1, for 32 bits grey 0x40
 * with zero alpha; AND mask rows whose first byte is andBits. */
inline std::vector<uint8_t> IconDib(uint32_t size, uint16_t bpp, uint8_t andBits) {
    Bytes d;
    d.u32(40).u32(size).u32(size * 2).u16(1).u16(bpp).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    for (uint32_t i = 0; bpp == 8 && i < 256; ++i)
        d.u32(i == 1 ? 0x00FF0000u : 0u);
    const uint32_t rowBytes = ((size * bpp + 31) / 32) * 4, maskBytes = ((size + 31) / 32) * 4;
    for (uint32_t i = 0; i < size * rowBytes; ++i)
        d.u8(bpp == 8 ? 1 : (i % 4 == 3 ? 0 : 0x40));
    for (uint32_t i = 0; i < size * maskBytes; ++i)
        d.u8(i % maskBytes == 0 ? andBits : 0);
    return d.v;
}

/* An icon file of entries whose directory claims the given sizes. */
inline std::vector<uint8_t> IconFile(const std::vector<std::vector<uint8_t>>& entries,
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
/* An APP1 "Exif" segment, little-endian TIFF block: IFD0 (at 8, ends at 50)
 * with Make "Canon" (at 50), Orientation and a pointer to an EXIF IFD (at 56,
 * ends at 74) holding DateTimeOriginal (at 74). */
inline std::vector<uint8_t> ExifSegment(uint16_t orientation) {
    Bytes t;
    t.raw({0xFF, 0xE1, 0, 0}).text("Exif").u16(0).raw({'I', 'I', 42, 0}).u32(8).u16(3);
    t.u16(0x010F).u16(2).u32(6).u32(50).u16(0x0112).u16(3).u32(1).u16(orientation).u16(0);
    t.u16(0x8769).u16(4).u32(1).u32(56).u32(0).text(std::string("Canon", 6));
    t.u16(1).u16(0x9003).u16(2).u32(20).u32(74).u32(0).text(std::string("2024:05:06 07:08:09", 20));
    return t.put(2, 2, static_cast<uint32_t>(t.v.size() - 2), true).v;
}

/* jpeg with segment put right after its SOI marker. */
inline std::vector<uint8_t> WithSegment(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& segment) {
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

/* ARGB of pixel (x, y), resolving the palette; 32bppRGB reads as opaque. */
inline uint32_t PixelAt(const gp::raster& r, uint32_t x, uint32_t y) {
    const uint8_t* row = r.pixels.data() + size_t{y} * r.stride;
    const uint32_t bpp = GetPixelFormatSize(r.format);
    if (bpp <= 8) {
        uint32_t i = 0;
        if (bpp == 8)
            i = row[x];
        else if (bpp == 4)
            i = (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
        else
            i = (row[x / 8] >> (7 - x % 8)) & 1;
        return i < r.palette.size() ? r.palette[i] : 0xDEADBEEFu;
    }
    const uint8_t* p = row + size_t{x} * (bpp / 8);
    const uint32_t a = r.format == PixelFormat32bppARGB ? p[3] : 255u;
    return a << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

/* Empty when every pixel's channels differ by at most tolerance; else names
 * the first differing pixel. */
inline std::string CompareRasters(const gp::raster& a, const gp::raster& b, int tolerance = 0) {
    if (a.width != b.width || a.height != b.height)
        return "size " + std::to_string(a.width) + "x" + std::to_string(a.height) + " vs " +
               std::to_string(b.width) + "x" + std::to_string(b.height);
    for (uint32_t y = 0; y < a.height; ++y)
        for (uint32_t x = 0; x < a.width; ++x) {
            const uint32_t pa = PixelAt(a, x, y), pb = PixelAt(b, x, y);
            for (int s = 0; s < 32; s += 8) {
                const int d = static_cast<int>((pa >> s) & 255) - static_cast<int>((pb >> s) & 255);
                if (d > tolerance || -d > tolerance) {
                    char text[96];
                    std::snprintf(text, sizeof text, "first difference at (%u, %u): %08X vs %08X", x, y,
                                  pa, pb);
                    return text;
                }
            }
        }
    return {};
}

inline GpStatus Encode(const char16_t* pattern, const gp::raster& r, std::vector<uint8_t>& out,
                       int quality = -1) {
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
    gp::image_info& inf = info ? *info : local;
    GpStatus st = dec->probe(bytes.data(), bytes.size(), limits, inf);
    if (st != Ok)
        return st;
    return dec->decode(bytes.data(), bytes.size(), frame, limits, out);
}

/* Probes bytes and decodes up to four frames under limits; each decoded
 * frame must be a consistent raster within them. Returns the first failing
 * status (Ok if none); decoded counts the frames that decoded. The first
 * frame must also have the size the probe reported. */
inline GpStatus DecodeFrames(const std::vector<uint8_t>& bytes, const gp::decode_limits& limits,
                             const std::string& what, uint32_t* decoded = nullptr) {
    const gp::decoder* dec = SniffDecoder(bytes);
    if (!dec)
        return UnknownImageFormat;
    gp::image_info info;
    GpStatus st = dec->probe(bytes.data(), bytes.size(), limits, info);
    if (st != Ok)
        return st;
    EXPECT_GE(info.frame_count, 1u) << what;
    for (uint32_t f = 0; f < std::min<uint32_t>(info.frame_count, 4); ++f) {
        gp::raster out;
        st = dec->decode(bytes.data(), bytes.size(), f, limits, out);
        if (st != Ok)
            return st;
        if (decoded)
            ++*decoded;
        EXPECT_GE(out.pixels.size(), size_t{out.stride} * out.height) << what;
        EXPECT_GE(out.stride, (out.width * GetPixelFormatSize(out.format) + 7) / 8) << what;
        EXPECT_LE(uint64_t{out.width} * out.height, limits.max_pixels) << what;
        EXPECT_TRUE(f > 0 || (out.width == info.width && out.height == info.height))
            << what << " probed " << info.width << "x" << info.height << " decoded " << out.width << "x"
            << out.height;
        EXPECT_TRUE(GetPixelFormatSize(out.format) > 8 || !out.palette.empty()) << what;
    }
    return Ok;
}

/* The statuses bad input may end in. */
inline void ExpectCleanStatus(GpStatus st, const std::string& what) {
    EXPECT_TRUE(st == Ok || st == GenericError || st == UnknownImageFormat || st == ValueOverflow ||
                st == OutOfMemory || st == InvalidParameter)
        << what << " status " << st;
}

} // namespace codectest
