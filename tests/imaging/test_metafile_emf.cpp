#include "cBitmap.h"
#include "test_metafile_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mftest;

namespace {

constexpr uint32_t EmrRectangle = 43, EmrEllipse = 42, EmrSetMapMode = 17;

} // namespace

/* Shapes, pens, transforms, mapping modes, clipping, paths and bitmaps land
 * where the records put them, on a transparent background. */
TEST(MetafileEmf, RecordsDrawWhereTheyAreMapped) {
    constexpr uint32_t White = 0xFFFFFFFF, Green = 0xFF00FF00;
    std::vector<Drawing> drawings;
    {
        EmfBuilder emf(100, 80);
        emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen().Rect(EmrRectangle, 10, 10, 50, 40);
        drawings.push_back({"rectangle", emf.Finish(),
                            {{30, 25, Red}, {10, 10, Red}, {49, 39, Red}, {50, 40, Transparent}, {70, 60, Transparent}}});
    }
    {
        EmfBuilder emf(60, 60);
        emf.Record(38, {1, 0, 3, 0, Rgb(0, 0, 255)}).Record(37, {1});  /* 3-unit blue pen */
        emf.Rect(EmrRectangle, 10, 10, 50, 50);
        drawings.push_back({"pen and default white brush", emf.Finish(),
                            {{10, 30, Blue}, {30, 30, White}, {5, 30, Transparent}}});
    }
    {
        EmfBuilder emf(100, 100);
        emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen();
        emf.Record(35, {Bits(2), 0, 0, Bits(2), Bits(40), Bits(0)});   /* x' = 2x + 40, y' = 2y */
        emf.Rect(EmrRectangle, 5, 5, 15, 15);
        /* Left-multiplied translation applies before the scale: +10 units = +20 px,
         * so (0..5 + 10) * 2 + 40 = 60..70 and (0..5 + 20) * 2 = 40..50. */
        emf.Record(36, {Bits(1), 0, 0, Bits(1), Bits(10), Bits(20), 2});
        emf.SolidBrush(2, Rgb(0, 0, 255)).Rect(EmrRectangle, 0, 0, 5, 5);
        drawings.push_back({"world transform", emf.Finish(),
                            {{45, 15, Transparent}, {55, 25, Red}, {69, 29, Red}, {71, 31, Transparent}, {65, 45, Blue}}});
    }
    {
        EmfBuilder emf(100, 100);
        emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen();
        emf.Record(EmrSetMapMode, {8});
        emf.Record(9, {1000, 1000}).Record(11, {100, 100});   /* window 1000, viewport 100 */
        emf.Record(10, {100, 0});                              /* window origin x = 100 */
        emf.Rect(EmrRectangle, 200, 100, 500, 400);            /* -> 10..40, 10..40 */
        emf.Record(EmrSetMapMode, {3});                        /* 0.01 mm, y up */
        emf.Record(12, {0, 100});                              /* viewport origin at the bottom */
        emf.SolidBrush(2, Rgb(0, 0, 255)).Rect(EmrRectangle, 1500, 1000, 2500, 0);  /* x 57..94, y 62..100 */
        drawings.push_back({"anisotropic and metric mapping", emf.Finish(),
                            {{11, 11, Red}, {38, 38, Red}, {45, 25, Transparent}, {75, 80, Blue},
                             {75, 55, Transparent}, {50, 80, Transparent}}});
    }
    {
        EmfBuilder emf(100, 100);
        emf.SolidBrush(1, Rgb(0, 0, 255)).NullPen();
        emf.Record(33, {});                                    /* save: blue, no clip */
        emf.Rect(30, 0, 0, 50, 50);                            /* IntersectClipRect */
        emf.Rect(29, 10, 10, 20, 20);                          /* ExcludeClipRect */
        emf.SolidBrush(2, Rgb(255, 0, 0));
        emf.Rect(EmrRectangle, 0, 0, 100, 100);
        emf.Record(34, {uint32_t(-1)});                        /* restore: blue, no clip */
        emf.Rect(EmrRectangle, 60, 60, 90, 90);
        drawings.push_back({"clipping and saved states", emf.Finish(),
                            {{5, 5, Red}, {15, 15, Transparent}, {70, 30, Transparent}, {75, 75, Blue}}});
    }
    {
        ByteWriter region;                                     /* two rectangles, device pixels */
        region.U32(32); region.U32(1); region.U32(2); region.U32(32);
        for (int v : {0, 0, 100, 100, 0, 0, 10, 10, 90, 90, 100, 100}) region.U32(uint32_t(v));
        ByteWriter fields;
        fields.U32(uint32_t(region.bytes.size())); fields.U32(5);
        fields.bytes.insert(fields.bytes.end(), region.bytes.begin(), region.bytes.end());
        EmfBuilder emf(100, 100);
        emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen().Raw(75, fields.bytes);
        emf.Rect(EmrRectangle, 0, 0, 100, 100);
        drawings.push_back({"clip region", emf.Finish(), {{5, 5, Red}, {95, 95, Red}, {50, 50, Transparent}}});
    }
    {
        EmfBuilder emf(100, 100);
        emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen();
        emf.Record(59, {});                                    /* BeginPath */
        emf.Record(27, {10, 10}).Record(54, {90, 10}).Record(54, {10, 90});
        emf.Record(61, {});                                    /* CloseFigure */
        emf.Rect(EmrEllipse, 60, 60, 80, 80);                  /* goes into the path */
        emf.Record(60, {});                                    /* EndPath */
        emf.Rect(62, 0, 0, 100, 100);                          /* FillPath */
        drawings.push_back({"path bracket", emf.Finish(), {{20, 20, Red}, {80, 40, Transparent}, {70, 70, Red}}});
    }
    {
        EmfBuilder emf(100, 100);
        emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen();
        ByteWriter f;
        for (int i = 0; i < 4; ++i) f.U32(0);
        f.U32(2); f.U32(8); f.U32(4); f.U32(4);
        for (int v : {0, 0, 20, 0, 20, 20, 0, 20, 30, 30, 40, 30, 40, 40, 30, 40}) f.U16(uint32_t(v));
        emf.Raw(91, f.bytes);
        /* Quarter pie, counter-clockwise from the right to the top of the circle centred at (70, 70);
         * (75, 65) lies between the centre and the chord. */
        emf.Record(47, {50, 50, 90, 90, 100, 70, 70, 0});
        drawings.push_back({"poly-polygon and pie", emf.Finish(),
                            {{10, 10, Red}, {35, 35, Red}, {25, 25, Transparent}, {82, 58, Red}, {75, 65, Red},
                             {65, 75, Transparent}, {60, 60, Transparent}}});
    }
    {
        EmfBuilder emf(100, 100);                              /* bottom-up 2 x 2, stretched */
        emf.DibRecord(81, {10, 10, 0, 0, 2, 2}, {0, 0x00CC0020, 40, 40},
                      MakeDib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
        drawings.push_back({"stretched bitmap", emf.Finish(),
                            {{15, 15, Red}, {45, 15, Green}, {15, 45, Blue}, {45, 45, White}, {55, 55, Transparent}}});
    }
    {
        EmfBuilder emf(100, 60);
        emf.Record(25, {Rgb(0, 0, 255)}).TextW(10, 10, u"i");  /* background blue, mode opaque by default */
        drawings.push_back({"opaque text cell", emf.Finish(), {{11, 11, Blue}, {80, 50, Transparent}}});
    }
    ExpectDrawn(drawings);
}

TEST(MetafileEmf, TextIsDrawnInTextColourWithAlignment) {
    EmfBuilder emf(200, 100);
    ByteWriter font;
    font.U32(1);
    font.U32(uint32_t(-40)); font.U32(0); font.U32(0); font.U32(0); font.U32(700);
    font.U32(0); font.U32(0);
    for (int i = 0; i < 32; ++i) font.U16(0);
    emf.Raw(82, font.bytes).Record(37, {1});
    emf.Record(25, {Rgb(0, 0, 255)});
    emf.NullPen().Rect(EmrRectangle, 150, 5, 160, 15);     /* leaves the painter in opaque mode */
    emf.Record(18, {1});                                   /* transparent background */
    emf.Record(24, {Rgb(0, 0, 0)});
    emf.TextW(10, 10, u"HH");                              /* top-left aligned */
    emf.Record(22, {2});                                   /* TA_RIGHT */
    emf.TextW(190, 50, u"HH");
    QImage image;
    ASSERT_EQ(Render(emf.Finish(), image), Ok);
    EXPECT_GT(CountDark(image, 10, 10, 90, 50), 100);
    EXPECT_EQ(CountDark(image, 0, 0, 200, 8), 0);
    EXPECT_GT(CountDark(image, 110, 50, 190, 95), 100);
    EXPECT_EQ(CountDark(image, 100, 0, 200, 48), 0);
    EXPECT_EQ(CountDark(image, 0, 55, 100, 100), 0);
    int blue = 0;
    for (int y = 10; y < 95; ++y)
        for (int x = 10; x < 195; ++x) blue += Px(image, x, y) == Blue;
    EXPECT_EQ(blue, 0);                                    /* no background behind the text */
}

TEST(MetafileEmf, FrameUsesReferenceDeviceAndRejectsAbsurdSizes) {
    EmfBuilder emf(10, 10);
    ByteWriter patch{emf.Finish()};
    patch.Put32(32, 2540 * 40);                            /* frame right: 40 inches = 3840 px */
    QImage image;
    ASSERT_EQ(Render(patch.bytes, image), Ok);
    EXPECT_EQ(image.size(), QSize(3840, 10));
    MetafileLimits halfSize;
    halfSize.maxDrawnPixels = 3840 * 10 / 4;               /* larger frames are drawn smaller */
    ASSERT_EQ(RenderMetafile(patch.bytes.data(), patch.bytes.size(), halfSize, image), Ok);
    EXPECT_EQ(image.size(), QSize(1920, 5));
    patch.Put32(32, 0x7FFFFFFF);
    QImage untouched(1, 1, QImage::Format_ARGB32);
    EXPECT_EQ(Render(patch.bytes, untouched), ValueOverflow);
    EXPECT_EQ(untouched.size(), QSize(1, 1));
}

TEST(MetafileEmf, HostileRecordsAreSkippedOrEndPlayback) {
    EmfBuilder emf(50, 50, 4);
    emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen();
    emf.Record(39, {4000, 0, Rgb(0, 0, 255), 0}).Record(37, {4000});  /* index outside the table */
    emf.Record(3, {0, 0, 0, 0, 0x10000000, 1, 1});                     /* count beyond the record */
    emf.Record(91, {0, 0, 0, 0, 2, 3, 2, 0xFFFFFFFF, 0, 0, 0, 0});     /* counts beyond the points */
    emf.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0xFFFFFF00, 40, 0, 4, 0, 0xCC0020, 10, 10});
    for (int i = 0; i < 5000; ++i) emf.Record(33, {});                  /* SaveDC beyond the stack cap */
    emf.Record(34, {uint32_t(-100000)});
    emf.Rect(EmrRectangle, 0, 0, 20, 20);
    std::vector<uint8_t> bytes = emf.Finish();
    QImage image;
    ASSERT_EQ(Render(bytes, image), Ok);
    EXPECT_EQ(Px(image, 10, 10), Red);

    /* Cut anywhere after the header, before the end of its end-of-file
     * record, a file fails: a record then runs past the end or is missing. */
    EmfBuilder cut(50, 50);
    cut.SolidBrush(1, Rgb(255, 0, 0)).NullPen().Rect(EmrRectangle, 0, 0, 20, 20);
    const std::vector<uint8_t> whole = cut.Finish();
    for (size_t at = 88; at < whole.size(); ++at)
        EXPECT_EQ(Render({whole.begin(), whole.begin() + long(at)}, image), GenericError) << at;
}

