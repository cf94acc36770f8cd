/*
 * codec_tiff.cpp - TIFF decoder and encoder over libtiff, in memory.
 *
 * libtiff reads and writes through our client procedures over a byte
 * buffer; its errors and warnings go to per-handle handlers that keep the
 * last message in the handle's stream record, so nothing is printed. The
 * process-wide handlers are switched off once for the few library paths
 * that do not know their handle.
 *
 * Pages are frames. Palette pages (1, 2, 4, 8 bits) give indexed rasters,
 * 1-bit grey pages 1bppIndexed, 8-bit RGB(A) strips 24bppRGB or 32bppARGB
 * read exactly; everything else goes through libtiff's RGBA reader (any
 * compression, YCbCr, CMYK, tiles, 16 bits) and gives 24bppRGB, or
 * 32bppARGB when the page has an alpha sample. The first page's ICC profile
 * goes into image_info for the bitmap core. A damaged or missing strip
 * or tile fails the page (GenericError). A page larger than kUnprovenPixels
 * is allocated only when its strips or tiles hold enough bytes to expand to
 * it under its compression scheme.
 *
 * Encoding writes one page per raster with LZW compression (horizontal
 * predictor for RGB): indexed rasters as palette pages of their depth,
 * 24/32bppRGB as RGB, 32bppARGB as RGB with an unassociated alpha sample.
 */
#include "codec_util.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace gp {
namespace {

/* One memory stream: read-only over data, or growable into out. */
struct tf_stream {
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t pos = 0;
    std::vector<uint8_t>* out = nullptr;
    char message[160] = {}; /* the last libtiff error, for debugging */
};

tmsize_t tf_read(thandle_t h, void* buf, tmsize_t n) {
    auto* s = static_cast<tf_stream*>(h);
    if (n <= 0 || s->pos >= s->size)
        return 0;
    const uint64_t k = std::min<uint64_t>(static_cast<uint64_t>(n), s->size - s->pos);
    std::memcpy(buf, s->data + s->pos, static_cast<size_t>(k));
    s->pos += k;
    return static_cast<tmsize_t>(k);
}

tmsize_t tf_write(thandle_t h, void* buf, tmsize_t n) {
    auto* s = static_cast<tf_stream*>(h);
    if (!s->out || n < 0)
        return -1;
    const uint64_t end = s->pos + static_cast<uint64_t>(n);
    try {
        if (end > s->out->size())
            s->out->resize(static_cast<size_t>(end));
    } catch (...) {
        return -1;
    }
    std::memcpy(s->out->data() + s->pos, buf, static_cast<size_t>(n));
    s->pos = end;
    s->size = s->out->size();
    s->data = s->out->data();
    return n;
}

toff_t tf_seek(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<tf_stream*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = s->pos;
    else if (whence == SEEK_END)
        base = s->size;
    if (off > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    s->pos = base + off;
    return s->pos;
}

int tf_close(thandle_t) {
    return 0;
}

toff_t tf_size(thandle_t h) {
    return static_cast<tf_stream*>(h)->size;
}

int tf_error(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* s = static_cast<tf_stream*>(user);
    char text[128];
    std::vsnprintf(text, sizeof text, fmt, ap);
    std::snprintf(s->message, sizeof s->message, "%s: %s", module ? module : "tiff", text);
    return 1; /* handled: the process-wide handler is not called */
}

int tf_warning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

using tf_handle = cu_owned<TIFF, TIFFClose>;

/* Opens the stream with our handlers; maxAlloc caps any single allocation
 * libtiff makes (strip buffers of hostile files). Reads never map the file
 * ("m" in the mode), so libtiff needs no map procedures. */
tf_handle tf_open(tf_stream& s, const char* mode, uint64_t maxAlloc) {
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    const cu_owned<TIFFOpenOptions, TIFFOpenOptionsFree> opts(TIFFOpenOptionsAlloc());
    if (!opts)
        return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts.get(), static_cast<tmsize_t>(std::min<uint64_t>(maxAlloc, INT64_MAX)));
    TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), tf_error, &s);
    TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), tf_warning, &s);
    return tf_handle(TIFFClientOpenExt("memory", mode, &s, tf_read, tf_write, tf_seek, tf_close, tf_size, nullptr,
                                       nullptr, opts.get()));
}

