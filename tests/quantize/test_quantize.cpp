// QuantizeImage over real bitmaps: the palettized result and the sources it
// gives back untouched. The tree itself is tested in test_octtree.
#include "Quantize.h"
#include "cBitmap.h"
#include "cGDIP.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr ARGB kOpaque = 0xFF000000u;

// A 24-bit bitmap from rows of 0xRRGGBB colours.
std::unique_ptr<cBitmap> MakeBitmap24(const std::vector<std::vector<uint32_t>>& rows) {
    const auto width = static_cast<int32_t>(rows.at(0).size());
    const auto height = static_cast<int32_t>(rows.size());
    const int32_t stride = (3 * width + 3) / 4 * 4;
    std::vector<uint8_t> bytes(size_t(stride) * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                bytes[size_t(y) * stride + 3 * size_t(x) + c] = uint8_t(rows[y][x] >> (8 * c));
    auto bitmap = std::make_unique<cBitmap>();
    EXPECT_EQ(bitmap->CreateFromScan0(width, height, stride, PixelFormat24bppRGB, bytes.data()), 0);
    return bitmap;
}

// What a palettized bitmap holds: its 256 palette entries and one index per
// pixel, rows top-down without padding.
struct cIndexed {
    uint32_t Flags = 0;
    uint32_t Count = 0;
    std::array<ARGB, 256> Palette{};
    std::vector<std::vector<uint8_t>> Rows;
};

cIndexed ReadIndexed(cBitmap& oBitmap) {
    cIndexed result;
    std::vector<uint32_t> palette(2 + 256, 0);
    oBitmap.GetPalette(reinterpret_cast<ColorPalette*>(palette.data()), 256);
    EXPECT_EQ(oBitmap.CurErr(), 0);
    result.Flags = palette[0];
    result.Count = palette[1];
    std::copy(palette.begin() + 2, palette.end(), result.Palette.begin());

    const GpRect bounds = oBitmap.GetBounds();
    BitmapData data{};
    EXPECT_EQ(oBitmap.LockBits(&bounds, ImageLockModeRead, PixelFormat8bppIndexed, &data), 0);
    for (int32_t y = 0; y < bounds.Height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(y) * data.Stride;
        result.Rows.emplace_back(row, row + bounds.Width);
    }
    oBitmap.UnlockBits(&data);
    return result;
}

class QuantizeImageTest : public testing::Test {
  protected:
    // Quantizes rows. No instance is attached, so the result does not depend
    // on which encoders this build has.
    static std::unique_ptr<cBitmap> Quantize(const std::vector<std::vector<uint32_t>>& rows,
                                             int32_t& lColorLimit) {
        return QuantizeImage(MakeBitmap24(rows), lColorLimit);
    }

    cGDIP gdip;
};

} // namespace

TEST_F(QuantizeImageTest, EntriesHoldTheExactColourOrTheTruncatedAverageOfTheirPixels) {
    // Width 5: 24-bit rows of 16 bytes, index rows of 8; a 1-pixel-high image
    // and a one-colour image go the same way. The last image, noise over
    // gradients, has too many colours and is merged.
    std::vector<std::vector<std::vector<uint32_t>>> images = {
        {{0x123456, 0x123456, 0x123456}, {0x123456, 0x123456, 0x123456}},
        {{0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF},
         {0x808080, 0x7F7F7F, 0x010101, 0xFEFEFE, 0x123456},
         {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000}},
        {{0x00FF00, 0xABCDEF, 0x00FF00, 0x000001}},
        std::vector<std::vector<uint32_t>>(47, std::vector<uint32_t>(61)),
    };
    std::mt19937 random(5);
    for (size_t y = 0; y < images.back().size(); ++y)
        for (size_t x = 0; x < images.back()[y].size(); ++x) {
            const uint32_t noise = random() % 32;
            images.back()[y][x] = ((x * 4 + noise) & 0xFF) << 16 | ((y * 5 + noise) & 0xFF) << 8 | (random() & 0xFF);
        }
    for (const auto& rows : images) {
        const bool few = &rows != &images.back();
        int32_t limit = 256;
        std::unique_ptr<cBitmap> result = Quantize(rows, limit);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->PixelFormat(), PixelFormat8bppIndexed);
        EXPECT_EQ(result->gdip, nullptr);
        const cIndexed indexed = ReadIndexed(*result);
        EXPECT_EQ(indexed.Count, 256u);
        EXPECT_EQ(indexed.Flags & PaletteFlagsHasAlpha, PaletteFlagsHasAlpha);
        std::set<uint32_t> colours;
        std::map<uint8_t, std::array<uint64_t, 4>> sums; // count, blue, green, red
        for (size_t y = 0; y < rows.size(); ++y)
            for (size_t x = 0; x < rows[y].size(); ++x) {
                const uint8_t index = indexed.Rows[y][x];
                if (few) {
                    EXPECT_EQ(indexed.Palette[index], kOpaque | rows[y][x]) << "pixel " << x << ", " << y;
                }
                colours.insert(rows[y][x]);
                auto& s = sums[index];
                s[0] += 1;
                for (int c = 0; c < 3; ++c)
                    s[1 + c] += (rows[y][x] >> (8 * c)) & 0xFF;
            }
        EXPECT_EQ(int32_t(sums.size()), limit + 1);
        EXPECT_EQ(sums.size() == colours.size(), few);
        for (const auto& [index, s] : sums) {
            const ARGB average = kOpaque | uint32_t(s[3] / s[0]) << 16 | uint32_t(s[2] / s[0]) << 8 |
                                 uint32_t(s[1] / s[0]);
            EXPECT_EQ(indexed.Palette[index], average) << "entry " << int(index);
        }
        for (size_t i = sums.size(); i < 256; ++i)
            EXPECT_EQ(indexed.Palette[i], 0u) << "entry " << i;
    }
}

