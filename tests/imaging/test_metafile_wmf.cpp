#include "MetafileDib.h"
#include "MetafilePlay.h"
#include "test_metafile_support.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace mftest;

namespace {

QImage DecodePacked(const std::vector<uint8_t>& bytes) {
    return metafile::DecodePackedDib(metafile::cMetafileBytes(bytes.data(), bytes.size()), 0, MetafileLimits{});
}

} // namespace

/* The size comes from the placeable header, else the window records; free slots fill lowest first. */
TEST(MetafileWmf, SizeMappingAndObjectSlots) {
    ExpectDrawn({
        {"placeable bounds", /* 1 x 0.5 inch -> 96 x 48 px; a null pen; the left half, top half */
         WmfBuilder(1000, 500, 1000)
             .Brush(Rgb(255, 0, 0))
             .Select(0)
             .Select(0)
             .Record(0x02FA, {5, 0, 0, 0, 0})
             .Select(1)
             .Rectangle(0, 0, 500, 250)
             .Finish(),
         {{20, 10, Red}, {47, 23, Red}, {60, 10, Transparent}, {20, 30, Transparent}},
         {96, 48}},
        {"window records", /* window (-100,-100) 200 x 200: the bottom-right quarter */
         WmfBuilder(1000, 1000, 1000)
             .Record(0x020B, {-100, -100})
             .Record(0x020C, {200, 200})
             .Brush(Rgb(0, 0, 255))
             .Select(0)
             .Rectangle(0, 0, 100, 100)
             .Finish(),
         {{72, 72, Blue}, {24, 24, Transparent}},
         {96, 96}},
        {"plain file", /* SetWindowExt y, x; an ellipse */
         WmfBuilder(0, 0, 0)
             .Record(0x020C, {50, 120})
             .Brush(Rgb(255, 0, 0))
             .Select(0)
             .Record(0x0418, {40, 110, 10, 10})
             .Finish(),
         {{60, 25, Red}, {12, 12, Transparent}},
         {120, 50}},
        /* Slots 0 and 1 taken, a third brush dropped (table full), slot 0 deleted: blue takes slot 0.
         * Selecting slot 7, outside the table, is ignored. */
        {"object slots",
         WmfBuilder(100, 100, 96, 2)
             .Brush(Rgb(255, 0, 0))
             .Brush(Rgb(0, 255, 0))
             .Brush(Rgb(9, 9, 9))
             .Select(1)
             .Rectangle(0, 0, 8, 8)
             .Record(0x01F0, {0})
             .Brush(Rgb(0, 0, 255))
             .Select(0)
             .Rectangle(10, 10, 50, 50)
             .Select(7)
             .Rectangle(60, 60, 90, 90)
             .Finish(),
         {{4, 4, 0xFF00FF00}, {30, 30, Blue}, {75, 75, Blue}}},
    });
}

TEST(MetafileWmf, TextOutAndPolygonAndBitmap) {
    /* A bold font, a dark blue text colour, a transparent background, TextOut "HH" at (10, 10), a red triangle, and a 2
     * x 2 bitmap, blue over red, stretched (rop; source h, w, y, x; destination h, w, y, x). */
    const std::vector<uint8_t> blit = Bytes()
                                          .le({0x00CC0020})
                                          .le({2, 2, 0, 0, 20, 20, 75, 10}, 2)
                                          .append(MakeDib24(2, 2, {0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000}).Packed())
                                          .v;
    const QImage image = Rendered(WmfBuilder(200, 100, 96)
                                      .Record(0x02FB, {-40, 0, 0, 0, 700, 0, 0, 0, 0})
                                      .Select(0)
                                      .Record(0x0209, {0, 90})
                                      .Record(0x0102, {1})
                                      .Record(0x0521, {2, 'H' | ('H' << 8), 10, 10})
                                      .Brush(Rgb(255, 0, 0))
                                      .Select(1)
                                      .Record(0x0324, {3, 120, 10, 190, 10, 190, 80})
                                      .Raw(0x0B41, blit)
                                      .Finish());
    EXPECT_GT(CountDark(image, 10, 10, 100, 55), 100);
    int blue = 0;
    for (int y = 10; y < 55; ++y)
        for (int x = 10; x < 100; ++x)
            blue += qAlpha(image.pixel(x, y)) > 128 && qBlue(image.pixel(x, y)) > qRed(image.pixel(x, y)) + 50;
    EXPECT_GT(blue, 50);
    EXPECT_EQ(CountDark(image, 0, 0, 200, 8), 0);
    EXPECT_EQ(image.pixel(180, 20), Red);
    EXPECT_EQ(image.pixel(130, 60), Transparent);
    EXPECT_EQ(image.pixel(15, 80), Blue);
    EXPECT_EQ(image.pixel(15, 90), Red);
}

TEST(MetafileWmf, HostileCountsAndSizesAreChecked) {
    /* Polygon counts and text beyond the record, a DIB without its header. */
    const std::vector<uint8_t> whole = WmfBuilder(100, 100, 96)
                                           .Brush(Rgb(255, 0, 0))
                                           .Select(0)
                                           .Record(0x0324, {30000, 1, 2})
                                           .Record(0x0538, {2, 3, 30000, 0, 0, 5, 5, 9, 9})
                                           .Record(0x0521, {900, 0})
                                           .Record(0x0F43, {0x20, 0xCC, 0, 1, 1, 0, 0, 1, 1, 0, 0})
                                           .Rectangle(0, 0, 40, 40)
                                           .Finish();
    EXPECT_EQ(Rendered(whole).pixel(20, 20), Red);
    QImage image;
    /* Cut anywhere before the end of its end-of-file record, a file fails. */
    for (size_t at = 40; at < whole.size(); ++at)
        EXPECT_EQ(Render({whole.begin(), whole.begin() + long(at)}, image), GenericError) << at;
}