uint64_t tf_alloc_cap(const decode_limits& limits) {
    const uint64_t perImage = limits.max_pixels > (UINT64_MAX / 8) ? UINT64_MAX : limits.max_pixels * 8;
    return std::max<uint64_t>(uint64_t{64} << 20, perImage);
}

enum class tf_path { palette, bilevel, rgb8, rgba };

struct tf_page {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bps = 1;
    uint16_t spp = 1;
    uint16_t photometric = 0;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t alpha = 0; /* EXTRASAMPLE_ASSOCALPHA / _UNASSALPHA of the 4th sample, or 0 */
    tf_path path = tf_path::rgba;
    PixelFormat format = PixelFormat24bppRGB;
};

GpStatus tf_describe(TIFF* tif, tf_page& p) {
    p = tf_page{};
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &p.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &p.height))
        return GenericError;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &p.bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &p.spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &p.planar);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &p.photometric))
        p.photometric = p.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 &&
        (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA))
        p.alpha = extra[0];
    const bool strips = !TIFFIsTiled(tif) && p.planar == PLANARCONFIG_CONTIG;
    if (strips && p.spp == 1 && p.photometric == PHOTOMETRIC_PALETTE &&
        (p.bps == 1 || p.bps == 2 || p.bps == 4 || p.bps == 8)) {
        p.path = tf_path::palette;
        p.format = p.bps == 1 ? PixelFormat1bppIndexed : (p.bps == 8 ? PixelFormat8bppIndexed : PixelFormat4bppIndexed);
    } else if (strips && p.spp == 1 && p.bps == 1 &&
               (p.photometric == PHOTOMETRIC_MINISWHITE || p.photometric == PHOTOMETRIC_MINISBLACK)) {
        p.path = tf_path::bilevel;
        p.format = PixelFormat1bppIndexed;
    } else if (strips && p.bps == 8 && p.photometric == PHOTOMETRIC_RGB && (p.spp == 3 || p.spp == 4)) {
        p.path = tf_path::rgb8;
        p.format = (p.spp == 4 && p.alpha) ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    } else {
        p.path = tf_path::rgba;
        p.format = p.alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;
    }
    return Ok;
}

/* Decoded bytes one stored byte may stand for under the page's compression:
 * the scheme's best case, generous for those without a known bound. */
uint64_t tf_expansion(TIFF* tif, const tf_page& p) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint64_t pixelBits = uint64_t{p.bps} * p.spp;
    switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 64; /* 2 bytes give 128 */
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_LZW: return 2731; /* 4096 bytes per 12-bit code */
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4: return (uint64_t{p.width} * pixelBits + 7) / 8 * 8; /* a bit a row */
    case COMPRESSION_OJPEG:
    case COMPRESSION_JPEG: return 64 * pixelBits; /* a bit per 8 x 8 block */
    default: return uint64_t{1} << 16;
    }
}

/* Ok when the page is within limits and the strips or tiles present could
 * expand to the whole of it. */
GpStatus tf_check_page(TIFF* tif, const tf_page& p, const decode_limits& limits, uint64_t fileSize) {
    const uint64_t pixels = uint64_t{p.width} * p.height;
    const GpStatus st = cu_check_size(p.width, p.height, limits);
    if (st != Ok || pixels <= kUnprovenPixels)
        return st;
    uint64_t have = 0;
    const uint32_t count = TIFFNumberOfStrips(tif);
    for (uint32_t i = 0; i < count && have < fileSize; ++i) {
        const uint64_t at = TIFFGetStrileOffset(tif, i), bytes = TIFFGetStrileByteCount(tif, i);
        if (at < fileSize)
            have += std::min(bytes, fileSize - at);
    }
    const uint64_t raw = pixels * p.bps * p.spp / 8;
    return cu_check_fill(pixels, raw / std::max<uint64_t>(1, tf_expansion(tif, p)), have);
}

