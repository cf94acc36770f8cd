/*
 * codec_png.cpp - PNG decoder and encoder over libpng.
 *
 * libpng reports errors by longjmp. Every setjmp lives in one of the small
 * plain functions below (pn_read_header, pn_read_pixels, pn_write_image);
 * their frames hold no object with a destructor, and the buffers they fill
 * belong to the caller's frame, sized before the call.
 *
 * Decoding: palette images give 1-, 4- (from 2- and 4-bit) or 8-bit indexed
 * rasters with tRNS alpha in the palette, and so do grey images without
 * alpha, with a grey ramp for a palette (a byte or less a pixel, where RGB
 * would take three); images with alpha (or a tRNS colour key) give
 * 32bppARGB; the rest 24bppRGB. 16-bit samples are scaled to 8 bits.
 * The probe reports the colour space (iCCP, sRGB, gAMA and cHRM) as an ICC
 * profile for the bitmap core.
 * A truncated or corrupt image stream fails with GenericError (no partial
 * image is returned), and so does a file that ends before its IEND chunk.
 * An image larger than kUnprovenPixels is allocated only when its IDAT
 * chunks hold enough bytes to inflate to it (deflate reaches at most
 * 1032:1).
 * Encoding: truecolour images up to kWholeImageBytes of filtered rows get
 * their image data from codec_png_idat.cpp and libpng writes the chunks
 * around it; palette images and larger ones stream through libpng.
 */
#include "codec_png_idat.h"
#include "codec_util.h"
#include "colour_lcms.h"

#include <png.h>

#include <algorithm>
#include <cstring>

namespace gp {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
/* Cap for any one ancillary chunk (text, ICC profile...): 8 MiB. */
constexpr size_t kChunkMallocMax = size_t{8} << 20;
/* The most bytes deflate can expand one compressed byte into. */
constexpr uint64_t kDeflateRatio = 1032;

/* What pn_read_header learns; plain data so that it may live in a jumping frame. */
struct pn_header {
    uint32_t width;
    uint32_t height;
    int bit_depth;
    int color_type;
    size_t row_bytes; /* of the stored rows, before any transform */
    bool has_trns;
    uint32_t palette_count;
    ARGB palette[256];
};

void pn_read_fn(png_structp png, png_bytep out, size_t n) {
    if (static_cast<cu_source*>(png_get_io_ptr(png))->read(out, n) != n)
        png_error(png, "unexpected end of data");
}

void pn_error_fn(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void pn_warning_fn(png_structp, png_const_charp) {}

/* Owns a libpng read (bWrite false) or write struct and its info struct. */
template <bool bWrite> class cPngHandle {
  public:
    cPngHandle() {
        mPng = bWrite ? png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pn_error_fn, pn_warning_fn)
                      : png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pn_error_fn, pn_warning_fn);
        if (mPng)
            mInfo = png_create_info_struct(mPng);
    }
    ~cPngHandle() {
        if constexpr (bWrite)
            png_destroy_write_struct(&mPng, mInfo ? &mInfo : nullptr);
        else
            png_destroy_read_struct(&mPng, mInfo ? &mInfo : nullptr, nullptr);
    }
    cPngHandle(const cPngHandle&) = delete;
    cPngHandle& operator=(const cPngHandle&) = delete;
    bool ok() const { return mPng && mInfo; }
    png_structp png() const { return mPng; }
    png_infop info() const { return mInfo; }

  private:
    png_structp mPng = nullptr;
    png_infop mInfo = nullptr;
};
using cPngReader = cPngHandle<false>;
using cPngWriter = cPngHandle<true>;

/* Grey without alpha: read as indices into a grey ramp. */
bool pn_grey_indexed(const pn_header& hdr) {
    return hdr.color_type == PNG_COLOR_TYPE_GRAY && !hdr.has_trns;
}

