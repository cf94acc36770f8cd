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

} // namespace metafile

bool IsMetafile(const uint8_t* data, size_t size) {
    return data && (metafile::IsEmf(data, size) || metafile::IsWmf(data, size));
}

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
