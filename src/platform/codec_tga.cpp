/*
 * codec_tga.cpp - TGA (Truevision) reader for image types 1, 2, 3 and their
 * run-length forms 9, 10, 11.
 *
 * TGA has no signature, so tg_sniff accepts a header only when every field
 * is consistent (known type, depth that fits the type, a colour map exactly
 * when the type needs one, no interleaving, all sections inside the file);
 * the decoder table tries it after every format that has a signature.
 *
 * Colour-mapped images give 8bppIndexed, grey ones 8bppIndexed with a grey
 * palette, 15/16/24-bit ones 24bppRGB, 32-bit ones 32bppARGB when the header
 * declares 8 alpha bits (else 32bppRGB). A 32-bit image whose alpha is zero
 * everywhere is read as opaque: writers that leave the alpha bytes unset
 * would otherwise give an invisible picture. Missing pixel data, raw or
 * run-length, fails with GenericError, before the image is allocated when
 * the file is too short to hold it (a run-length packet codes at most 128
 * pixels); so does a packet that runs past the image's last pixel, which no
 * writer makes.
 */
#include "codec_util.h"

#include <algorithm>
#include <cstring>

namespace gp {
namespace {

constexpr size_t kHeader = 18;

struct tg_header {
    uint32_t id_length;
    uint32_t map_type;
    uint32_t type;
    uint32_t map_first;
    uint32_t map_length;
    uint32_t map_bits;
    uint32_t width;
    uint32_t height;
    uint32_t bpp;
    uint32_t alpha_bits;
    bool top_down;
    bool right_to_left;
    size_t map_at;
    size_t pixels_at;
};

bool tg_parse(const uint8_t* d, size_t size, tg_header& h) {
    if (size < kHeader)
        return false;
    h = tg_header{d[0],
                  d[1],
                  d[2],
                  cu_le16(d + 3),
                  cu_le16(d + 5),
                  d[7],
                  cu_le16(d + 12),
                  cu_le16(d + 14),
                  d[16],
                  d[17] & 15u,
                  (d[17] & 0x20) != 0,
                  (d[17] & 0x10) != 0,
                  0,
                  0};
    if ((d[17] & 0xC0) != 0 || h.map_type > 1 || h.width == 0 || h.height == 0)
        return false;
    const uint32_t base = h.type & 7;
    const bool rle = h.type & 8;
    if (base < 1 || base > 3 || (h.type & ~11u) != 0 || (rle && h.type > 11))
        return false;
    const bool mapBitsOk = h.map_bits == 15 || h.map_bits == 16 || h.map_bits == 24 || h.map_bits == 32;
    if (h.map_type == 1) {
        if (!mapBitsOk || h.map_length == 0)
            return false;
    } else if (h.map_length != 0 || h.map_first != 0) {
        return false;
    }
    if (base == 1 && (h.map_type != 1 || h.bpp != 8 || h.map_first + h.map_length > 256))
        return false;
    if (base == 2 && h.bpp != 15 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
        return false;
    if (base == 3 && h.bpp != 8)
        return false;
    if (h.alpha_bits > 8 || (h.bpp == 24 && h.alpha_bits != 0) ||
        (h.bpp == 32 && h.alpha_bits != 0 && h.alpha_bits != 8))
        return false;
    const size_t mapBytes = h.map_type ? size_t{h.map_length} * ((h.map_bits + 7) / 8) : 0;
    h.map_at = kHeader + h.id_length;
    h.pixels_at = h.map_at + mapBytes;
    return h.pixels_at < size;
}

PixelFormat tg_format(const tg_header& h) {
    const uint32_t base = h.type & 7;
    if (base != 2)
        return PixelFormat8bppIndexed;
    if (h.bpp == 32)
        return h.alpha_bits == 8 ? PixelFormat32bppARGB : PixelFormat32bppRGB;
    return PixelFormat24bppRGB;
}

/* ARGB of one 15/16/24/32-bit little-endian pixel or map entry. */
ARGB tg_colour(const uint8_t* p, uint32_t bits, bool useAlpha) {
    if (bits == 15 || bits == 16) {
        const uint32_t v = cu_le16(p);
        const uint32_t r = ((v >> 10) & 31) * 255 / 31, g = ((v >> 5) & 31) * 255 / 31, b = (v & 31) * 255 / 31;
        return 0xFF000000u | r << 16 | g << 8 | b;
    }
    const uint32_t a = (bits == 32 && useAlpha) ? p[3] : 255u;
    return a << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

bool tg_sniff(const uint8_t* data, size_t size) {
    tg_header h;
    return tg_parse(data, size, h);
}

/* Ok when the bytes after the header could hold the whole image. */
GpStatus tg_check_data(size_t size, const tg_header& h) {
    const uint64_t pixels = uint64_t{h.width} * h.height, pb = (h.bpp + 7) / 8;
    const uint64_t need = (h.type & 8) ? (pixels + 127) / 128 * (1 + pb) : pixels * pb;
    return need <= size - h.pixels_at ? Ok : GenericError;
}

GpStatus tg_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    tg_header h;
    if (!tg_parse(data, size, h))
        return UnknownImageFormat;
    GpStatus st = cu_check_size(h.width, h.height, limits);
    if (st != Ok || (st = tg_check_data(size, h)) != Ok)
        return st;
    info.width = h.width;
    info.height = h.height;
    info.format = tg_format(h);
    info.raw_format = ImageFormatTGA;
    return Ok;
}

/* Expands the pixel data (raw or run-length) into pix, file order. */
bool tg_unpack(const uint8_t* data, size_t size, const tg_header& h, std::vector<uint8_t>& pix) {
    const size_t pb = (h.bpp + 7) / 8;
    const uint8_t* s = data + h.pixels_at;
    const size_t n = size - h.pixels_at;
    if (!(h.type & 8)) {
        if (pix.size() > n)
            return false;
        std::memcpy(pix.data(), s, pix.size());
        return true;
    }
    size_t i = 0, o = 0;
    while (o < pix.size()) {
        if (i >= n)
            return false;
        const uint8_t packet = s[i++];
        const size_t bytes = ((packet & 0x7F) + 1u) * pb;
        if (bytes > pix.size() - o)
            return false;
        if (packet & 0x80) {
            if (pb > n - i)
                return false;
            for (size_t k = 0; k < bytes; k += pb)
                std::memcpy(pix.data() + o + k, s + i, pb);
            i += pb;
        } else {
            if (bytes > n - i)
                return false;
            std::memcpy(pix.data() + o, s + i, bytes);
            i += bytes;
        }
        o += bytes;
    }
    return true;
}

void tg_palette(const uint8_t* data, size_t size, const tg_header& h, raster& out) {
    out.palette.assign(256, 0xFF000000u);
    if ((h.type & 7) == 3) {
        for (uint32_t i = 0; i < 256; ++i)
            out.palette[i] = 0xFF000000u | i << 16 | i << 8 | i;
        out.palette_flags = PaletteFlagsGrayScale;
        return;
    }
    const size_t eb = (h.map_bits + 7) / 8;
    for (uint32_t i = 0; i < h.map_length && h.map_first + i < 256; ++i) {
        const size_t at = h.map_at + i * eb;
        if (at + eb > size)
            break;
        out.palette[h.map_first + i] = tg_colour(data + at, h.map_bits, h.alpha_bits == 8);
        if ((out.palette[h.map_first + i] >> 24) != 255)
            out.palette_flags |= PaletteFlagsHasAlpha;
    }
}

GpStatus tg_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    tg_header h;
    if (!tg_parse(data, size, h))
        return UnknownImageFormat;
    const PixelFormat format = tg_format(h);
    GpStatus st = cu_check_size(h.width, h.height, limits);
    if (st != Ok || (st = tg_check_data(size, h)) != Ok ||
        (st = cu_alloc(out, h.width, h.height, format, limits)) != Ok)
        return st;
    const size_t pb = (h.bpp + 7) / 8;
    std::vector<uint8_t> pix(size_t{h.width} * h.height * pb); /* size checked by cu_alloc */
    if (!tg_unpack(data, size, h, pix))
        return GenericError;
    if (format == PixelFormat8bppIndexed)
        tg_palette(data, size, h, out);
    const uint32_t ob = GetPixelFormatSize(format) / 8;
    bool anyAlpha = false;
    for (uint32_t fy = 0; fy < h.height; ++fy) {
        const uint32_t y = h.top_down ? fy : h.height - 1 - fy;
        uint8_t* d = out.pixels.data() + size_t{y} * out.stride;
        for (uint32_t fx = 0; fx < h.width; ++fx) {
            const uint32_t x = h.right_to_left ? h.width - 1 - fx : fx;
            const uint8_t* p = pix.data() + (size_t{fy} * h.width + fx) * pb;
            if (ob == 1) {
                d[x] = p[0];
                continue;
            }
            const ARGB c = tg_colour(p, h.bpp, true);
            std::memcpy(d + size_t{x} * ob, &c, ob); /* little-endian: B, G, R(, A) */
            anyAlpha = anyAlpha || (c >> 24) != 0;
        }
    }
    if (format == PixelFormat32bppARGB && !anyAlpha)
        for (uint32_t y = 0; y < h.height; ++y)
            for (uint32_t x = 0; x < h.width; ++x)
                out.pixels[size_t{y} * out.stride + size_t{x} * 4 + 3] = 255;
    return Ok;
}

} // namespace

const decoder kTgaDecoder = cu_decoder<tg_sniff, tg_probe, tg_decode>("TGA");

} // namespace gp
