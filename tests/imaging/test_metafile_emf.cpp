#include "cBitmap.h"
#include "test_metafile_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using namespace mftest;

namespace {

constexpr uint32_t EmrRectangle = 43, EmrEllipse = 42, EmrSetMapMode = 17;

/* A picture with a red brush and no pen selected. */
EmfBuilder RedEmf(int width, int height) {
    return EmfBuilder(width, height).SolidBrush(1, Rgb(255, 0, 0)).NullPen();
}

QByteArray AsQBytes(const std::vector<uint8_t>& v) {
    return {reinterpret_cast<const char*>(v.data()), qsizetype(v.size())};
}

} // namespace

/* Shapes, pens, transforms, mappings, clips, paths and bitmaps land where mapped, on transparency. */
TEST(MetafileEmf, RecordsDrawWhereTheyAreMapped) {
    constexpr uint32_t White = 0xFFFFFFFF, Green = 0xFF00FF00;
    const auto xy = [](int x, int y) { return uint32_t(x | y << 16); };
    ExpectDrawn({
        {"rectangle",
         RedEmf(100, 80).Rect(EmrRectangle, 10, 10, 50, 40).Finish(),
         {{30, 25, Red}, {10, 10, Red}, {49, 39, Red}, {50, 40, Transparent}, {70, 60, Transparent}}},
        {"pen and default white brush", /* 3-unit blue pen */
         EmfBuilder(60, 60)
             .Record(38, {1, 0, 3, 0, Rgb(0, 0, 255)})
             .Record(37, {1})
             .Rect(EmrRectangle, 10, 10, 50, 50)
             .Finish(),
         {{10, 30, Blue}, {30, 30, White}, {5, 30, Transparent}}},
        /* x' = 2x + 40, y' = 2y; then a left-multiplied translation applies before the scale: +10 units
         * = +20 px, so (0..5 + 10) * 2 + 40 = 60..70 and (0..5 + 20) * 2 = 40..50. */
        {"world transform",
         RedEmf(100, 100)
             .Record(35, {Bits(2), 0, 0, Bits(2), Bits(40), Bits(0)})
             .Rect(EmrRectangle, 5, 5, 15, 15)
             .Record(36, {Bits(1), 0, 0, Bits(1), Bits(10), Bits(20), 2})
             .SolidBrush(2, Rgb(0, 0, 255))
             .Rect(EmrRectangle, 0, 0, 5, 5)
             .Finish(),
         {{45, 15, Transparent}, {55, 25, Red}, {69, 29, Red}, {71, 31, Transparent}, {65, 45, Blue}}},
        /* Anisotropic: window 1000 at x 100, viewport 100: 10..40 square. Then 0.01 mm, y up, viewport
         * origin at the bottom: x 57..94, y 62..100. */
        {"anisotropic and metric mapping",
         RedEmf(100, 100)
             .Record(EmrSetMapMode, {8})
             .Record(9, {1000, 1000})
             .Record(11, {100, 100})
             .Record(10, {100, 0})
             .Rect(EmrRectangle, 200, 100, 500, 400)
             .Record(EmrSetMapMode, {3})
             .Record(12, {0, 100})
             .SolidBrush(2, Rgb(0, 0, 255))
             .Rect(EmrRectangle, 1500, 1000, 2500, 0)
             .Finish(),
         {{11, 11, Red},
          {38, 38, Red},
          {45, 25, Transparent},
          {75, 80, Blue},
          {75, 55, Transparent},
          {50, 80, Transparent}}},
        /* Save (blue, no clip), IntersectClipRect, ExcludeClipRect, red; restore: blue, no clip. */
        {"clipping and saved states",
         EmfBuilder(100, 100)
             .SolidBrush(1, Rgb(0, 0, 255))
             .NullPen()
             .Record(33, {})
             .Rect(30, 0, 0, 50, 50)
             .Rect(29, 10, 10, 20, 20)
             .SolidBrush(2, Rgb(255, 0, 0))
             .Rect(EmrRectangle, 0, 0, 100, 100)
             .Record(34, {uint32_t(-1)})
             .Rect(EmrRectangle, 60, 60, 90, 90)
             .Finish(),
         {{5, 5, Red}, {15, 15, Transparent}, {70, 30, Transparent}, {75, 75, Blue}}},
        {"clip region", /* two rectangles in device pixels */
         RedEmf(100, 100)
             .Record(75, {64, 5, 32, 1, 2, 32, 0, 0, 100, 100, 0, 0, 10, 10, 90, 90, 100, 100})
             .Rect(EmrRectangle, 0, 0, 100, 100)
             .Finish(),
         {{5, 5, Red}, {95, 95, Red}, {50, 50, Transparent}}},
        /* BeginPath, a closed triangle and an ellipse, EndPath, FillPath. */
        {"path bracket",
         RedEmf(100, 100)
             .Record(59, {})
             .Record(27, {10, 10})
             .Record(54, {90, 10})
             .Record(54, {10, 90})
             .Record(61, {})
             .Rect(EmrEllipse, 60, 60, 80, 80)
             .Record(60, {})
             .Rect(62, 0, 0, 100, 100)
             .Finish(),
         {{20, 20, Red}, {80, 40, Transparent}, {70, 70, Red}}},
        /* Two squares; a quarter pie counter-clockwise from the right to the top of the circle centred
         * at (70, 70): (75, 65) lies between the centre and the chord. */
        {"poly-polygon and pie",
         RedEmf(100, 100)
             .Record(91, {0, 0, 0, 0, 2, 8, 4, 4, xy(0, 0), xy(20, 0), xy(20, 20), xy(0, 20), xy(30, 30), xy(40, 30),
                          xy(40, 40), xy(30, 40)})
             .Record(47, {50, 50, 90, 90, 100, 70, 70, 0})
             .Finish(),
         {{10, 10, Red},
          {35, 35, Red},
          {25, 25, Transparent},
          {82, 58, Red},
          {75, 65, Red},
          {65, 75, Transparent},
          {60, 60, Transparent}}},
        {"stretched bitmap", /* bottom-up 2 x 2 */
         EmfBuilder(100, 100)
             .DibRecord(81, {10, 10, 0, 0, 2, 2}, {0, 0x00CC0020, 40, 40},
                        MakeDib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}))
             .Finish(),
         {{15, 15, Red}, {45, 15, Green}, {15, 45, Blue}, {45, 45, White}, {55, 55, Transparent}}},
        {"dual EMF+ file: SetDIBitsToDevice played",
         EmfBuilder(100, 100)
             .Record(70, {16, 0x2B464D45, 0x00014001, 28, 16})
             .DibRecord(80, {30, 40, 0, 0, 2, 1}, {0, 0, 1}, MakeDib24(2, 1, {0xFF0000, 0x0000FF}))
             .Finish(),
         {{30, 40, Red}, {31, 40, Blue}, {32, 40, Transparent}}},
        {"a move draws nothing, the line after it does", /* 3-unit blue pen */
         EmfBuilder(100, 100)
             .Record(38, {1, 0, 3, 0, Rgb(0, 0, 255)})
             .Record(37, {1})
             .Record(27, {50, 10})
             .Record(54, {50, 90})
             .Finish(),
         {{50, 50, Blue}, {25, 5, Transparent}, {10, 2, Transparent}}},
        {"opaque text cell", /* background blue, mode opaque by default */
         EmfBuilder(100, 60).Record(25, {Rgb(0, 0, 255)}).TextW(10, 10, u"i").Finish(),
         {{11, 11, Blue}, {80, 50, Transparent}}},
    });
}

