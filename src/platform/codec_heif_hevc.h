#pragma once
/*
 * codec_heif_hevc.h - the reduced decode of HEVC-coded HEIF pictures straight
 * through libde265, and the box reading it shares with codec_heif.cpp.
 */

#include "gp_codec.h"

#include <cstddef>
#include <cstdint>

namespace gp {

/* One ISO base media box: its four-character type and its body [begin, end)
 * within the file. */
struct heif_box {
    char type[4] = {};
    size_t begin = 0;
    size_t end = 0;
};

/* Reads the box at at within [at, end) and moves at past it; false at the end
 * of the range or when the box's size leaves it (sizes come from the file). */
bool hv_next_box(const uint8_t* data, size_t& at, size_t end, heif_box& box);

/* The first box of type within [begin, end) of data, into found. */
bool hv_child(const uint8_t* data, size_t begin, size_t end, const char* type, heif_box& found);

/* How the picture's YCbCr turns into RGB, from the file's nclx description
 * when it has one (else from the coded stream's own description). */
struct hevc_colour {
    bool known = false;
    int matrix = 6;
    bool full_range = true;
};

/* Decodes the primary image of a HEIF file, an 'hvc1' picture or a grid of
 * them, at 1/2, 1/4 or 1/8 of its size when that serves a draw of the whole
 * image at limits.draw_width x limits.draw_height (cu_reduced_denom), into
 * out as upright 24bppRGB: the file's rotations and mirrors (irot, imir) are
 * applied, then exifOrientation (1..8, 0 for none). Only 8-bit 4:2:0 pictures
 * without a crop (clap) are read here; for everything else, and when no
 * reduction serves the draw, it returns NotImplemented and leaves out as it
 * was, so that the caller decodes through libheif. GenericError when the
 * coded pictures do not decode to the sizes the file gives them. */
GpStatus hv_decode_reduced(const uint8_t* data, size_t size, const decode_limits& limits, int exifOrientation,
                           const hevc_colour& colour, raster& out);

} // namespace gp
