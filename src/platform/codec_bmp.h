#pragma once
/*
 * codec_bmp.h - the device-independent bitmap reader that BMP files and the
 * bitmap entries of ICO files share.
 */

#include "gp_codec.h"

#include <cstddef>
#include <cstdint>

namespace gp {

/* What bm_read_dib needs to know about where the DIB sits. */
struct bm_dib_source {
    const uint8_t* data;   /* the info header (BITMAPINFOHEADER or a relative) */
    size_t size;           /* bytes from data to the end of the file or entry */
    uint64_t pixel_offset; /* from data to the pixel rows; 0 = right after the palette */
    bool icon;             /* ICO entry: height counts the AND mask too */
};

/* Reads the info header only: upright width and height and the format that
 * bm_read_dib will give. UnknownImageFormat for an unknown header size;
 * GenericError for an unsupported variant or pixel data the file cannot
 * hold; ValueOverflow over limits. */
GpStatus bm_probe_dib(const bm_dib_source& src, const decode_limits& limits, uint32_t& width, uint32_t& height,
                      PixelFormat& format);

/* Decodes the DIB into out. An icon entry always gives 32bppARGB, with alpha
 * from the 32-bit data or else from the AND mask. */
GpStatus bm_read_dib(const bm_dib_source& src, const decode_limits& limits, raster& out);

} // namespace gp