/* Reads the chunks before the image data. Returns 0 after a libpng error. */
int pn_read_header(png_structp png, png_infop info, cu_source* src, pn_header* hdr) {
    if (setjmp(png_jmpbuf(png)))
        return 0;
    png_set_read_fn(png, src, pn_read_fn);
    /* Our own limits decide (ValueOverflow); libpng's only guard its own. */
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    png_read_info(png, info);
    hdr->width = png_get_image_width(png, info);
    hdr->height = png_get_image_height(png, info);
    hdr->bit_depth = png_get_bit_depth(png, info);
    hdr->color_type = png_get_color_type(png, info);
    hdr->row_bytes = png_get_rowbytes(png, info);
    hdr->has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    hdr->palette_count = 0;
    if (pn_grey_indexed(*hdr)) {
        const uint32_t levels = 1u << std::min(hdr->bit_depth, 8);
        for (uint32_t i = 0; i < levels; ++i) {
            const uint32_t v = i * 255 / (levels - 1);
            hdr->palette[i] = 0xFF000000u | v << 16 | v << 8 | v;
        }
        hdr->palette_count = levels;
    } else if (hdr->color_type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp plte = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &plte, &count) == 0 || count <= 0 || count > 256)
            return 0;
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (hdr->has_trns)
            png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        for (int i = 0; i < count; ++i) {
            const uint32_t a = (alpha && i < alphaCount) ? alpha[i] : 255u;
            hdr->palette[i] = (a << 24) | (uint32_t{plte[i].red} << 16) | (uint32_t{plte[i].green} << 8) | plte[i].blue;
        }
        hdr->palette_count = static_cast<uint32_t>(count);
    }
    return 1;
}

/* Sets the transforms for hdr and reads all rows, then the chunks up to
 * IEND. Returns 0 after an error. */
