#include "MetafileDib.h"
#include "test_metafile_support.h"

#include <gtest/gtest.h>

using namespace mftest;

namespace {

std::vector<uint8_t> Packed(const Dib& dib) {
    std::vector<uint8_t> bytes = dib.header;
    bytes.insert(bytes.end(), dib.bits.begin(), dib.bits.end());
    return bytes;
}

QImage DecodePacked(const std::vector<uint8_t>& bytes) {
    return metafile::DecodePackedDib(metafile::cMetafileBytes(bytes.data(), bytes.size()), 0,
                                     MetafileLimits{});
}

} // namespace

/* The size comes from the placeable header, else from the window records;
 * object slots are reused lowest first. */
TEST(MetafileWmf, SizeMappingAndObjectSlots) {
    std::vector<Drawing> drawings;
    {
        WmfBuilder wmf(1000, 500, 1000);                   /* 1 x 0.5 inch -> 96 x 48 px */
        wmf.Brush(Rgb(255, 0, 0)).Select(0).Record(0x012D, {0});
        wmf.Record(0x02FA, {5, 0, 0, 0, 0}).Select(1);     /* null pen */
        wmf.Rectangle(0, 0, 500, 250);                     /* left half, top half */
        drawings.push_back({"placeable bounds", wmf.Finish(),
                            {{20, 10, Red}, {47, 23, Red}, {60, 10, Transparent}, {20, 30, Transparent}},
                            {96, 48}});
    }
    {
        WmfBuilder wmf(1000, 1000, 1000);
        wmf.Record(0x020B, {-100, -100}).Record(0x020C, {200, 200});  /* window (-100,-100) 200 x 200 */
        wmf.Brush(Rgb(0, 0, 255)).Select(0);
        wmf.Rectangle(0, 0, 100, 100);                     /* bottom-right quarter */
        drawings.push_back({"window records", wmf.Finish(), {{72, 72, Blue}, {24, 24, Transparent}}, {96, 96}});
    }
    {
        WmfBuilder wmf(0, 0, 0);
        wmf.Record(0x020C, {50, 120});                     /* SetWindowExt y, x */
        wmf.Brush(Rgb(255, 0, 0)).Select(0).Record(0x0418, {40, 110, 10, 10});  /* ellipse */
        drawings.push_back({"plain file", wmf.Finish(), {{60, 25, Red}, {12, 12, Transparent}}, {120, 50}});
    }
    {
        WmfBuilder wmf(100, 100, 96, 2);
        wmf.Brush(Rgb(255, 0, 0)).Brush(Rgb(0, 255, 0));  /* slots 0, 1 */
        wmf.Brush(Rgb(9, 9, 9));                           /* table full: dropped */
        wmf.Record(0x01F0, {0});                           /* delete slot 0 */
        wmf.Brush(Rgb(0, 0, 255)).Select(0);               /* blue takes slot 0 */
        wmf.Rectangle(10, 10, 50, 50);
        wmf.Select(7);                                     /* outside the table: ignored */
        wmf.Rectangle(60, 60, 90, 90);
        drawings.push_back({"object slots", wmf.Finish(), {{30, 30, Blue}, {75, 75, Blue}}});
    }
    ExpectDrawn(drawings);
    QImage image;
    EXPECT_EQ(Render(WmfBuilder(0, 0, 0).Finish(), image), InvalidParameter);  /* no size at all */
}

TEST(MetafileWmf, TextOutAndPolygonAndBitmap) {
    WmfBuilder wmf(200, 100, 96);
    wmf.Record(0x02FB, {-40, 0, 0, 0, 700, 0, 0, 0, 0}).Select(0);  /* font */
    wmf.Record(0x0102, {1});                               /* transparent */
    wmf.Record(0x0521, {2, 'H' | ('H' << 8), 10, 10});     /* TextOut "HH" at (10, 10) */
    wmf.Brush(Rgb(255, 0, 0)).Select(1);
    wmf.Record(0x0324, {3, 120, 10, 190, 10, 190, 80});    /* triangle */
    std::vector<uint8_t> blit;
    ByteWriter p;
    p.U32(0x00CC0020); p.U16(2); p.U16(2); p.U16(0); p.U16(0);  /* rop, src h, w, y, x */
    p.U16(20); p.U16(20); p.U16(75); p.U16(10);                  /* dest h, w, y, x */
    const std::vector<uint8_t> dib = Packed(MakeDib24(2, 2, {0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000}));
    p.bytes.insert(p.bytes.end(), dib.begin(), dib.end());
    wmf.Raw(0x0B41, p.bytes);
    QImage image;
    ASSERT_EQ(Render(wmf.Finish(), image), Ok);
    EXPECT_GT(CountDark(image, 10, 10, 100, 55), 100);
    EXPECT_EQ(CountDark(image, 0, 0, 200, 8), 0);
    EXPECT_EQ(Px(image, 180, 20), Red);
    EXPECT_EQ(Px(image, 130, 60), Transparent);
    EXPECT_EQ(Px(image, 15, 80), Blue);
    EXPECT_EQ(Px(image, 15, 90), Red);
}

