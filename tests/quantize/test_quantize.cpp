// The colour octree (hand-worked palettes for small images, merge order,
// truncating averages, 64-bit sums) and QuantizeImage over
// real bitmaps: the palettized result and the sources it gives back untouched.
#include "OctTree.h"
#include "Quantize.h"
#include "cBitmap.h"
#include "cGDIP.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::vector<uint32_t>>;
constexpr ARGB kOpaque = 0xFF000000u;

constexpr cPaletteColor Rgb(uint32_t lRgb) {
    return {uint8_t(lRgb), uint8_t(lRgb >> 8), uint8_t(lRgb >> 16)};
}

int32_t IndexOf(uint32_t lRgb) {
    return GetPaletteIndex(Rgb(lRgb).Blue, Rgb(lRgb).Green, Rgb(lRgb).Red);
}

// A 24-bit buffer: rows of 0xRRGGBB colours, each row padded to 4 bytes.
struct cImage24 {
    int32_t Width, Height, Stride;
    std::vector<uint8_t> Bytes;

    explicit cImage24(const Rows& rows)
        : Width(int32_t(rows.at(0).size())), Height(int32_t(rows.size())), Stride((3 * Width + 3) / 4 * 4),
          Bytes(size_t(Stride) * size_t(Height)) {
        for (int32_t y = 0; y < Height; ++y)
            for (int32_t x = 0; x < Width; ++x)
                for (int c = 0; c < 3; ++c) // blue, green, red
                    Bytes[size_t(y) * Stride + 3 * size_t(x) + c] = uint8_t(rows[y][x] >> (8 * c));
    }
    bool Build(int32_t lLimit) const { return BuildPalette(Stride, Height, Stride - 3 * Width, Bytes, lLimit, 8); }
    std::unique_ptr<cBitmap> Bitmap() {
        auto bitmap = std::make_unique<cBitmap>();
        EXPECT_EQ(bitmap->CreateFromScan0(Width, Height, Stride, PixelFormat24bppRGB, Bytes.data()), 0);
        return bitmap;
    }
};

// The palette (flags, count, 256 entries) and the index rows of a palettized bitmap.
struct cIndexed {
    std::vector<uint32_t> Palette = std::vector<uint32_t>(2 + 256);
    std::vector<std::vector<uint8_t>> Rows;

    explicit cIndexed(cBitmap& oBitmap) {
        oBitmap.GetPalette(reinterpret_cast<ColorPalette*>(Palette.data()), 256);
        EXPECT_EQ(oBitmap.CurErr(), 0);
        const GpRect bounds = oBitmap.GetBounds();
        BitmapData data{};
        EXPECT_EQ(oBitmap.LockBits(&bounds, ImageLockModeRead, PixelFormat8bppIndexed, &data), 0);
        for (int32_t y = 0; y < bounds.Height; ++y) {
            const uint8_t* row = static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride;
            Rows.emplace_back(row, row + bounds.Width);
        }
        oBitmap.UnlockBits(&data);
    }
    ARGB Entry(size_t i) const { return Palette[2 + i]; }
};

} // namespace

