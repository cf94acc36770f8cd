#pragma once
// Palette reduction of a 24-bit bitmap for GIF output.
//
// Uses the per-thread module state of OctTree: not re-entrant, but any thread
// may quantize, one image at a time on each. Failures are reported through
// oSource->gdip, whose Error signal belongs to the user-interface thread: a
// worker thread leaves gdip unset.

#include <cstdint>
#include <memory>

class cBitmap;

// Reduces oSource to at most lColorLimit colours (1..256; callers pass 256)
// and gives back the bitmap to encode in its place:
//  - a new 8-bit palettized bitmap (format 0x30803) whose palette has 256
//    entries, the used ones opaque, each the average colour of its pixels;
//    oSource is released. The new bitmap's gdip is not set.
//  - oSource itself, unchanged, when its pixel format is not 24-bit RGB, or
//    when oSource->gdip has no encoder for "*.gif" (the caller then writes
//    another format and needs no palette).
//  - nullptr, when oSource is null, has no pixels (zero width or height), or
//    its pixels cannot be read or the new bitmap cannot be made; failures of
//    oSource's calls have been reported through its gdip.
// On return lColorLimit holds the highest palette index used (the number of
// colours - 1) when a new bitmap was made, and is unchanged otherwise.
//
// oSource->gdip should be set; without it the bitmap is quantized as if a GIF
// encoder exists, and failures of its calls are not reported.
//
// Typical call: output = QuantizeImage(std::move(output), colorLimit);
std::unique_ptr<cBitmap> QuantizeImage(std::unique_ptr<cBitmap> oSource, int32_t& lColorLimit);