TEST(MetafileWmf, HostileCountsAndSizesAreChecked) {
    WmfBuilder wmf(100, 100, 96);
    wmf.Brush(Rgb(255, 0, 0)).Select(0);
    wmf.Record(0x0324, {30000, 1, 2});                     /* polygon count beyond the record */
    wmf.Record(0x0538, {2, 3, 30000, 0, 0, 5, 5, 9, 9});   /* poly-polygon counts beyond it */
    wmf.Record(0x0521, {900, 0});                          /* text longer than the record */
    wmf.Record(0x0F43, {0x20, 0xCC, 0, 1, 1, 0, 0, 1, 1, 0, 0});  /* DIB header missing */
    wmf.Rectangle(0, 0, 40, 40);
    const std::vector<uint8_t> whole = wmf.Finish();
    QImage image;
    ASSERT_EQ(Render(whole, image), Ok);
    EXPECT_EQ(Px(image, 20, 20), Red);
    /* Cut after the headers, before the end of its end-of-file record, a
     * file fails: a record then runs past the end or is missing. */
    for (size_t at = 40; at < whole.size(); ++at)
        EXPECT_EQ(Render({whole.begin(), whole.begin() + long(at)}, image), GenericError) << at;
}

TEST(MetafileDib, PalettedRleAndBitfieldBitmapsDecode) {
    /* 1-bit, 2 x 2, palette black / white: rows bottom-up, 4-byte aligned. */
    ByteWriter mono;
    mono.U32(40); mono.U32(2); mono.U32(2); mono.U16(1); mono.U16(1);
    for (int i = 0; i < 6; ++i) mono.U32(0);
    mono.U32(0x000000); mono.U32(0xFFFFFF);
    mono.U32(0x40); mono.U32(0x80);                       /* bottom: 0 1; top: 1 0 */
    QImage image = DecodePacked(mono.bytes);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(image.pixel(1, 1), 0xFFFFFFFFu);

    /* RLE8, 4 x 2: bottom row "3 x index 1, 1 x index 0", top row absolute run 1 0 1 1. */
    ByteWriter rle;
    rle.U32(40); rle.U32(4); rle.U32(2); rle.U16(1); rle.U16(8); rle.U32(1);
    for (int i = 0; i < 3; ++i) rle.U32(0);
    rle.U32(2); rle.U32(0);
    rle.U32(0xFF0000); rle.U32(0x0000FF);
    for (int b : {3, 1, 1, 0, 0, 0, 0, 4, 1, 0, 1, 1, 0, 1}) rle.U8(uint32_t(b));
    image = DecodePacked(rle.bytes);
    ASSERT_EQ(image.size(), QSize(4, 2));
    EXPECT_EQ(image.pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(image.pixel(3, 1), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(1, 0), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(2, 0), 0xFF0000FFu);

    /* 16-bit 5-6-5 bitfields, top-down 1 x 1 of pure green. */
    ByteWriter field;
    field.U32(40); field.U32(1); field.U32(uint32_t(-1)); field.U16(1); field.U16(16); field.U32(3);
    for (int i = 0; i < 5; ++i) field.U32(0);
    field.U32(0xF800); field.U32(0x07E0); field.U32(0x001F);
    field.U32(0x07E0);
    image = DecodePacked(field.bytes);
    ASSERT_EQ(image.size(), QSize(1, 1));
    EXPECT_EQ(image.pixel(0, 0), 0xFF00FF00u);
}

TEST(MetafileDib, MalformedBitmapsAreRefused) {
    std::vector<uint8_t> good = Packed(MakeDib24(3, 3, std::vector<uint32_t>(9, 0)));
    ASSERT_FALSE(DecodePacked(good).isNull());
    std::vector<uint8_t> shortBits(good.begin(), good.end() - 1);
    EXPECT_TRUE(DecodePacked(shortBits).isNull());
    /* Width far too large, height INT32_MIN, an unknown header size. */
    for (const auto& [at, value] : {std::pair{4, 0x7FFFFFFFu}, {8, 0x80000000u}, {0, 20u}}) {
        ByteWriter bad{good};
        bad.Put32(size_t(at), value);
        EXPECT_TRUE(DecodePacked(bad.bytes).isNull()) << at;
    }
}
