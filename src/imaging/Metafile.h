#pragma once
/*
 * Metafile.h - renders Windows metafiles (Enhanced Metafiles and the older
 * 16-bit Windows Metafiles, placeable or not) into a 32-bit ARGB image.
 *
 * The picture is drawn with QPainter at the metafile's frame size in pixels at
 * 96 dots per inch onto a transparent background; a frame larger than
 * MetafileLimits::maxDrawnPixels is drawn scaled down to that area, keeping
 * its shape, since a few header bytes may claim any size. The records must
 * run to the end-of-file record: a file cut short fails. EMF+ records (carried in
 * EMF comments) are skipped; dual files draw through their EMF records.
 * Unknown records are skipped. Records are read through a bounds-checked
 * reader: a length, count or offset that points outside its record ends that
 * record's drawing, never the process.
 *
 * Text needs a QGuiApplication (fonts); without one, a metafile that draws
 * text fails with WrongState rather than render a picture without its text.
 */

#include "gp_flat.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

/* Caps for one rendering. The defaults are the program's image limits; the
 * fuzzer lowers them. */
struct MetafileLimits {
    uint32_t maxSide = GpMaxImageSide;           /* largest output or bitmap side, pixels */
    uint64_t maxPixels = GpMaxImagePixels;       /* largest output or bitmap area, pixels */
    uint64_t maxDrawnPixels = uint64_t{1} << 24; /* largest area drawn at the frame's own size */
    uint32_t maxSavedStates = 1024;              /* depth of the SaveDC stack */
    /* Drawing work allowed, in pixels touched, per output pixel (at least
     * four megapixels are assumed): a few seconds at most. Bounds the time
     * spent on hostile files. */
    uint32_t workPerPixel = 256;
};

/* Renders the metafile in data[0, size) into out (Format_ARGB32).
 * Returns Ok; UnknownImageFormat when the bytes are no metafile;
 * InvalidParameter for a null pointer or a metafile without a usable frame;
 * GenericError when the records end before the end-of-file record;
 * ValueOverflow when the frame exceeds the limits or drawing exceeds the work
 * budget; OutOfMemory when the image cannot be allocated; WrongState when
 * text must be drawn without a QGuiApplication; NotImplemented for an EMF
 * whose picture is only in EMF+ records (it would render blank). out is left untouched unless
 * Ok is returned. */
GpStatus RenderMetafile(const uint8_t* data, size_t size, QImage& out);
GpStatus RenderMetafile(const uint8_t* data, size_t size, const MetafileLimits& limits, QImage& out);