GpStatus tf_palette(TIFF* tif, const tf_page& p, raster& out) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    const size_t count = size_t{1} << p.bps;
    if (p.path == tf_path::bilevel) {
        const bool white0 = p.photometric == PHOTOMETRIC_MINISWHITE;
        out.palette = {white0 ? 0xFFFFFFFFu : 0xFF000000u, white0 ? 0xFF000000u : 0xFFFFFFFFu};
        out.palette_flags = PaletteFlagsGrayScale;
        return Ok;
    }
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
        return GenericError;
    /* Old writers stored 8-bit values in the 16-bit map. */
    bool eightBit = true;
    for (size_t i = 0; i < count; ++i)
        eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
    const int shift = eightBit ? 0 : 8;
    out.palette.resize(size_t{1} << GetPixelFormatSize(out.format), 0xFF000000u);
    for (size_t i = 0; i < count; ++i)
        out.palette[i] = 0xFF000000u | uint32_t(red[i] >> shift) << 16 | uint32_t(green[i] >> shift) << 8 |
                         uint32_t(blue[i] >> shift);
    return Ok;
}

/* Reads strips scanline by scanline into out (palette, bilevel, rgb8). */
GpStatus tf_read_scanlines(TIFF* tif, const tf_page& p, raster& out) {
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    const uint64_t need = (uint64_t{p.width} * p.bps * p.spp + 7) / 8;
    if (lineSize <= 0 || static_cast<uint64_t>(lineSize) < need)
        return GenericError;
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    const uint32_t step = out.format == PixelFormat32bppARGB ? 4 : 3;
    for (uint32_t y = 0; y < p.height; ++y) {
        if (TIFFReadScanline(tif, line.data(), y, 0) < 0)
            return GenericError;
        uint8_t* d = out.pixels.data() + size_t{y} * out.stride;
        const uint8_t* s = line.data();
        if (p.path == tf_path::rgb8)
            cu_swap_red_blue(s, p.spp, d, step, p.width, p.alpha == EXTRASAMPLE_ASSOCALPHA);
        else if (p.bps == 2)
            cu_widen_2bit(s, p.width, d);
        else
            std::memcpy(d, s, static_cast<size_t>(need));
    }
    return Ok;
}

/* Any other page through libtiff's RGBA reader (premultiplied results). */
GpStatus tf_read_rgba(TIFF* tif, const tf_page& p, raster& out) {
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message))
        return GenericError;
    std::vector<uint32_t> rgba(size_t{p.width} * p.height);
    if (!TIFFReadRGBAImageOriented(tif, p.width, p.height, rgba.data(), ORIENTATION_TOPLEFT, 1))
        return GenericError;
    /* Each value holds R in its low byte up to A in its high one: on our
     * little-endian machines the bytes R, G, B, A. */
    const auto* bytes = reinterpret_cast<const uint8_t*>(rgba.data());
    const uint32_t step = out.format == PixelFormat32bppARGB ? 4 : 3;
    for (uint32_t y = 0; y < p.height; ++y)
        cu_swap_red_blue(bytes + size_t{y} * p.width * 4, 4, out.pixels.data() + size_t{y} * out.stride, step, p.width,
                         true);
    return Ok;
}

bool tf_sniff(const uint8_t* data, size_t size) {
    if (size < 8)
        return false;
    const bool ii = data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0;
    const bool mm = data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
    return ii || mm;
}

GpStatus tf_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    tf_stream s{data, size};
    tf_handle tif = tf_open(s, "rm", tf_alloc_cap(limits));
    if (!tif)
        return GenericError;
    tf_page p;
    GpStatus st = tf_describe(tif.get(), p);
    if (st != Ok || (st = tf_check_page(tif.get(), p, limits, s.size)) != Ok)
        return st;
    info.width = p.width;
    info.height = p.height;
    info.format = p.format;
    s.message[0] = '\0';
    info.frame_count = std::max<uint32_t>(1, TIFFNumberOfDirectories(tif.get()));
    if (s.message[0] != '\0')
        return GenericError; /* a later page's directory is cut off or damaged */
    info.raw_format = ImageFormatTIFF;
    uint32_t iccSize = 0;
    const uint8_t* icc = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc && iccSize > 0)
        cu_append(info.icc_profile, icc, iccSize);
    return Ok;
}

