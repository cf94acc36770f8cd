/*
 * codec_bmp.cpp - our own bounds-checked BMP reader and writer.
 *
 * Reads 1-, 2-, 4-, 8-, 16-, 24- and 32-bit DIBs with the OS/2 core header
 * and the Windows 40/52/56/64/108/124-byte headers, uncompressed, BITFIELDS
 * or RLE4/RLE8, bottom-up or top-down. Indexed files give indexed rasters
 * (2-bit ones 4bppIndexed) with the palette padded to 2^bpp entries so that
 * every stored index is valid; 16- and 24-bit files give 24bppRGB; 32-bit
 * files give 32bppRGB, or 32bppARGB when the header declares an alpha mask.
 * Every read is checked against the bytes present; pixel rows that the file
 * does not hold make the decode fail (GenericError) before the image is
 * allocated. An RLE stream must reach its end-of-bitmap code or the end of
 * the last row (pixels it skips stay at index 0); one that runs out first
 * fails, and an RLE image larger than kUnprovenPixels is allocated only
 * when the stream could fill it (two bytes code at most 255 pixels). An
 * icon whose colours carry no alpha must have its AND mask.
 *
 * Writes bottom-up BI_RGB files for indexed, 24- and 32-bit RGB rasters, and
 * a BITMAPV4HEADER with BITFIELDS (alpha mask 0xFF000000) for 32bppARGB so
 * that alpha survives the round trip.
 */
#include "codec_bmp.h"

#include "codec_util.h"

#include <bit>
#include <cstring>