TEST(MetafileEmf, NonMetafilesAndBrokenHeadersAreRefused) {
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0};
    QImage image;
    EXPECT_EQ(Render(png, image), UnknownImageFormat);
    EXPECT_FALSE(IsMetafile(png.data(), png.size()));
    std::vector<uint8_t> bytes = EmfBuilder(10, 10).Finish();
    EXPECT_TRUE(IsMetafile(bytes.data(), bytes.size()));
    EXPECT_EQ(RenderMetafile(bytes.data(), 60, image), UnknownImageFormat);
    EXPECT_EQ(RenderMetafile(nullptr, 0, image), InvalidParameter);
    for (size_t at = 24; at < 40; ++at) bytes[at] = 0;    /* no frame: the bounds give the size */
    ASSERT_EQ(Render(bytes, image), Ok);
    EXPECT_EQ(image.size(), QSize(10, 10));
}

TEST(MetafileEmf, WorkBudgetStopsHostileRedrawing) {
    EmfBuilder emf(100, 100);
    for (int i = 0; i < 1000; ++i) emf.Rect(EmrRectangle, -10, -10, 200, 200);
    std::vector<uint8_t> bytes = emf.Finish();
    MetafileLimits limits;
    limits.workPerPixel = 1;   /* four megapixels of work; 1000 rectangles need ten */
    QImage image;
    EXPECT_EQ(RenderMetafile(bytes.data(), bytes.size(), limits, image), ValueOverflow);
    EXPECT_EQ(Render(bytes, image), Ok);
}