TEST(MetafileEmf, TextIsDrawnInTextColourWithAlignment) {
    /* A bold 40-pixel font; the white rectangle leaves the painter in opaque mode; then a
     * transparent background, black text top-left aligned, and TA_RIGHT. */
    const QImage image =
        Rendered(EmfBuilder(200, 100)
                     .Raw(82, Bytes().le({1, -40, 0, 0, 0, 700, 0, 0}).append(std::vector<uint8_t>(64)).v)
                     .Record(37, {1})
                     .Record(25, {Rgb(0, 0, 255)})
                     .NullPen()
                     .Rect(EmrRectangle, 150, 5, 160, 15)
                     .Record(18, {1})
                     .Record(24, {Rgb(0, 0, 0)})
                     .TextW(10, 10, u"HH")
                     .Record(22, {2})
                     .TextW(190, 50, u"HH")
                     .Finish());
    /* Both texts dark; nothing above the first, right of it, or below the second. */
    for (const auto& [x0, y0, x1, y1, dark] :
         std::vector<std::tuple<int, int, int, int, bool>>{{10, 10, 90, 50, true},
                                                           {0, 0, 200, 8, false},
                                                           {110, 50, 190, 95, true},
                                                           {100, 0, 200, 48, false},
                                                           {0, 55, 100, 100, false}})
        EXPECT_EQ(CountDark(image, x0, y0, x1, y1) > (dark ? 100 : 0), dark) << x0 << ", " << y0;
    int blue = 0;
    for (int y = 10; y < 95; ++y)
        for (int x = 10; x < 195; ++x)
            blue += image.pixel(x, y) == Blue;
    EXPECT_EQ(blue, 0); /* no background behind the text */
}