namespace gp {
namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
/* Pixels one byte of an RLE stream may stand for: 255 per 2-byte run. */
constexpr uint64_t kRlePixelsPerByte = 128;

struct bm_header {
    uint32_t header_size;
    uint32_t width;
    uint32_t height; /* of the colour image (an icon's half) */
    bool top_down;
    uint32_t bpp;
    uint32_t compression;
    uint32_t masks[4]; /* red, green, blue, alpha */
    uint64_t palette_at;
    uint32_t palette_entry; /* 3 (core header) or 4 bytes */
    uint32_t palette_count; /* entries present in the file */
    uint64_t pixels_at;
};

bool bm_known_header(uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

/* Parses the info header and locates palette and pixels; no pixel is read. */
GpStatus bm_parse(const bm_dib_source& src, bm_header& h) {
    h = bm_header{};
    if (src.size < 12)
        return UnknownImageFormat;
    const uint8_t* p = src.data;
    h.header_size = cu_le32(p);
    if (!bm_known_header(h.header_size))
        return UnknownImageFormat;
    if (src.size < h.header_size)
        return GenericError;
    int64_t height = 0;
    if (h.header_size == 12) {
        h.width = cu_le16(p + 4);
        height = cu_le16(p + 6);
        h.bpp = cu_le16(p + 10);
        h.palette_entry = 3;
    } else {
        const int32_t w = static_cast<int32_t>(cu_le32(p + 4));
        height = static_cast<int32_t>(cu_le32(p + 8));
        if (w <= 0)
            return GenericError;
        h.width = static_cast<uint32_t>(w);
        h.bpp = cu_le16(p + 14);
        h.compression = cu_le32(p + 16);
        h.palette_count = cu_le32(p + 32);
        h.palette_entry = 4;
        if (h.header_size == 64 && h.compression >= kBiBitfields)
            return GenericError; /* OS/2 Huffman and RLE24 */
    }
    h.top_down = height < 0;
    uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    if (src.icon)
        rows /= 2;
    if (rows == 0 || h.width == 0)
        return GenericError;
    if (rows > UINT32_MAX)
        return ValueOverflow;
    h.height = static_cast<uint32_t>(rows);
    uint64_t next = h.header_size;
    if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
        if (h.bpp != 16 && h.bpp != 32)
            return GenericError;
        const uint32_t maskCount = h.compression == kBiAlphaBitfields ? 4 : 3;
        const uint8_t* m = p + 40;
        if (h.header_size == 40) { /* the masks follow the short header */
            if (src.size < 40 + 4 * maskCount)
                return GenericError;
            next += 4 * maskCount;
        } else {
            if (h.header_size < 52 + (maskCount == 4 ? 4u : 0u))
                return GenericError;
        }
        for (uint32_t i = 0; i < maskCount; ++i)
            h.masks[i] = cu_le32(m + 4 * i);
        if (maskCount == 3 && h.header_size >= 56)
            h.masks[3] = cu_le32(p + 52);
    } else if (h.compression == kBiRle8) {
        if (h.bpp != 8)
            return GenericError;
    } else if (h.compression == kBiRle4) {
        if (h.bpp != 4)
            return GenericError;
    } else if (h.compression != kBiRgb) {
        return GenericError;
    }
    switch (h.bpp) {
    case 1:
    case 2:
    case 4:
    case 8: {
        const uint32_t full = 1u << h.bpp;
        if (h.palette_count == 0 || h.palette_count > full)
            h.palette_count = full;
        break;
    }
    case 16:
    case 24:
    case 32:
        h.palette_count = 0; /* a colour table here is only an optimisation hint */
        break;
    default: return GenericError;
    }
    h.palette_at = next;
    const uint64_t paletteEnd = next + uint64_t{h.palette_count} * h.palette_entry;
    h.pixels_at = src.pixel_offset != 0 ? src.pixel_offset : paletteEnd;
    if (h.pixels_at < paletteEnd) /* a bogus offset into the headers: trust the layout */
        h.pixels_at = paletteEnd;
    return Ok;
}

PixelFormat bm_format(const bm_header& h, bool icon) {
    if (icon)
        return PixelFormat32bppARGB;
    switch (h.bpp) {
    case 1: return PixelFormat1bppIndexed;
    case 2:
    case 4: return PixelFormat4bppIndexed;
    case 8: return PixelFormat8bppIndexed;
    case 16: return h.masks[3] ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    case 24: return PixelFormat24bppRGB;
    default: return h.masks[3] ? PixelFormat32bppARGB : PixelFormat32bppRGB;
    }
}

/* One colour channel from a mask: shift and width of its bits. */
struct bm_channel {
    uint32_t mask;
    uint32_t shift;
    uint32_t bits;
};

bm_channel bm_make_channel(uint32_t mask) {
    if (mask == 0)
        return {0, 0, 0};
    const uint32_t shift = static_cast<uint32_t>(std::countr_zero(mask));
    const uint32_t bits = static_cast<uint32_t>(std::countr_one(mask >> shift));
    return {mask, shift, bits};
}

uint8_t bm_extract(const bm_channel& c, uint32_t pixel, uint8_t absent) {
    if (c.bits == 0)
        return absent;
    const uint32_t v = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8)
        return static_cast<uint8_t>(v >> (c.bits - 8));
    return static_cast<uint8_t>(v * 255 / ((1u << c.bits) - 1));
}

/* Converts one file row of 16- or 32-bit masked pixels into out's row. */
void bm_masked_row(const bm_header& h, const uint8_t* src, uint8_t* dst, PixelFormat format) {
    uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.compression == kBiRgb) {
        if (h.bpp == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000;
            masks[1] = 0xFF00;
            masks[2] = 0xFF;
        }
        masks[3] = 0;
    }
    const bm_channel r = bm_make_channel(masks[0]), g = bm_make_channel(masks[1]), b = bm_make_channel(masks[2]),
                     a = bm_make_channel(masks[3]);
    const uint32_t pb = GetPixelFormatSize(format) / 8;
    for (uint32_t x = 0; x < h.width; ++x) {
        const uint32_t px = h.bpp == 16 ? cu_le16(src + 2 * x) : cu_le32(src + 4 * x);
        uint8_t* d = dst + size_t{x} * pb;
        d[0] = bm_extract(b, px, 0);
        d[1] = bm_extract(g, px, 0);
        d[2] = bm_extract(r, px, 0);
        if (pb == 4)
            d[3] = bm_extract(a, px, 255);
    }
}

bool bm_is_rle(const bm_header& h) {
    return h.compression == kBiRle4 || h.compression == kBiRle8;
}

