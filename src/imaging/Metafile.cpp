#include "Metafile.h"

#include "MetafilePlay.h"

#include <algorithm>
#include <cmath>

namespace metafile {

GpStatus AllocateOutput(double lWidth, double lHeight, const MetafileLimits& limits, QImage& out) {
    if (!std::isfinite(lWidth) || !std::isfinite(lHeight))
        return ValueOverflow;
    /* Round halves to even, as every size conversion of the program does. */
    const double width = std::max(1.0, std::nearbyint(lWidth));
    const double height = std::max(1.0, std::nearbyint(lHeight));
    if (width > limits.maxSide || height > limits.maxSide || width * height > static_cast<double>(limits.maxPixels))
        return ValueOverflow;
    /* The players map the frame onto whatever size the image has. */
    const double shrink = std::min(1.0, std::sqrt(static_cast<double>(limits.maxDrawnPixels) / (width * height)));
    QImage image(static_cast<int>(std::max(1.0, std::floor(width * shrink))),
                 static_cast<int>(std::max(1.0, std::floor(height * shrink))), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return OutOfMemory;
    image.fill(Qt::transparent);
    out = std::move(image);
    return Ok;
}

QColor ColorFromRef(uint32_t lColorRef) {
    return QColor(lColorRef & 0xFF, (lColorRef >> 8) & 0xFF, (lColorRef >> 16) & 0xFF);
}

QPolygonF ReadPoints(cMetafileBytes& r, size_t lAt, uint64_t lCount, size_t lField) {
    const uint64_t pointSize = 2 * lField;
    QPolygonF points;
    if (lCount > r.Size() / pointSize || !r.Has(lAt, lCount * pointSize)) {
        r.Sub(lAt, r.Size() + 1); /* marks the record bad */
        return points;
    }
    points.reserve(static_cast<qsizetype>(lCount));
    for (uint64_t i = 0; i < lCount; ++i) {
        const size_t p = lAt + i * pointSize;
        points.append(QPointF(r.Int(p, lField), r.Int(p + lField, lField)));
    }
    return points;
}

QString ReadChars(cMetafileBytes& r, size_t lAt, uint64_t lCount, size_t lCharSize) {
    cMetafileBytes chars = r.Sub(lAt, lCount * lCharSize);
    QString text;
    for (uint64_t i = 0; i < lCount && r.Ok(); ++i)
        text.append(QChar(chars.UInt(i * lCharSize, lCharSize)));
    return text;
}

std::vector<double> ReadAdvances(cMetafileBytes& r, size_t lAt, uint64_t lCount, size_t lStep, size_t lField) {
    std::vector<double> dx;
    if (r.Has(lAt, lCount * lStep)) {
        for (uint64_t i = 0; i < lCount; ++i)
            dx.push_back(r.Int(lAt + i * lStep, lField));
    }
    return dx;
}

LogPen ReadLogPen(cMetafileBytes& r, size_t lAt, size_t lField) {
    /* Style, width (the x of a point), colour. */
    return LogPen{r.UInt(lAt, lField),
                  static_cast<double>(r.Int(lAt + lField, lField)),
                  ColorFromRef(r.U32(lAt + 3 * lField)),
                  {}};
}

LogBrush ReadLogBrush(cMetafileBytes& r, size_t lAt, size_t lField) {
    return LogBrush{r.UInt(lAt, lField), ColorFromRef(r.U32(lAt + lField)), r.UInt(lAt + lField + 4, lField), {}};
}

LogFont ReadLogFont(cMetafileBytes& r, size_t lAt, size_t lField) {
    /* Height, width, escapement, orientation, weight, then one byte each for
     * italic, underline, strike-out, character set, three more, and the face
     * name: up to 32 characters of half a field each. */
    LogFont font;
    font.height = r.Int(lAt, lField);
    font.width = r.Int(lAt + lField, lField);
    font.escapement = r.Int(lAt + 2 * lField, lField);
    font.weight = r.Int(lAt + 4 * lField, lField);
    font.italic = r.U8(lAt + 5 * lField) != 0;
    font.underline = r.U8(lAt + 5 * lField + 1) != 0;
    font.strikeOut = r.U8(lAt + 5 * lField + 2) != 0;
    const size_t face = lAt + 5 * lField + 8, charSize = lField / 2;
    for (size_t i = 0; i < 32 && r.Has(face + charSize * i, charSize) && r.UInt(face + charSize * i, charSize) != 0;
         ++i)
        font.face.append(QChar(r.UInt(face + charSize * i, charSize)));
    return font;
}

void ScaleExtent(QPointF& oExtent, double xNum, double xDenom, double yNum, double yDenom) {
    if (xNum != 0 && xDenom != 0 && yNum != 0 && yDenom != 0)
        oExtent = QPointF(oExtent.x() * xNum / xDenom, oExtent.y() * yNum / yDenom);
}

} // namespace metafile

GpStatus RenderMetafile(const uint8_t* data, size_t size, QImage& out) {
    return RenderMetafile(data, size, MetafileLimits{}, out);
}

GpStatus RenderMetafile(const uint8_t* data, size_t size, const MetafileLimits& limits, QImage& out) {
    if (!data)
        return InvalidParameter;
    QImage image;
    GpStatus status = UnknownImageFormat;
    if (metafile::IsEmf(data, size))
        status = metafile::PlayEmf(metafile::cMetafileBytes(data, size), limits, image);
    else if (metafile::IsWmf(data, size))
        status = metafile::PlayWmf(metafile::cMetafileBytes(data, size), limits, image);
    if (status != Ok)
        return status;
    image.convertTo(QImage::Format_ARGB32); /* in place: no second copy */
    if (image.isNull())
        return OutOfMemory;
    out = std::move(image);
    return Ok;
}
