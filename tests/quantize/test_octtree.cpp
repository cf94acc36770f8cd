// The colour octree: hand-worked palettes for small images, merge order,
// truncating averages, 64-bit sums and the properties every palette keeps.
#include "OctTree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <set>
#include <utility>
#include <vector>

void PrintTo(const cPaletteColor& c, std::ostream* os) {
    *os << "(b " << int(c.Blue) << ", g " << int(c.Green) << ", r " << int(c.Red) << ")";
}

namespace {

constexpr cPaletteColor Rgb(uint32_t lRgb) {
    return {uint8_t(lRgb), uint8_t(lRgb >> 8), uint8_t(lRgb >> 16)};
}

// A 24-bit buffer: rows of 0xRRGGBB colours, each row padded to 4 bytes.
struct cImage24 {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Stride = 0;
    std::vector<uint8_t> Bytes;

    explicit cImage24(const std::vector<std::vector<uint32_t>>& rows)
        : Width(int32_t(rows.at(0).size())), Height(int32_t(rows.size())),
          Stride((3 * Width + 3) / 4 * 4), Bytes(size_t(Stride) * size_t(Height)) {
        for (int32_t y = 0; y < Height; ++y)
            for (int32_t x = 0; x < Width; ++x)
                for (int c = 0; c < 3; ++c) // blue, green, red
                    Bytes[size_t(y) * Stride + 3 * size_t(x) + c] = uint8_t(rows[y][x] >> (8 * c));
    }

    bool Build(int32_t lColorLimit) const {
        return BuildPalette(Stride, Height, Stride - 3 * Width, Bytes, lColorLimit, 8);
    }
};

std::vector<cPaletteColor> Palette() {
    std::vector<cPaletteColor> colors;
    for (int32_t i = 0; i <= GetPaletteCount(); ++i)
        colors.push_back(GetPaletteColor(i));
    return colors;
}

} // namespace

TEST(OctTree, HandWorkedPalettes) {
    struct Case {
        const char* name;
        std::vector<std::vector<uint32_t>> rows;
        int32_t limit;
        std::vector<uint32_t> palette;
        std::vector<std::pair<uint32_t, int32_t>> indexOf; // colour -> palette index
    };
    // Level-1 child numbers: black 0, blue 1, green 2, red 4, white 7. In the
    // merge cases X = blue 0 and Y = blue 1 share one level-7 node, U = blue
    // 254 and V = blue 255 another; the fourth colour forces one merge, of the
    // level-7 node listed last. Pixels enter from the last one back.
    const Case cases[] = {
        {"one colour", {{0x123456, 0x123456, 0x123456}, {0x123456, 0x123456, 0x123456}}, 256,
         {0x123456}, {{0x123456, 0}}},
        {"child order red green blue", {{0xFFFFFF, 0xFF0000, 0x00FF00}, {0x0000FF, 0x000000, 0xFF0000}},
         256, {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF},
         {{0xFFFFFF, 4}, {0xFF0000, 3}, {0x008080, 0}}}, // never added: 0, not off the tree
        {"averages truncate", {{0xFE0000, 0xFF0000}}, 1, {0xFE0000}, {{0xFF0000, 0}}},
        {"X Y U V", {{0x0000FF, 0x0000FE, 0x000001, 0x000000}}, 3, {0x000000, 0x000001, 0x0000FE},
         {{0x0000FF, 2}}},
        {"U V X Y", {{0x000001, 0x000000, 0x0000FF, 0x0000FE}}, 3, {0x000000, 0x0000FE, 0x0000FF},
         {{0x000001, 0}}},
        {"only the root is left", {{0x000080, 0x000000, 0x000001}}, 1, {0x000000, 0x000080},
         {{0x000001, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(cImage24(c.rows).Build(c.limit));
        std::vector<cPaletteColor> expected;
        for (uint32_t color : c.palette)
            expected.push_back(Rgb(color));
        EXPECT_EQ(Palette(), expected);
        for (const auto& [color, index] : c.indexOf)
            EXPECT_EQ(GetPaletteIndex(Rgb(color).Blue, Rgb(color).Green, Rgb(color).Red), index);
    }
    // A small palette table holds 16 entries; the rest read as black.
    EXPECT_EQ(GetPaletteColor(15), cPaletteColor{});
    EXPECT_EQ(GetPaletteColor(16), cPaletteColor{});
    EXPECT_EQ(GetPaletteColor(-1), cPaletteColor{});
}

TEST(OctTree, UpTo256ColoursAreKeptExactly) {
    // 256 colours that already differ in their top three bits: 1608 nodes,
    // so the node table grows past its first 1024 records without a merge.
    std::vector<uint32_t> colors;
    for (uint32_t i = 0; i < 256; ++i)
        colors.push_back((i & 7) << 21 | ((i >> 3) & 7) << 13 | ((i >> 6) & 3) << 5 |
                         (i * 37 % 32));
    const cImage24 image({colors});
    ASSERT_TRUE(image.Build(256));
    EXPECT_EQ(GetPaletteCount(), 255);
    std::set<int32_t> used;
    for (uint32_t c : colors) {
        const cPaletteColor color = Rgb(c);
        const int32_t index = GetPaletteIndex(color.Blue, color.Green, color.Red);
        EXPECT_EQ(GetPaletteColor(index), color) << std::hex << c;
        used.insert(index);
    }
    EXPECT_EQ(used.size(), 256u);
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

TEST(OctTree, RefusesABufferItsArgumentsDoNotDescribe) {
    const std::vector<uint8_t> bytes(32, 0x40);
    EXPECT_FALSE(BuildPalette(16, 3, 1, bytes, 256, 8));  // 48 bytes needed
    EXPECT_FALSE(BuildPalette(16, 2, 2, bytes, 256, 8));  // 14 bytes is no whole pixel count
    EXPECT_FALSE(BuildPalette(16, 2, 17, bytes, 256, 8)); // gap wider than a row
    EXPECT_FALSE(BuildPalette(-16, 2, 1, bytes, 256, 8));
    EXPECT_FALSE(BuildPalette(16, 2, 1, bytes, 256, 9));
    EXPECT_EQ(GetPaletteCount(), -1);
    EXPECT_EQ(GetPaletteIndex(0x40, 0x40, 0x40), 0);

    // A limit beyond what a byte can index is held to 256.
    std::mt19937 random(11);
    std::vector<uint32_t> colors(3000);
    for (uint32_t& c : colors)
        c = random() & 0xFFFFFF;
    ASSERT_TRUE(cImage24({colors}).Build(100000));
    EXPECT_LE(GetPaletteCount(), 255);
    ASSERT_TRUE(cImage24({colors}).Build(0));
    EXPECT_LE(GetPaletteCount(), 7);
}