/* Bytes of a row in the file as it stores it, without the padding. */
uint64_t bm_row_bytes(const bm_header& h) {
    return (uint64_t{h.width} * h.bpp + 7) / 8;
}

/* Ok when the file holds the pixel data the header describes: every row,
 * or an RLE stream long enough to fill a large image. */
GpStatus bm_check_data(const bm_dib_source& src, const bm_header& h) {
    if (h.pixels_at > src.size)
        return GenericError;
    const uint64_t have = src.size - h.pixels_at, pixels = uint64_t{h.width} * h.height;
    if (bm_is_rle(h))
        return cu_check_fill(pixels, pixels / kRlePixelsPerByte, have);
    return cu_stride(h.width, h.bpp) * (h.height - 1) + bm_row_bytes(h) <= have ? Ok : GenericError;
}

/* Copies the uncompressed rows (checked by bm_check_data) into out. */
void bm_read_rows(const bm_dib_source& src, const bm_header& h, raster& out) {
    const uint64_t fileStride = cu_stride(h.width, h.bpp);
    const bool plainCopy = (h.bpp <= 8 && h.bpp != 2) || h.bpp == 24 || (h.bpp == 32 && h.compression == kBiRgb);
    for (uint32_t fy = 0; fy < h.height; ++fy) {
        const uint8_t* s = src.data + h.pixels_at + fy * fileStride;
        const uint32_t y = h.top_down ? fy : h.height - 1 - fy;
        uint8_t* d = out.pixels.data() + size_t{y} * out.stride;
        if (plainCopy)
            std::memcpy(d, s, static_cast<size_t>(bm_row_bytes(h)));
        else if (h.bpp == 2)
            cu_widen_2bit(s, h.width, d);
        else
            bm_masked_row(h, s, d, out.format);
    }
}

/* Writes index v at (x, y) of a file-order index buffer, dropping pixels
 * outside the image. */
void bm_put(uint8_t* idx, const bm_header& h, uint32_t x, uint32_t y, uint8_t v) {
    if (x < h.width && y < h.height)
        idx[size_t{y} * h.width + x] = v;
}

/* Decodes an RLE4/RLE8 stream into one index byte a pixel, rows in file
 * order. Runs past the row end are dropped. False when the stream ends
 * before its end-of-bitmap code and before the end of the last row. */
bool bm_rle(const uint8_t* s, size_t n, const bm_header& h, uint8_t* idx) {
    const bool four = h.compression == kBiRle4;
    uint32_t x = 0, y = 0;
    size_t i = 0;
    while (y < h.height) {
        if (i + 1 >= n)
            return y == h.height - 1 && x >= h.width;
        const uint32_t count = s[i], value = s[i + 1];
        i += 2;
        if (count > 0) {
            for (uint32_t k = 0; k < count && x < h.width; ++k, ++x)
                bm_put(idx, h, x, y, static_cast<uint8_t>(four ? ((k & 1) ? value & 15 : value >> 4) : value));
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (i + 1 >= n)
                return false;
            x += s[i];
            y += s[i + 1];
            i += 2;
        } else { /* absolute run of value pixels, padded to 16 bits */
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (bytes > n - i)
                return false;
            for (uint32_t k = 0; k < value; ++k, ++x) {
                const uint8_t b = s[i + (four ? k / 2 : k)];
                bm_put(idx, h, x, y, static_cast<uint8_t>(four ? ((k & 1) ? b & 15 : b >> 4) : b));
            }
            i += (bytes + 1) & ~size_t{1};
        }
    }
    return true;
}