TEST(MetafileEmf, SetDibitsToDeviceAndEmfPlusComments) {
    /* A dual EMF+ file: the EMF records are played. */
    EmfBuilder dual(100, 100);
    dual.Record(70, {16, 0x2B464D45, 0x00014001, 28, 16});
    dual.DibRecord(80, {30, 40, 0, 0, 2, 1}, {0, 0, 1}, MakeDib24(2, 1, {0xFF0000, 0x0000FF}));
    QImage image;
    ASSERT_EQ(Render(dual.Finish(), image), Ok);
    EXPECT_EQ(Px(image, 30, 40), Red);
    EXPECT_EQ(Px(image, 31, 40), Blue);
    EXPECT_EQ(Px(image, 32, 40), Transparent);
    /* EMF+ only: refused rather than rendered blank. */
    EmfBuilder plusOnly(100, 100);
    plusOnly.Record(70, {16, 0x2B464D45, 0x00004001, 28, 16});
    EXPECT_EQ(Render(plusOnly.Finish(), image), NotImplemented);
}

/* Metafiles load through cBitmap from memory and from files like any other
 * image, as 32-bit ARGB bitmaps. */
TEST(MetafileBitmap, StreamsAndFilesLoadAndAbsurdFramesFail) {
    EmfBuilder emf(40, 30);
    emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen().Rect(EmrRectangle, 0, 0, 20, 30);
    ByteWriter data{emf.Finish()};
    QByteArray bytes(reinterpret_cast<const char*>(data.bytes.data()), qsizetype(data.bytes.size()));
    cBitmap streamed;
    ASSERT_EQ(streamed.CreateFromStream(bytes), 0);
    EXPECT_EQ(streamed.Width(), 40);
    EXPECT_EQ(streamed.Height(), 30);
    EXPECT_EQ(streamed.PixelFormat(), int32_t(PixelFormat32bppARGB));
    EXPECT_EQ(streamed.GetPixelLong(10, 15), Red);
    EXPECT_EQ(streamed.GetPixelLong(30, 15) >> 24, 0u);   /* transparent where nothing was drawn */
    data.Put32(32, 0x7FFFFFFF);                            /* frame far beyond the size cap */
    bytes = QByteArray(reinterpret_cast<const char*>(data.bytes.data()), qsizetype(data.bytes.size()));
    cBitmap refused;
    EXPECT_EQ(refused.CreateFromStream(bytes), int32_t(ValueOverflow));
    EXPECT_EQ(refused.Handle(), nullptr);

    QTemporaryDir folder;
    WmfBuilder wmf(960, 480, 960);                         /* 96 x 48 pixels */
    wmf.Brush(Rgb(0, 0, 255)).Select(0).Rectangle(0, 0, 960, 480);
    data.bytes = wmf.Finish();
    QFile file(folder.filePath(QStringLiteral("picture.wmf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(data.bytes.data()), qint64(data.bytes.size()));
    file.close();
    cBitmap loaded;
    ASSERT_EQ(loaded.LoadFromFile(file.fileName()), 0);
    EXPECT_EQ(loaded.Width(), 96);
    EXPECT_EQ(loaded.Height(), 48);
    EXPECT_EQ(loaded.GetPixelLong(50, 20), Blue);
}
