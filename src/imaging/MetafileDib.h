#pragma once
/*
 * MetafileDib.h - decodes the device-independent bitmaps embedded in
 * metafile records (blits, stretched DIBs, pattern brushes).
 */

#include "Metafile.h"
#include "MetafileBytes.h"

#include <QImage>

namespace metafile {

/* Colour-table usage of a DIB record: RGB entries, or indices into the
 * logical palette (which we do not track; those bitmaps are refused). */
inline constexpr uint32_t DibRgbColors = 0;

/* Decodes a DIB whose header and colour table are in bmi and whose pixel
 * rows are in bits. Returns a null image when the header is malformed, the
 * bitmap exceeds the limits or the bits are too short. Rows come out
 * top-down in Format_ARGB32, opaque. */
QImage DecodeDib(cMetafileBytes bmi, cMetafileBytes bits, uint32_t usage, const MetafileLimits& limits);

/* Decodes a packed DIB (header, colour table and bits in one block), as WMF
 * records store them. */
QImage DecodePackedDib(cMetafileBytes dib, uint32_t usage, const MetafileLimits& limits);

} // namespace metafile