GpStatus bm_read_rle(const bm_dib_source& src, const bm_header& h, raster& out) {
    std::vector<uint8_t> idx(size_t{h.width} * h.height); /* size checked by cu_alloc */
    if (!bm_rle(src.data + h.pixels_at, src.size - static_cast<size_t>(h.pixels_at), h, idx.data()))
        return GenericError;
    const uint32_t bpp = GetPixelFormatSize(out.format);
    for (uint32_t fy = 0; fy < h.height; ++fy) {
        const uint8_t* s = idx.data() + size_t{fy} * h.width;
        const uint32_t y = h.top_down ? fy : h.height - 1 - fy;
        uint8_t* d = out.pixels.data() + size_t{y} * out.stride;
        for (uint32_t x = 0; x < h.width; ++x) {
            if (bpp == 8)
                d[x] = s[x];
            else
                d[x >> 1] |= static_cast<uint8_t>((s[x] & 15) << ((x & 1) ? 0 : 4));
        }
    }
    return Ok;
}

void bm_read_palette(const bm_dib_source& src, const bm_header& h, raster& out) {
    out.palette.assign(size_t{1} << (h.bpp == 2 ? 4 : h.bpp), 0xFF000000u);
    for (uint32_t i = 0; i < h.palette_count; ++i) {
        const uint64_t at = h.palette_at + uint64_t{i} * h.palette_entry;
        if (at + 3 > src.size)
            break; /* entries the file lacks stay black */
        const uint8_t* e = src.data + at;
        out.palette[i] = 0xFF000000u | uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
    }
}

/* Icon: turns the decoded colour image into ARGB with alpha from the 32-bit
 * data, or, when that is all zero or absent, from the AND mask. */
GpStatus bm_apply_icon_mask(const bm_dib_source& src, const bm_header& h, raster& img, const decode_limits& limits,
                            raster& out) {
    GpStatus st = cu_alloc(out, h.width, h.height, PixelFormat32bppARGB, limits);
    if (st != Ok)
        return st;
    bool anyAlpha = false;
    for (uint32_t y = 0; y < h.height; ++y) {
        uint8_t* d = out.pixels.data() + size_t{y} * out.stride;
        cu_row_to_bgra(img, y, d);
        if (h.bpp == 32) { /* the fourth byte of 32-bit icon pixels is alpha */
            const uint8_t* s = img.pixels.data() + size_t{y} * img.stride;
            for (uint32_t x = 0; x < h.width; ++x) {
                d[4 * x + 3] = s[4 * x + 3];
                anyAlpha = anyAlpha || s[4 * x + 3] != 0;
            }
        }
    }
    if (anyAlpha)
        return Ok;
    const uint64_t maskAt = h.pixels_at + cu_stride(h.width, h.bpp) * h.height;
    const uint64_t maskStride = cu_stride(h.width, 1);
    if (maskAt > src.size || maskStride * h.height > src.size - maskAt)
        return GenericError;
    for (uint32_t fy = 0; fy < h.height; ++fy) {
        const uint32_t y = h.top_down ? fy : h.height - 1 - fy;
        uint8_t* d = out.pixels.data() + size_t{y} * out.stride;
        const uint8_t* m = src.data + maskAt + fy * maskStride;
        for (uint32_t x = 0; x < h.width; ++x) {
            const bool transparent = (m[x >> 3] >> (7 - (x & 7))) & 1;
            d[4 * x + 3] = transparent ? 0 : 255;
        }
    }
    return Ok;
}

} // namespace

GpStatus bm_probe_dib(const bm_dib_source& src, const decode_limits& limits, uint32_t& width, uint32_t& height,
                      PixelFormat& format) {
    bm_header h;
    const GpStatus st = bm_parse(src, h);
    if (st != Ok)
        return st;
    width = h.width;
    height = h.height;
    format = bm_format(h, src.icon);
    const GpStatus fits = cu_check_size(width, height, limits);
    return fits == Ok ? bm_check_data(src, h) : fits;
}

GpStatus bm_read_dib(const bm_dib_source& src, const decode_limits& limits, raster& out) {
    bm_header h;
    GpStatus st = bm_parse(src, h);
    if (st != Ok || (st = cu_check_size(h.width, h.height, limits)) != Ok || (st = bm_check_data(src, h)) != Ok)
        return st;
    raster img;
    st = cu_alloc(img, h.width, h.height, bm_format(h, false), limits);
    if (st != Ok)
        return st;
    if (h.bpp <= 8)
        bm_read_palette(src, h, img);
    if (bm_is_rle(h)) {
        if ((st = bm_read_rle(src, h, img)) != Ok)
            return st;
    } else {
        bm_read_rows(src, h, img);
    }
    if (src.icon)
        return bm_apply_icon_mask(src, h, img, limits, out);
    out = std::move(img);
    return Ok;
}