int pn_read_pixels(png_structp png, png_infop info, const pn_header* hdr, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return 0;
    png_set_scale_16(png);
    if (hdr->color_type != PNG_COLOR_TYPE_PALETTE && !pn_grey_indexed(*hdr)) {
        png_set_expand(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return 1;
}

PixelFormat pn_format(const pn_header& hdr) {
    if (hdr.color_type == PNG_COLOR_TYPE_PALETTE || pn_grey_indexed(hdr)) {
        if (hdr.bit_depth == 1)
            return PixelFormat1bppIndexed;
        return hdr.bit_depth <= 4 ? PixelFormat4bppIndexed : PixelFormat8bppIndexed;
    }
    if ((hdr.color_type & PNG_COLOR_MASK_ALPHA) || hdr.has_trns)
        return PixelFormat32bppARGB;
    return PixelFormat24bppRGB;
}

/* Bytes of compressed image data: the run of IDAT chunks whose first one
 * png_read_info stopped in (it has read that chunk's length and type). */
uint64_t pn_idat_bytes(const cu_source& src) {
    uint64_t total = 0;
    size_t at = src.pos < 8 ? src.size : src.pos - 8;
    while (src.size >= 8 && at <= src.size - 8 && std::memcmp(src.data + at + 4, "IDAT", 4) == 0) {
        const uint64_t length = cu_be32(src.data + at);
        const uint64_t present = src.size - at - 8;
        total += std::min(length, present);
        if (length + 12 > src.size - at)
            break;
        at += static_cast<size_t>(length) + 12;
    }
    return total;
}

/* Ok when the IDAT data could inflate to the whole image. */
GpStatus pn_check_fill(const cu_source& src, const pn_header& hdr) {
    const uint64_t rowBytes = uint64_t{hdr.row_bytes} + 1; /* + filter byte */
    return cu_check_fill(uint64_t{hdr.width} * hdr.height, rowBytes * hdr.height / kDeflateRatio, pn_idat_bytes(src));
}

/* Reads the chunks before the image data; Ok when the image is within
 * limits and its IDAT data could inflate to it. */
GpStatus pn_open(cPngReader& rd, cu_source& src, pn_header& hdr, const decode_limits& limits) {
    if (!rd.ok())
        return OutOfMemory;
    if (!pn_read_header(rd.png(), rd.info(), &src, &hdr))
        return src.pos < 33 ? UnknownImageFormat : GenericError; /* 33: signature + whole IHDR */
    const GpStatus st = cu_check_size(hdr.width, hdr.height, limits);
    return st == Ok ? pn_check_fill(src, hdr) : st;
}

/* The colour space the chunks read so far declare, as an ICC profile: the
 * iCCP profile; none under an sRGB chunk; else one made from gAMA and cHRM
 * (none when they are sRGB's). Calls only libpng getters, which never jump. */
void pn_colour(png_structp png, png_infop info, std::vector<uint8_t>& profile) {
    png_charp name = nullptr;
    png_bytep data = nullptr;
    png_uint_32 length = 0;
    int compression = 0;
    if (png_get_iCCP(png, info, &name, &compression, &data, &length) != 0 && data && length > 0) {
        cu_append(profile, data, length);
        return;
    }
    if (png_get_valid(png, info, PNG_INFO_sRGB) != 0)
        return;
    double gamma = 1 / 2.2;
    double xy[8];
    const bool hasGamma = png_get_gAMA(png, info, &gamma) != 0;
    const bool hasChrm = png_get_cHRM(png, info, &xy[0], &xy[1], &xy[2], &xy[3], &xy[4], &xy[5], &xy[6], &xy[7]) != 0;
    if (hasGamma || hasChrm)
        profile = colour_profile_from_chromaticities(hasChrm ? xy : nullptr, gamma);
}

bool pn_sniff(const uint8_t* data, size_t size) {
    return size >= 8 && std::memcmp(data, kPngSignature, 8) == 0;
}

GpStatus pn_probe(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info) {
    cPngReader rd;
    cu_source src{data, size, 0};
    pn_header hdr{};
    const GpStatus st = pn_open(rd, src, hdr, limits);
    if (st != Ok)
        return st;
    info.width = hdr.width;
    info.height = hdr.height;
    info.format = pn_format(hdr);
    info.raw_format = ImageFormatPNG;
    pn_colour(rd.png(), rd.info(), info.icc_profile);
    return Ok;
}

GpStatus pn_decode(const uint8_t* data, size_t size, const decode_limits& limits, raster& out) {
    cPngReader rd;
    cu_source src{data, size, 0};
    pn_header hdr{};
    GpStatus st = pn_open(rd, src, hdr, limits);
    if (st != Ok)
        return st;
    const PixelFormat format = pn_format(hdr);
    st = cu_alloc(out, hdr.width, hdr.height, format, limits);
    if (st != Ok)
        return st;
    /* 1-, 4- and 8-bit indices arrive packed as out holds them; 2-bit ones
     * are widened afterwards. */
    const bool widenLater = hdr.palette_count > 0 && hdr.bit_depth == 2;
    const size_t packedStride = (size_t{hdr.width} + 3) / 4;
    std::vector<uint8_t> packed(widenLater ? packedStride * hdr.height : 0);
    std::vector<png_bytep> rows(hdr.height);
    for (uint32_t y = 0; y < hdr.height; ++y)
        rows[y] = widenLater ? packed.data() + size_t{y} * packedStride : out.pixels.data() + size_t{y} * out.stride;
    if (!pn_read_pixels(rd.png(), rd.info(), &hdr, rows.data()))
        return GenericError;
    for (uint32_t y = 0; widenLater && y < hdr.height; ++y)
        cu_widen_2bit(rows[y], hdr.width, out.pixels.data() + size_t{y} * out.stride);
    if (hdr.palette_count > 0) {
        out.palette.assign(hdr.palette, hdr.palette + hdr.palette_count);
        for (ARGB c : out.palette)
            if ((c >> 24) != 255)
                out.palette_flags |= PaletteFlagsHasAlpha;
        if (pn_grey_indexed(hdr))
            out.palette_flags |= PaletteFlagsGrayScale;
    }
    return Ok;
}

/* ---- Encoder ----------------------------------------------------------------- */

void pn_write_fn(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    if (!cu_append(*out, data, n))
        png_error(png, "out of memory");
}

void pn_flush_fn(png_structp) {}

/* Plain description of what to write, prepared outside the jumping frame. */
struct pn_job {
    uint32_t width;
    uint32_t height;
    int bit_depth;
    int color_type;
    bool strip_filler;
    png_colorp plte;
    int plte_count;
    png_bytep trns;
    int trns_count;
    png_bytepp rows;
    /* The finished zlib stream of the image data, when prepared beforehand
     * (written as IDAT chunks instead of compressing rows). */
    const uint8_t* idat;
    size_t idat_size;
};

/* IDAT chunks of this size at the most, as other writers use. */
constexpr size_t kIdatChunk = size_t{1} << 16;

int pn_write_image(png_structp png, png_infop info, std::vector<uint8_t>* out, const pn_job* job) {
    if (setjmp(png_jmpbuf(png)))
        return 0;
    png_set_write_fn(png, out, pn_write_fn, pn_flush_fn);
    png_set_IHDR(png, info, job->width, job->height, job->bit_depth, job->color_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job->plte_count > 0)
        png_set_PLTE(png, info, job->plte, job->plte_count);
    if (job->trns_count > 0)
        png_set_tRNS(png, info, job->trns, job->trns_count, nullptr);
    png_write_info(png, info);
    if (job->idat_size > 0) {
        for (size_t at = 0; at < job->idat_size; at += kIdatChunk)
            png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), job->idat + at,
                            std::min(kIdatChunk, job->idat_size - at));
        png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
        return 1;
    }
    if (job->color_type != PNG_COLOR_TYPE_PALETTE)
        png_set_bgr(png);
    if (job->strip_filler)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, job->rows);
    png_write_end(png, info);
    return 1;
}

