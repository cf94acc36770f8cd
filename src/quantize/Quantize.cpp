#include "Quantize.h"

#include "OctTree.h"
#include "cBitmap.h"
#include "cGDIP.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr int32_t kDepth = 8;          // leaves keep all 24 bits of colour
constexpr uint32_t kPaletteSize = 256; // entries of every palette we write

// Bytes from one row to the next: the row rounded up to a multiple of 4.
int32_t AlignedStride(int32_t lRowBytes) {
    return (lRowBytes + 3) / 4 * 4;
}

size_t BufferSize(int32_t lStride, int32_t lHeight) {
    return static_cast<size_t>(lStride) * static_cast<size_t>(lHeight);
}

// Passes the pixels of rect between oBitmap and buffer, rows lStride bytes
// apart, through a lock on the caller's buffer: eMode ImageLockModeRead copies
// them out, ImageLockModeWrite in. False when the library refuses.
bool CopyPixels(cBitmap& oBitmap, const GpRect& rect, uint32_t eMode, int32_t ePixelFormat, int32_t lStride,
                uint8_t* buffer) {
    BitmapData data{
        static_cast<uint32_t>(rect.Width), static_cast<uint32_t>(rect.Height), lStride, ePixelFormat, buffer, 0};
    if (oBitmap.LockBits(&rect, eMode | ImageLockModeUserInputBuf, ePixelFormat, &data) != Ok)
        return false;
    return oBitmap.UnlockBits(&data) == Ok;
}

// The palette index of every pixel, rows lStride8 bytes apart; the bytes past
// the width stay 0. Pixels are visited in the order the tree was built in.
std::vector<uint8_t> MapToIndices(const std::vector<uint8_t>& pixels, const GpRect& bounds, int32_t lStride24,
                                  int32_t lStride8) {
    std::vector<uint8_t> indices(BufferSize(lStride8, bounds.Height), 0);
    for (int32_t row = bounds.Height - 1; row >= 0; --row) {
        const uint8_t* pixel = pixels.data() + BufferSize(lStride24, row) + 3 * bounds.Width;
        uint8_t* index = indices.data() + BufferSize(lStride8, row) + bounds.Width;
        for (int32_t x = bounds.Width - 1; x >= 0; --x) {
            pixel -= 3;
            // At most 256 leaves, so every index fits a byte.
            *--index = static_cast<uint8_t>(GetPaletteIndex(pixel[0], pixel[1], pixel[2]));
        }
    }
    return indices;
}

// Gives oBitmap the palette of the last build: 256 entries, entry i for
// i <= GetPaletteCount() the colour of leaf i with alpha 255, the rest 0.
int32_t SetBuiltPalette(cBitmap& oBitmap) {
    constexpr size_t kEntries = offsetof(ColorPalette, Entries);
    alignas(ColorPalette) std::array<std::byte, kEntries + 4 * kPaletteSize> storage{};
    const auto* palette = new (storage.data()) ColorPalette{PaletteFlagsHasAlpha, kPaletteSize, {0}};
    for (int32_t i = 0; i <= GetPaletteCount(); ++i) {
        const cPaletteColor color = GetPaletteColor(i);
        const ARGB entry = 0xFF000000u | uint32_t{color.Red} << 16 | uint32_t{color.Green} << 8 | uint32_t{color.Blue};
        std::memcpy(storage.data() + kEntries + 4 * static_cast<size_t>(i), &entry, sizeof entry);
    }
    return oBitmap.SetPalette(palette);
}

// Makes oBitmap an 8-bit indexed image of the bounds' size (the bounds start
// at 0, 0) holding indices.
// False when any step fails; oBitmap reports nothing (its gdip is not set).
bool CreateIndexed(cBitmap& oBitmap, const GpRect& bounds, int32_t lStride8, std::vector<uint8_t>& indices) {
    if (oBitmap.CreateFromScan0(bounds.Width, bounds.Height, 0, PixelFormat8bppIndexed, nullptr) != Ok)
        return false;
    if (SetBuiltPalette(oBitmap) != Ok)
        return false;
    return CopyPixels(oBitmap, bounds, ImageLockModeWrite, PixelFormat8bppIndexed, lStride8, indices.data());
}

} // namespace

std::unique_ptr<cBitmap> QuantizeImage(std::unique_ptr<cBitmap> oSource, int32_t& lColorLimit) {
    if (!oSource)
        return nullptr;
    if (oSource->PixelFormat() != PixelFormat24bppRGB)
        return oSource;
    const GpRect bounds = oSource->GetBounds();
    if (bounds.Width <= 0 || bounds.Height <= 0)
        return nullptr;
    try {
        const int32_t stride24 = AlignedStride(3 * bounds.Width);
        std::vector<uint8_t> pixels(BufferSize(stride24, bounds.Height), 0);
        if (!CopyPixels(*oSource, bounds, ImageLockModeRead, PixelFormat24bppRGB, stride24, pixels.data()))
            return nullptr;
        BuildPalette(stride24, bounds.Height, stride24 - 3 * bounds.Width, pixels, lColorLimit, kDepth);
        if (oSource->gdip && !oSource->gdip->FormatEncoder(QStringLiteral("GIF")))
            return oSource;

        const int32_t stride8 = AlignedStride(bounds.Width);
        std::vector<uint8_t> indices = MapToIndices(pixels, bounds, stride24, stride8);
        pixels = {};
        auto quantized = std::make_unique<cBitmap>();
        if (!CreateIndexed(*quantized, bounds, stride8, indices))
            return nullptr;
        lColorLimit = GetPaletteCount();
        return quantized;
    } catch (const std::bad_alloc&) {
        // Buffers for an image too large for the memory left: no bitmap.
        return nullptr;
    }
}