namespace {

constexpr size_t kFileHeader = 14;

bool bm_sniff(const uint8_t* data, size_t size) {
    return size >= 18 && data[0] == 'B' && data[1] == 'M' && bm_known_header(cu_le32(data + 14));
}

bm_dib_source bm_file_source(const uint8_t* data, size_t size) {
    const uint32_t offBits = cu_le32(data + 10);
    return {data + kFileHeader, size - kFileHeader, offBits > kFileHeader ? offBits - kFileHeader : 0, false};
}

GpStatus bm_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    info.raw_format = ImageFormatBMP;
    return bm_probe_dib(bm_file_source(data, size), limits, info.width, info.height, info.format);
}

GpStatus bm_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    return bm_read_dib(bm_file_source(data, size), limits, out);
}

/* ---- Encoder ----------------------------------------------------------------- */

void bm_put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void bm_put32(uint8_t* p, uint32_t v) {
    bm_put16(p, v & 0xFFFF);
    bm_put16(p + 2, v >> 16);
}

GpStatus bm_encode(const raster& r, const encode_options&, std::vector<uint8_t>& out) {
    const uint32_t bpp = GetPixelFormatSize(r.format);
    const bool alpha = r.format == PixelFormat32bppARGB;
    const uint32_t infoSize = alpha ? 108 : 40;
    const uint32_t colours = bpp <= 8 ? static_cast<uint32_t>(r.palette.size()) : 0;
    const uint64_t rowBytes = cu_stride(r.width, bpp);
    const uint64_t offBits = kFileHeader + infoSize + uint64_t{colours} * 4;
    const uint64_t total = offBits + rowBytes * r.height;
    if (total > UINT32_MAX || r.width > INT32_MAX || r.height > INT32_MAX)
        return ValueOverflow;
    out.assign(static_cast<size_t>(total), 0);
    uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    bm_put32(p + 2, static_cast<uint32_t>(total));
    bm_put32(p + 10, static_cast<uint32_t>(offBits));
    uint8_t* info = p + kFileHeader;
    bm_put32(info, infoSize);
    bm_put32(info + 4, r.width);
    bm_put32(info + 8, r.height); /* positive: bottom-up */
    bm_put16(info + 12, 1);
    bm_put16(info + 14, bpp);
    bm_put32(info + 16, alpha ? kBiBitfields : kBiRgb);
    bm_put32(info + 20, static_cast<uint32_t>(rowBytes * r.height));
    bm_put32(info + 24, 3780); /* 96 dpi in pixels per metre */
    bm_put32(info + 28, 3780);
    bm_put32(info + 32, colours);
    if (alpha) {
        bm_put32(info + 40, 0x00FF0000);
        bm_put32(info + 44, 0x0000FF00);
        bm_put32(info + 48, 0x000000FF);
        bm_put32(info + 52, 0xFF000000);
        bm_put32(info + 56, 0x73524742); /* LCS_sRGB */
    }
    for (uint32_t i = 0; i < colours; ++i)
        bm_put32(p + kFileHeader + infoSize + 4 * i, r.palette[i] & 0x00FFFFFF);
    const size_t copy = static_cast<size_t>((uint64_t{r.width} * bpp + 7) / 8);
    for (uint32_t y = 0; y < r.height; ++y)
        std::memcpy(p + offBits + (r.height - 1 - y) * rowBytes, r.pixels.data() + size_t{y} * r.stride, copy);
    return Ok;
}

} // namespace

const decoder kBmpDecoder = cu_decoder<bm_sniff, bm_probe, bm_decode>("BMP");

const encoder kBmpEncoder =
    cu_encoder<bm_encode>(cu_gdiplus_clsid(0x557cf400), ImageFormatBMP, u"Built-in BMP Codec", "BMP");

} // namespace gp
