#pragma once
/*
 * gp_codec.h - internal contract between the bitmap core and the codecs.
 * Not part of the public API (gp_flat.h).
 *
 * A decoder turns encoded bytes into rasters, one frame (GIF time frame or
 * TIFF page) at a time, so that an image object can keep its encoded source
 * and decode lazily (and, later, at a reduced scale). An encoder turns one or
 * more rasters into bytes. Codecs never throw: every entry point returns a
 * GpStatus. Functions that call into libjpeg or libpng keep their setjmp
 * frames free of objects with destructors; the std::vectors below belong to
 * the caller's frame and are only resized outside the jumping region.
 */

#include "gp_flat.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gp {

/* One frame in memory: rows top-down, Stride bytes apart (a multiple of 4),
 * in one of the six formats of gp_flat.h. Indexed formats carry a palette of
 * up to 2^bpp ARGB entries; other formats leave it empty. */
struct raster {
    uint32_t width = 0;
    uint32_t height = 0;
    PixelFormat format = PixelFormat24bppRGB;
    uint32_t stride = 0;
    std::vector<uint8_t> pixels;
    std::vector<ARGB> palette;
    uint32_t palette_flags = 0;
};

/* One metadata item: id, PropertyTagType and the value bytes as stored in the
 * file (EXIF byte order already converted to little-endian for Short/Long). */
struct property {
    PROPID id = 0;
    uint16_t type = PropertyTagTypeUndefined;
    std::vector<uint8_t> value;
};

/* What a decoder learns from the header, before any pixel is decoded.
 * width and height are the upright size (EXIF orientation applied). */
struct image_info {
    uint32_t width = 0;
    uint32_t height = 0;
    PixelFormat format = PixelFormat24bppRGB;
    uint32_t frame_count = 1;
    bool frames_are_pages = true; /* TIFF pages: true; GIF time frames: false */
    GUID raw_format{};            /* ImageFormatJPEG, ImageFormatPNG, ... */
    std::vector<property> properties;
    /* The embedded ICC profile (or one made from PNG's gAMA and cHRM); empty
     * for sRGB and untagged images. The bitmap core converts decoded pixels
     * through it to sRGB (colour_lcms.h). */
    std::vector<uint8_t> icc_profile;
};

/* Caps applied before allocating (fuzzers lower them), and what the caller
 * will do with the frame. */
struct decode_limits {
    uint32_t max_side = GpMaxImageSide;
    uint64_t max_pixels = GpMaxImagePixels;
    /* Upright size the whole frame will be drawn at; 0 x 0 when the full
     * frame is wanted. A decoder that can decode at a reduced scale may return
     * a smaller raster of the same shape, but never one with a side under
     * these sides (HEIF: an embedded thumbnail of at least them); decoders
     * that cannot simply ignore them. */
    uint32_t draw_width = 0;
    uint32_t draw_height = 0;
};

struct decoder {
    const char* name;
    /* True when the bytes start with this format's signature. */
    bool (*sniff)(const uint8_t* data, size_t size);
    /* Reads the header; fills info. UnknownImageFormat / ValueOverflow /
     * OutOfMemory on bad input. */
    GpStatus (*probe)(const uint8_t* data, size_t size, const decode_limits& limits, image_info& info);
    /* Decodes frame (0-based) into out, replacing its contents. */
    GpStatus (*decode)(const uint8_t* data, size_t size, uint32_t frame, const decode_limits& limits, raster& out);
};

struct encode_options {
    int32_t quality = -1; /* JPEG, WebP, AVIF, JPEG XL 0..100; -1 = the encoder's default (75) */
    /* Photo details for the encoders that write them (AVIF, JPEG XL, WebP):
     * the EXIF block from its TIFF header on and the XMP packet; empty = none. */
    std::vector<uint8_t> exif;
    std::vector<uint8_t> xmp;
};

struct encoder {
    CLSID clsid;
    GUID format_id;
    const WCHAR* codec_name;
    const char* format_code; /* its row of the format table (gp_formats.h): "GIF" */
    /* Encodes page_count rasters (1 except for multi-page TIFF) into out,
     * replacing its contents. */
    GpStatus (*encode)(const raster* const* pages, size_t page_count, const encode_options& options,
                       std::vector<uint8_t>& out);
};

/* The codec tables, defined in gp_codecs.cpp from the codec_*.cpp files.
 * Decoders are tried in table order by sniff(); encoders are listed in this
 * order: BMP, JPEG, GIF, TIFF, PNG, WebP, AVIF, JPEG XL. */
const decoder* const* decoder_table(size_t& count);
const encoder* encoder_table(size_t& count);

} // namespace gp