TEST_F(QuantizeImageTest, UnreadablePixelsGiveNoneAndAreReported) {
    // A quarter turn leaves the cached bounds at 4 x 2 while the image is now
    // 2 x 4, so locking the bounds fails: no palette of zeroed pixels is made.
    std::unique_ptr<cBitmap> source =
        MakeBitmap24({{0x102030, 0x405060, 0x708090, 0xA0B0C0}, {0, 0, 0, 0}});
    ASSERT_EQ(source->RotateFlip(Rotate90FlipNone), 0);
    source->gdip = &gdip;
    int errors = 0;
    QObject::connect(&gdip, cGDIP::ErrorSignal(), [&errors] { ++errors; });
    int32_t limit = 256;
    EXPECT_EQ(QuantizeImage(std::move(source), limit), nullptr);
    EXPECT_GE(errors, 1);
    EXPECT_EQ(limit, 256);
}

TEST_F(QuantizeImageTest, SourcesComeBackAsTheSameObjectUnlessAPaletteIsMade) {
    // With a GIF encoder the instance gets a new palettized bitmap; without
    // one the caller writes another format and gets its source back.
    std::unique_ptr<cBitmap> source = MakeBitmap24({{0x102030, 0x405060}});
    source->gdip = &gdip;
    int errors = 0;
    QObject::connect(&gdip, cGDIP::ErrorSignal(), [&errors] { ++errors; });
    cBitmap* raw = source.get();
    int32_t limit = 256;
    std::unique_ptr<cBitmap> result = QuantizeImage(std::move(source), limit);
    ASSERT_NE(result, nullptr);
    const bool gif = gdip.ExtensionExists(QStringLiteral("*.gif")) != -1;
    EXPECT_EQ(result.get() == raw, !gif);
    EXPECT_EQ(result->PixelFormat(), gif ? PixelFormat8bppIndexed : PixelFormat24bppRGB);
    EXPECT_EQ(limit, gif ? 1 : 256);
    EXPECT_EQ(errors, 0);

    // A 32-bit ARGB source is the caller's to encode as it is, and so is a
    // bitmap without an image (its format reads as 0).
    auto argb = std::make_unique<cBitmap>();
    ASSERT_EQ(argb->CreateFromScan0(4, 3, 0, PixelFormat32bppARGB, nullptr), 0);
    argb->gdip = &gdip;
    raw = argb.get();
    limit = 256;
    EXPECT_EQ(QuantizeImage(std::move(argb), limit).get(), raw);
    auto empty = std::make_unique<cBitmap>();
    raw = empty.get();
    EXPECT_EQ(QuantizeImage(std::move(empty), limit).get(), raw);
    EXPECT_EQ(QuantizeImage(nullptr, limit), nullptr);
    EXPECT_EQ(limit, 256);
}
