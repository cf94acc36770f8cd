#pragma once
/*
 * codec_quant.h - the GIF encoder's own colour reduction for rasters that
 * are not already 8-bit indexed: exact when the image has few colours, else
 * a median-cut palette over a 15-bit colour histogram.
 */

#include "gp_codec.h"

#include <cstdint>
#include <vector>

namespace gp {

/* Result of reducing a raster to at most 256 entries. */
struct quant_result {
    std::vector<ARGB> palette;    /* opaque entries, then the transparent one if any */
    std::vector<uint8_t> indices; /* width * height, one byte a pixel */
    int transparent = -1;         /* index of the transparent entry, -1 when none */
};

/* Reduces r (any of the six formats); pixels with alpha below 128 share one
 * transparent index. Throws std::bad_alloc when buffers cannot be had. */
void quant_reduce(const raster& r, quant_result& out);

} // namespace gp