TEST(OctTree, HandWorkedPalettes) {
    struct Case {
        const char* name;
        Rows rows;
        int32_t limit;
        std::vector<uint32_t> palette;
        std::vector<std::pair<uint32_t, int32_t>> indexOf; // colour -> palette index
    };
    // Level-1 child numbers: black 0, blue 1, green 2, red 4, white 7. In the
    // merge cases X = blue 0 and Y = blue 1 share one level-7 node, U = blue
    // 254 and V = blue 255 another; the fourth colour forces one merge, of the
    // level-7 node listed last. Pixels enter from the last one back.
    const Case cases[] = {
        {"one colour",
         {{0x123456, 0x123456, 0x123456}, {0x123456, 0x123456, 0x123456}},
         256,
         {0x123456},
         {{0x123456, 0}}},
        {"child order red green blue",
         {{0xFFFFFF, 0xFF0000, 0x00FF00}, {0x0000FF, 0x000000, 0xFF0000}},
         256,
         {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF},
         {{0xFFFFFF, 4}, {0xFF0000, 3}, {0x008080, 0}}}, // never added: 0, not off the tree
        {"averages truncate", {{0xFE0000, 0xFF0000}}, 1, {0xFE0000}, {{0xFF0000, 0}}},
        {"X Y U V", {{0x0000FF, 0x0000FE, 0x000001, 0x000000}}, 3, {0x000000, 0x000001, 0x0000FE}, {{0x0000FF, 2}}},
        {"U V X Y", {{0x000001, 0x000000, 0x0000FF, 0x0000FE}}, 3, {0x000000, 0x0000FE, 0x0000FF}, {{0x000001, 0}}},
        {"only the root is left", {{0x000080, 0x000000, 0x000001}}, 1, {0x000000, 0x000080}, {{0x000001, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cImage24(c.rows).Build(c.limit));
        ASSERT_EQ(GetPaletteCount() + 1, int32_t(c.palette.size()));
        for (size_t i = 0; i < c.palette.size(); ++i)
            EXPECT_EQ(GetPaletteColor(int32_t(i)), Rgb(c.palette[i])) << i;
        for (const auto& [color, index] : c.indexOf)
            EXPECT_EQ(IndexOf(color), index);
    }
    // A small palette table holds 16 entries; the rest read as black.
    for (int32_t index : {15, 16, -1})
        EXPECT_EQ(GetPaletteColor(index), cPaletteColor{}) << index;
}

TEST(OctTree, LargeOneColourImageDoesNotOverflow) {
    // 8,421,505 pixels of component 255 pass 2^31 in the sums.
    constexpr int32_t kWidth = 2903, kHeight = 2903; // 8,427,409 pixels
    constexpr int32_t kStride = (3 * kWidth + 3) / 4 * 4;
    const std::vector<uint8_t> bytes(size_t(kStride) * kHeight, 0xFF);
    ASSERT_TRUE(BuildPalette(kStride, kHeight, kStride - 3 * kWidth, bytes, 256, 8));
    EXPECT_EQ(GetPaletteCount(), 0);
    EXPECT_EQ(GetPaletteColor(0), Rgb(0xFFFFFF));
}

// No cGDIP instance is attached, so the result does not depend on which
// encoders this build has.
TEST(QuantizeImage, EntriesHoldTheExactColourOrTheTruncatedAverageOfTheirPixels) {
    // Width 5: 24-bit rows of 16 bytes, index rows of 8; a 1-pixel-high image
    // goes the same way. The last image, noise over gradients, has too many
    // colours and is merged.
    std::vector<Rows> images = {
        {{0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF},
         {0x808080, 0x7F7F7F, 0x010101, 0xFEFEFE, 0x123456},
         {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000}},
        {{0x00FF00, 0xABCDEF, 0x00FF00, 0x000001}},
        Rows(47, std::vector<uint32_t>(61)),
    };
    std::mt19937 random(5);
    for (size_t y = 0; y < images.back().size(); ++y)
        for (size_t x = 0; x < images.back()[y].size(); ++x) {
            const uint32_t noise = random() % 32;
            images.back()[y][x] = ((x * 4 + noise) & 0xFF) << 16 | ((y * 5 + noise) & 0xFF) << 8 | (random() & 0xFF);
        }
    for (const Rows& rows : images) {
        const bool few = &rows != &images.back();
        int32_t limit = 256;
        std::unique_ptr<cBitmap> result = QuantizeImage(cImage24(rows).Bitmap(), limit);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->PixelFormat(), PixelFormat8bppIndexed);
        EXPECT_EQ(result->gdip, nullptr);
        const cIndexed indexed(*result);
        EXPECT_EQ(indexed.Palette[1], 256u);
        EXPECT_EQ(indexed.Palette[0] & PaletteFlagsHasAlpha, PaletteFlagsHasAlpha);
        std::set<uint32_t> colours;
        std::map<uint8_t, std::array<uint64_t, 4>> sums; // count, blue, green, red
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t x = 0; x < rows[y].size(); ++x) {
                const uint8_t index = indexed.Rows[y][x];
                colours.insert(rows[y][x]);
                auto& s = sums[index];
                s[0] += 1;
                for (int c = 0; c < 3; ++c)
                    s[1 + c] += (rows[y][x] >> (8 * c)) & 0xFF;
            }
        // One entry per colour (so each holds its exact colour) unless merged.
        EXPECT_EQ(int32_t(sums.size()), limit + 1);
        EXPECT_EQ(sums.size() == colours.size(), few);
        for (const auto& [index, s] : sums)
            EXPECT_EQ(indexed.Entry(index),
                      kOpaque | uint32_t(s[3] / s[0]) << 16 | uint32_t(s[2] / s[0]) << 8 | uint32_t(s[1] / s[0]))
                << "entry " << int(index);
        for (size_t i = sums.size(); i < 256; ++i)
            EXPECT_EQ(indexed.Entry(i), 0u) << "entry " << i;
    }
}

// A 32-bit ARGB source is the caller's to encode as it is, and so is a
// bitmap without an image.
TEST(QuantizeImage, SourcesThatNeedNoPaletteComeBack) {
    int32_t limit = 256;
    auto argb = std::make_unique<cBitmap>();
    ASSERT_EQ(argb->CreateFromScan0(4, 3, 0, PixelFormat32bppARGB, nullptr), 0);
    cBitmap* raw = argb.get();
    EXPECT_EQ(QuantizeImage(std::move(argb), limit).get(), raw);
    auto empty = std::make_unique<cBitmap>();
    raw = empty.get();
    EXPECT_EQ(QuantizeImage(std::move(empty), limit).get(), raw);
    EXPECT_EQ(QuantizeImage(nullptr, limit), nullptr);
    EXPECT_EQ(limit, 256);
}