TEST(MetafileEmf, HostileRecordsAreSkippedOrEndPlayback) {
    /* An object index outside the table, counts beyond the record or the points, a DIB beyond the
     * record, SaveDC beyond the stack cap and a restore far below it. */
    EmfBuilder emf = RedEmf(50, 50);
    emf.Record(39, {4000, 0, Rgb(0, 0, 255), 0}).Record(37, {4000}).Record(3, {0, 0, 0, 0, 0x10000000, 1, 1});
    emf.Record(91, {0, 0, 0, 0, 2, 3, 2, 0xFFFFFFFF, 0, 0, 0, 0});
    emf.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0xFFFFFF00, 40, 0, 4, 0, 0xCC0020, 10, 10});
    for (int i = 0; i < 5000; ++i)
        emf.Record(33, {});
    emf.Record(34, {uint32_t(-100000)}).Rect(EmrRectangle, 0, 0, 20, 20);
    EXPECT_EQ(Rendered(emf.Finish()).pixel(10, 10), Red);

    /* Cut anywhere before the end of its end-of-file record, a file fails. */
    const std::vector<uint8_t> whole = RedEmf(50, 50).Rect(EmrRectangle, 0, 0, 20, 20).Finish();
    QImage image;
    for (size_t at = 88; at < whole.size(); ++at)
        EXPECT_EQ(Render({whole.begin(), whole.begin() + long(at)}, image), GenericError) << at;
}

/* The frame gives the size at 96 dpi (the bounds when it is empty); larger frames are drawn
 * smaller, absurd ones refused like non-metafiles, files only in EMF+ and hostile redrawing. */
