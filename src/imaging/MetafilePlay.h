#pragma once
/*
 * MetafilePlay.h - the EMF and WMF players behind RenderMetafile.
 */

#include "Metafile.h"
#include "MetafileBytes.h"
#include "MetafileCanvas.h"

#include <QImage>

#include <vector>

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

/* Readers for what both formats store alike, with fields of lField bytes: 4
 * in EMF, 2 in WMF. Each reads at lAt in r and, like r's own reads, clears
 * r.Ok() when a field lies outside the record. */

/* lCount points (x, y). */
QPolygonF ReadPoints(cMetafileBytes& r, size_t lAt, uint64_t lCount, size_t lField);
/* lCount characters of lCharSize bytes: UTF-16 (2) or Latin-1 (1). */
QString ReadChars(cMetafileBytes& r, size_t lAt, uint64_t lCount, size_t lCharSize);
/* lCount character advances lStep bytes apart; none when they do not all fit. */
std::vector<double> ReadAdvances(cMetafileBytes& r, size_t lAt, uint64_t lCount, size_t lStep, size_t lField);
/* The logical pen, brush and font objects; colours are 4 bytes in both. */
LogPen ReadLogPen(cMetafileBytes& r, size_t lAt, size_t lField);
LogBrush ReadLogBrush(cMetafileBytes& r, size_t lAt, size_t lField);
LogFont ReadLogFont(cMetafileBytes& r, size_t lAt, size_t lField);
/* Scales an extent by two fractions; a zero term leaves it as it is. */
void ScaleExtent(QPointF& oExtent, double xNum, double xDenom, double yNum, double yDenom);

} // namespace metafile