GpStatus tf_decode(const uint8_t* data, size_t size, uint32_t frame, const decode_limits& limits, raster& out) {
    tf_stream s{data, size};
    tf_handle tif = tf_open(s, "rm", tf_alloc_cap(limits));
    if (!tif)
        return GenericError;
    if (frame > 0 && !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(frame)))
        return InvalidParameter;
    tf_page p;
    GpStatus st = tf_describe(tif.get(), p);
    if (st != Ok || (st = tf_check_page(tif.get(), p, limits, s.size)) != Ok)
        return st;
    if ((st = cu_alloc(out, p.width, p.height, p.format, limits)) != Ok)
        return st;
    if (p.path == tf_path::palette || p.path == tf_path::bilevel)
        if ((st = tf_palette(tif.get(), p, out)) != Ok)
            return st;
    return p.path == tf_path::rgba ? tf_read_rgba(tif.get(), p, out) : tf_read_scanlines(tif.get(), p, out);
}

/* ---- Encoder ----------------------------------------------------------------- */

bool tf_write_page(TIFF* tif, const raster& r, uint16_t page, uint16_t pageCount, std::vector<uint8_t>& line) {
    const uint32_t bpp = GetPixelFormatSize(r.format);
    const bool indexed = bpp <= 8;
    const bool alpha = r.format == PixelFormat32bppARGB;
    const uint16_t spp = indexed ? 1 : (alpha ? 4 : 3);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, r.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, r.height);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, indexed ? static_cast<uint16_t>(bpp) : uint16_t{8});
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
    if (pageCount > 1) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, pageCount);
    }
    std::vector<uint16_t> map;
    if (indexed) {
        const size_t n = size_t{1} << bpp;
        map.assign(3 * n, 0);
        for (size_t i = 0; i < r.palette.size(); ++i) {
            map[i] = static_cast<uint16_t>(((r.palette[i] >> 16) & 255) * 257);
            map[n + i] = static_cast<uint16_t>(((r.palette[i] >> 8) & 255) * 257);
            map[2 * n + i] = static_cast<uint16_t>((r.palette[i] & 255) * 257);
        }
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (alpha) {
            const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    for (uint32_t y = 0; y < r.height; ++y) {
        const uint8_t* s = r.pixels.data() + size_t{y} * r.stride;
        if (indexed)
            std::memcpy(line.data(), s, (size_t{r.width} * bpp + 7) / 8);
        else
            cu_swap_red_blue(s, bpp / 8, line.data(), spp, r.width);
        if (TIFFWriteScanline(tif, line.data(), y, 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

GpStatus tf_encode(const raster* const* pages, size_t pageCount, const encode_options&, std::vector<uint8_t>& out) {
    if (pageCount < 1 || pageCount > 65535)
        return InvalidParameter;
    size_t widest = 0;
    for (size_t i = 0; i < pageCount; ++i) {
        if (!pages[i] || !cu_raster_valid(*pages[i]))
            return InvalidParameter;
        widest = std::max<size_t>(widest, size_t{pages[i]->width} * 4);
    }
    std::vector<uint8_t> line(widest);
    tf_stream s;
    s.out = &out;
    tf_handle tif = tf_open(s, "w", UINT64_MAX);
    if (!tif)
        return OutOfMemory;
    for (size_t i = 0; i < pageCount; ++i) {
        bool written = false;
        try {
            written =
                tf_write_page(tif.get(), *pages[i], static_cast<uint16_t>(i), static_cast<uint16_t>(pageCount), line);
        } catch (...) {
            /* not written */
        }
        if (!written)
            return GenericError;
    }
    tif.reset(); /* flushes the last directory into out */
    return out.empty() ? GenericError : Ok;
}

} // namespace

const decoder kTiffDecoder = cu_decoder<tf_sniff, tf_probe, tf_decode>("TIFF");

const encoder kTiffEncoder =
    cu_encoder<tf_encode>(cu_gdiplus_clsid(0x557cf405), ImageFormatTIFF, u"Built-in TIFF Codec", "TIF");

} // namespace gp