GpStatus pn_encode(const raster& r, const encode_options&, std::vector<uint8_t>& out) {
    pn_job job{};
    job.width = r.width;
    job.height = r.height;
    job.bit_depth = 8;
    png_color plte[256];
    uint8_t trns[256];
    switch (r.format) {
    case PixelFormat24bppRGB: job.color_type = PNG_COLOR_TYPE_RGB; break;
    case PixelFormat32bppRGB:
        job.color_type = PNG_COLOR_TYPE_RGB;
        job.strip_filler = true;
        break;
    case PixelFormat32bppARGB: job.color_type = PNG_COLOR_TYPE_RGB_ALPHA; break;
    default:
        job.color_type = PNG_COLOR_TYPE_PALETTE;
        job.bit_depth = static_cast<int>(GetPixelFormatSize(r.format));
        job.plte_count = static_cast<int>(r.palette.size());
        for (size_t i = 0; i < r.palette.size(); ++i) {
            plte[i].red = static_cast<uint8_t>(r.palette[i] >> 16);
            plte[i].green = static_cast<uint8_t>(r.palette[i] >> 8);
            plte[i].blue = static_cast<uint8_t>(r.palette[i]);
            trns[i] = static_cast<uint8_t>(r.palette[i] >> 24);
            if (trns[i] != 255)
                job.trns_count = static_cast<int>(i) + 1; /* tRNS stops at the last non-opaque */
        }
        job.plte = plte;
        job.trns = trns;
        break;
    }
    std::vector<png_bytep> rows(r.height);
    /* libpng does not write through row pointers; the cast only fits its API. */
    auto* base = const_cast<uint8_t*>(r.pixels.data());
    for (uint32_t y = 0; y < r.height; ++y)
        rows[y] = base + size_t{y} * r.stride;
    job.rows = rows.data();
    std::vector<uint8_t> idat;
    if (job.color_type != PNG_COLOR_TYPE_PALETTE && pn_compress_truecolour(r, idat)) {
        job.idat = idat.data();
        job.idat_size = idat.size();
    }
    cPngWriter wr;
    if (!wr.ok())
        return OutOfMemory;
    return pn_write_image(wr.png(), wr.info(), &out, &job) ? Ok : GenericError;
}

} // namespace

const decoder kPngDecoder = cu_decoder<pn_sniff, pn_probe, pn_decode>("PNG");

const encoder kPngEncoder =
    cu_encoder<pn_encode>(cu_gdiplus_clsid(0x557cf406), ImageFormatPNG, u"Built-in PNG Codec", "PNG");

} // namespace gp
