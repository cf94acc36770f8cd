#pragma once
// The colour octree behind GIF output: every pixel of a 24-bit image is added
// to a tree whose level L splits on bit (8 - L) of red, green and blue; the
// tree is merged from its deepest, most recently listed inner node upwards as
// soon as it holds more leaves than the colour limit, and each remaining leaf
// becomes one palette entry holding the truncated average of its pixels.
//
// The tree is module state of each thread: rebuilt by every BuildPalette and
// read by the GetPalette* calls that follow it on the same thread. The module
// is not re-entrant, but threads may quantize at the same time, each with its
// own tree.

#include <cstdint>
#include <span>

// One palette entry: the average colour of a leaf.
struct cPaletteColor {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    friend bool operator==(const cPaletteColor&, const cPaletteColor&) = default;
};

// Builds the tree over a 24-bit source and fills the palette table.
//  lStride24   bytes from one row to the next (3 x width rounded up to 4 by
//              the caller; any value of 3 x width or more is accepted)
//  lHeight     rows
//  lRowEndGap  bytes at the end of each row that are not pixels
//              (lStride24 - 3 x width)
//  oSource     lStride24 x lHeight bytes, pixels as blue, green, red
//  lColorLimit most leaves kept; values outside 1..256 are clamped into it,
//              because the palette indices are bytes
//  lDepth      levels of the tree, 1..8 (8 keeps all 24 bits of colour)
// Pixels are added from the last row to the first, each row from its last
// pixel to its first; with more colours than the limit the palette depends on
// that order. Returns false, leaving an empty tree, when the arguments do not
// describe a buffer of that size.
bool BuildPalette(int32_t lStride24, int32_t lHeight, int32_t lRowEndGap, std::span<const uint8_t> oSource,
                  int32_t lColorLimit, int32_t lDepth);

// Palette index of the leaf that holds a colour added by the last
// BuildPalette. A colour never added gives 0.
int32_t GetPaletteIndex(uint8_t lBlue, uint8_t lGreen, uint8_t lRed);

// Highest palette index after the last BuildPalette: the number of palette
// entries - 1 (-1 when no pixel was added).
int32_t GetPaletteCount();

// Entry lIndex of the palette table; black for an index outside the table.
cPaletteColor GetPaletteColor(int32_t lIndex);
