#pragma once
/*
 * MetafilePlay.h - the EMF and WMF players behind RenderMetafile.
 */

#include "Metafile.h"
#include "MetafileBytes.h"

#include <QImage>

namespace metafile {

bool IsEmf(const uint8_t* data, size_t size);
bool IsWmf(const uint8_t* data, size_t size);

/* Each reads the header, sizes and allocates out (transparent, premultiplied
 * ARGB) and plays the records onto it. Statuses as for RenderMetafile. */
GpStatus PlayEmf(cMetafileBytes file, const MetafileLimits& limits, QImage& out);
GpStatus PlayWmf(cMetafileBytes file, const MetafileLimits& limits, QImage& out);

/* Allocates a transparent output image of lWidth x lHeight pixels after
 * checking the limits: ValueOverflow, OutOfMemory or Ok. */
GpStatus AllocateOutput(double lWidth, double lHeight, const MetafileLimits& limits, QImage& out);

/* COLORREF (0x00BBGGRR) to a colour. */
QColor ColorFromRef(uint32_t lColorRef);

} // namespace metafile
