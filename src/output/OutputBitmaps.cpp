#include "OutputBitmaps.h"

#include "cGraphics.h"

#include <vector>

namespace {

// Draws image over the whole of target; false when the draw failed.
bool DrawInto(cBitmap& target, const cBitmap& image) {
    cGraphics graphics;
    return graphics.GetGraphicsContext(target.Handle()) == Ok &&
           graphics.SetInterpolationMode(InterpolationModeHighQualityBilinear) == Ok &&
           graphics.DrawImageRectI(image.Handle(), 0, 0, target.Width(), target.Height()) == Ok;
}

} // namespace

std::unique_ptr<cBitmap> OverWhite(const cBitmap& image) {
    // 24-bit rows are padded to 4 bytes; every byte, padding included, is white.
    const int32_t stride = (image.Width() * 3 + 3) / 4 * 4;
    std::vector<uint8_t> white(static_cast<size_t>(stride) * static_cast<size_t>(image.Height()), 0xFF);
    auto flat = std::make_unique<cBitmap>();
    if (flat->CreateFromScan0(image.Width(), image.Height(), stride, PixelFormat24bppRGB, white.data()) != Ok ||
        !DrawInto(*flat, image))
        return nullptr;
    return flat;
}

std::unique_ptr<cBitmap> CopyOf(const cBitmap& image) {
    auto copy = std::make_unique<cBitmap>();
    if (copy->CreateFromClone(image.Width(), image.Height(), image.Handle(), image.PixelFormat()) != Ok)
        return nullptr;
    return copy;
}

std::unique_ptr<cBitmap> ScaledCopy(const cBitmap& image, int32_t lWidth, int32_t lHeight) {
    auto copy = std::make_unique<cBitmap>();
    if (copy->CreateFromScan0(lWidth, lHeight, 0, image.PixelFormat(), nullptr) != Ok || !DrawInto(*copy, image))
        return nullptr;
    return copy;
}
