/*
 * codec_png_idat.h - the image data of a truecolour PNG, filtered and
 * compressed in one piece.
 *
 * libpng compresses through zlib, whose level-6 match search takes most of
 * a PNG save; libdeflate reaches a slightly smaller stream in well under
 * half the time, but only from the whole filtered image at once. So images
 * up to kWholeImageBytes of filtered rows are prepared here and handed to
 * libpng as finished IDAT data; larger ones stream through libpng.
 */
#pragma once

#include "gp_internal.h"

#include <cstdint>
#include <vector>

namespace gp {

/* Filtered rows above this size stream through libpng instead. */
inline constexpr uint64_t kWholeImageBytes = uint64_t{64} << 20;

/* The zlib stream of r's rows in PNG order (RGB or RGBA, 8 bits a sample),
 * each row filtered with the filter whose output has the smallest sum of
 * absolute values (as libpng chooses). r must be 24bppRGB, 32bppRGB or
 * 32bppARGB. False when r is too large for this path or memory runs out. */
bool pn_compress_truecolour(const raster& r, std::vector<uint8_t>& zlib);

} // namespace gp