TEST(MetafileEmf, FramesHeadersAndTheWorkBudget) {
    Bytes patch{EmfBuilder(10, 10).Finish()};
    patch.put(32, 4, 2540 * 40); /* frame right: 40 inches = 3840 px */
    EXPECT_EQ(Rendered(patch.v).size(), QSize(3840, 10));
    MetafileLimits limits;
    limits.maxDrawnPixels = 3840 * 10 / 4;
    QImage image;
    ASSERT_EQ(RenderMetafile(patch.v.data(), patch.v.size(), limits, image), Ok);
    EXPECT_EQ(image.size(), QSize(1920, 5));
    patch.put(32, 4, 2540 * 400); /* 38400 px: too wide, though small in area */
    QImage untouched(1, 1, QImage::Format_ARGB32);
    EXPECT_EQ(Render(patch.v, untouched), ValueOverflow);
    EXPECT_EQ(untouched.size(), QSize(1, 1));

    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0};
    std::vector<uint8_t> emf = EmfBuilder(10, 10).Finish();
    const std::pair<std::vector<uint8_t>, GpStatus> refused[] = {
        {png, UnknownImageFormat},
        {{emf.begin(), emf.begin() + 60}, UnknownImageFormat},
        {EmfBuilder(10, 10).Record(70, {16, 0x2B464D45, 0x00004001, 28, 16}).Finish(), NotImplemented}, /* EMF+ only */
        {WmfBuilder(0, 0, 0).Finish(), InvalidParameter}, /* no size at all */
    };
    for (const auto& [bytes, status] : refused)
        EXPECT_EQ(Render(bytes, image), status) << &bytes - &refused[0].first;
    EXPECT_EQ(RenderMetafile(nullptr, 0, image), InvalidParameter);
    for (size_t at = 24; at < 40; ++at)
        emf[at] = 0;
    EXPECT_EQ(Rendered(emf).size(), QSize(10, 10));

    EmfBuilder redrawing(100, 100);
    for (int i = 0; i < 1000; ++i)
        redrawing.Rect(EmrRectangle, -10, -10, 200, 200);
    const std::vector<uint8_t> bytes = redrawing.Finish();
    limits = MetafileLimits{};
    limits.workPerPixel = 1; /* four megapixels of work; 1000 rectangles need ten */
    EXPECT_EQ(RenderMetafile(bytes.data(), bytes.size(), limits, image), ValueOverflow);
    EXPECT_EQ(Render(bytes, image), Ok);
}

/* Metafiles load through cBitmap from memory and from files, as 32-bit ARGB bitmaps. */
TEST(MetafileBitmap, StreamsAndFilesLoadAndAbsurdFramesFail) {
    Bytes data{RedEmf(40, 30).Rect(EmrRectangle, 0, 0, 20, 30).Finish()};
    QByteArray bytes = AsQBytes(data.v);
    cBitmap streamed;
    ASSERT_EQ(streamed.CreateFromStream(bytes), 0);
    EXPECT_EQ(streamed.Width(), 40);
    EXPECT_EQ(streamed.Height(), 30);
    EXPECT_EQ(streamed.PixelFormat(), int32_t(PixelFormat32bppARGB));
    EXPECT_EQ(streamed.GetPixelLong(10, 15), Red);
    EXPECT_EQ(streamed.GetPixelLong(30, 15) >> 24, 0u); /* transparent where nothing was drawn */
    data.put(32, 4, 30000 * 2540 / 96);                 /* 30000 x 30000 px: each side allowed, */
    data.put(36, 4, 30000 * 2540 / 96);                 /* the area not */
    bytes = AsQBytes(data.v);
    cBitmap refused;
    EXPECT_EQ(refused.CreateFromStream(bytes), int32_t(ValueOverflow));
    EXPECT_EQ(refused.Handle(), nullptr);

    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("picture.wmf"))); /* 96 x 48 pixels */
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(AsQBytes(WmfBuilder(960, 480, 960).Brush(Rgb(0, 0, 255)).Select(0).Rectangle(0, 0, 960, 480).Finish()));
    file.close();
    cBitmap loaded;
    ASSERT_EQ(loaded.LoadFromFile(file.fileName()), 0);
    EXPECT_EQ(loaded.Width(), 96);
    EXPECT_EQ(loaded.Height(), 48);
    EXPECT_EQ(loaded.GetPixelLong(50, 20), Blue);
    int32_t width = 0, height = 0; /* measured for output names as it loads */
    EXPECT_EQ(std::tuple(cBitmap::ReadFileSize(file.fileName(), width, height), width, height), std::tuple(0, 96, 48));
}