/* Pens, brushes, fonts, points, characters and advances: one layout, fields of 4 bytes in EMF, 2 in WMF. */
TEST(MetafileRecords, BothFieldWidthsReadAlike) {
    using namespace metafile;
    for (const int field : {4, 2}) {
        SCOPED_TRACE(field);
        Bytes
            b; /* pen at 0, brush, font, points (-3, 5) (7, -9), "Hĩ" (Latin-1 "Hi"), advances 6, -2 two fields apart */
        b.le({0x1105, 7, 0}, field).le({0x332211}).le({2}, field).le({0x665544}).le({4}, field);
        b.le({-12, 5, 900, 0, 700}, field).raw({1, 0, 1, 0, 0, 0, 0, 0}).le({'A', 'b', 0}, field / 2);
        b.le({-3, 5, 7, -9}, field).le({'H', 0x169}, field / 2).le({6, 0, -2, 0}, field);
        const size_t brush = 3 * field + 4, font = brush + 2 * field + 4, points = font + 5 * field + 8 + 3 * field / 2;
        cMetafileBytes r(b.v.data(), b.v.size());
        const LogPen pen = ReadLogPen(r, 0, field);
        EXPECT_EQ(std::tuple(pen.style, pen.width, pen.color), std::tuple(0x1105u, 7.0, QColor(0x11, 0x22, 0x33)));
        const LogBrush brushRead = ReadLogBrush(r, brush, field);
        EXPECT_EQ(std::tuple(brushRead.style, brushRead.color, brushRead.hatch),
                  std::tuple(2u, QColor(0x44, 0x55, 0x66), 4u));
        const LogFont f = ReadLogFont(r, font, field);
        EXPECT_EQ(std::tuple(f.height, f.width, f.escapement, f.weight, f.italic, f.underline, f.strikeOut, f.face),
                  std::tuple(-12.0, 5.0, 900.0, 700, true, false, true, QStringLiteral("Ab")));
        EXPECT_EQ(ReadPoints(r, points, 2, field), QPolygonF({QPointF(-3, 5), QPointF(7, -9)}));
        EXPECT_EQ(ReadChars(r, points + 4 * field, 2, field / 2),
                  QStringLiteral("H") + QChar(field == 4 ? 0x169 : 'i'));
        EXPECT_EQ(ReadAdvances(r, points + 5 * field, 2, 2 * field, field), (std::vector<double>{6, -2}));
        EXPECT_TRUE(r.Ok());
        EXPECT_TRUE(ReadAdvances(r, points + 5 * field, 3, 2 * field, field).empty());
        ReadChars(r, points + 4 * field, 100, 1);
        EXPECT_FALSE(r.Ok());
    }
}

TEST(MetafileDib, PalettedRleAndBitfieldBitmapsDecode) {
    const struct {
        const char* name;
        Dib dib;
        QSize size;
        std::vector<Probe> probes;
    } cases[] = {
        /* Palette black, white; rows bottom-up and 4-byte aligned: bottom 0 1, top 1 0. */
        {"1-bit",
         MakeDib(2, 2, 1, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}),
         {2, 2},
         {{0, 0, 0xFFFFFFFF}, {1, 0, 0xFF000000}, {1, 1, 0xFFFFFFFF}}},
        /* Bottom row 3 x index 1, 1 x index 0; top row the absolute run 1 0 1 1. */
        {"RLE8",
         MakeDib(4, 2, 8, {0xFF0000, 0x0000FF}, {3, 1, 1, 0, 0, 0, 0, 4, 1, 0, 1, 1, 0, 1}, 1),
         {4, 2},
         {{0, 1, 0xFF0000FF}, {3, 1, 0xFFFF0000}, {1, 0, 0xFFFF0000}, {2, 0, 0xFF0000FF}}},
        /* 5-6-5 masks, top-down 1 x 1 of pure green. */
        {"16-bit bitfields",
         MakeDib(1, -1, 16, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0, 0}, 3),
         {1, 1},
         {{0, 0, 0xFF00FF00}}},
    };
    for (const auto& c : cases) {
        const QImage image = DecodePacked(c.dib.Packed());
        SCOPED_TRACE(c.name);
        ASSERT_EQ(image.size(), c.size);
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.pixel(p.x, p.y), p.argb) << "at " << p.x << ", " << p.y;
    }
}

TEST(MetafileDib, MalformedBitmapsAreRefused) {
    const std::vector<uint8_t> good = MakeDib24(3, 3, std::vector<uint32_t>(9, 0)).Packed();
    ASSERT_FALSE(DecodePacked(good).isNull());
    EXPECT_TRUE(DecodePacked({good.begin(), good.end() - 1}).isNull());
    /* Width far too large, height INT32_MIN, an unknown header size. */
    for (const auto& [at, value] : {std::pair{4, 0x7FFFFFFFu}, {8, 0x80000000u}, {0, 20u}}) {
        Bytes bad{good};
        bad.put(size_t(at), 4, value);
        EXPECT_TRUE(DecodePacked(bad.v).isNull()) << at;
    }
}
