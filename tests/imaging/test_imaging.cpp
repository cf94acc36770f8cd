/* cGDIP, cBitmap and cGraphics: status texts and reports, the extension
 * index, a clone's unread sizes, the stream and file round trips and the
 * display picture. (The loan of a device context: the flat API's test.) */
#include "cBitmap.h"
#include "cGDIP.h"
#include "cGraphics.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

/* Collects the Error signals of one cGDIP as "code text class". */
struct Listener {
    cGDIP gdip;
    std::vector<QString> reports;
    Listener() {
        QObject::connect(&gdip, cGDIP::ErrorSignal(), [this](int32_t code, const QString& text, const QString& cls) {
            reports.push_back(QString::number(code) + ' ' + text + ' ' + cls);
        });
    }
};

/* Opens the extension index to the pattern-list tests. */
class cGDIPProbe : public cGDIP {
  public:
    using cGDIP::AddExtensions;
};

/* A solid bitmap through the class itself. */
void FillSolid(cBitmap& bitmap, int32_t width, int32_t height, int32_t format, ARGB color) {
    ASSERT_EQ(bitmap.CreateFromScan0(width, height, 0, format, nullptr), 0);
    cGraphics graphics;
    ASSERT_EQ(graphics.GetGraphicsContext(bitmap.Handle()), 0);
    ASSERT_EQ(GdipGraphicsClear(graphics.Handle(), color), Ok);
}

TEST(cGDIP, ErrorRaisesTheSignalSynchronouslyWithTheCodesDescription) {
    Listener listener;
    EXPECT_FALSE(listener.gdip.Error(20, QStringLiteral("cBitmap")).isValid());
    listener.gdip.Error(0, QStringLiteral("cGraphics"));
    EXPECT_EQ(listener.reports,
              (std::vector<QString>{"20 Property Not Supported cBitmap", "0 Unknown GDI+ Error cGraphics"}));
    for (int32_t code : {21, -1, 1000})
        EXPECT_EQ(cGDIP::ErrorDescription(code), "Unknown GDI+ Error") << code;
}

/* The library's encoders are indexed in its order under each of their patterns, ignoring case;
 * added lists split at the delimiter with only the last pattern trimmed (" *.Y " is kept as it
 * stands, "*.Q;" adds no empty key); an instance keeps its index when another one goes. */
TEST(cGDIP, ExtensionIndexOfEncodersAndPatternLists) {
    auto other = std::make_unique<cGDIP>();
    cGDIPProbe gdip;
    const int32_t png = gdip.ExtensionExists(QStringLiteral("*.png"));
    const int32_t jpeg = gdip.ExtensionExists(QStringLiteral("*.jpg"));
    ASSERT_GE(png, 0);
    ASSERT_GE(jpeg, 0);
    other.reset();
    gdip.AddExtensions(QStringLiteral("*.AA;*.AB;*.AC;*.AD"), QStringLiteral(";"), 7);
    gdip.AddExtensions(QStringLiteral("*.ONE"), QStringLiteral(";"), 8);
    gdip.AddExtensions(QStringLiteral("*.X; *.Y ;  *.Z  "), QStringLiteral(";"), 9);
    gdip.AddExtensions(QStringLiteral("*.Q;"), QStringLiteral(";"), 10);
    for (const auto& [key, index] : std::vector<std::pair<const char*, int32_t>>{
             {"*.Png", png}, {"*.jpeg", jpeg}, {"*.JPE", jpeg}, {"*.jfif", jpeg}, {"png", -1},
             {".png", -1},   {"*.heic", -1},   {"*.WebP", 5},   {"*.avif", 6},    {"*.Jxl", 7},
             {"*.AA", 7},    {"*.ab", 7},      {"*.Ac", 7},     {"*.aD", 7},      {"*.one", 8},
             {"*.X", 9},     {" *.Y ", 9},     {"*.Y", -1},     {"*.z", 9},       {"", -1}})
        EXPECT_EQ(gdip.ExtensionExists(QString::fromLatin1(key)), index) << key;
    EXPECT_FALSE(gdip.EncoderClsid(jpeg) == gdip.EncoderClsid(png));
    EXPECT_TRUE(gdip.EncoderClsid(-1) == CLSID{});
    EXPECT_TRUE(gdip.EncoderClsid(8) == CLSID{});
    EXPECT_EQ(cGDIP().ExtensionExists(QStringLiteral("*.png")), png);
}

TEST(cBitmap, MovingTransfersTheImageAndTheEmptyObjectAnswersInvalidParameter) {
    cBitmap first;
    FillSolid(first, 2, 2, PixelFormat24bppRGB, 0xFF010203);
    GpImage* handle = first.Handle();
    cBitmap second(std::move(first));
    EXPECT_EQ(second.Handle(), handle);
    cBitmap third;
    third = std::move(second);
    EXPECT_EQ(third.Handle(), handle);
    EXPECT_EQ(third.Width(), 2);

    EXPECT_EQ(first.Handle(), nullptr);
    EXPECT_EQ(first.RotateFlip(1), 2);
    EXPECT_EQ(first.CurErr(), 2);
    BitmapData data{};
    EXPECT_EQ(first.LockBits(nullptr, 1, PixelFormat24bppRGB, &data), 2);
    EXPECT_TRUE(first.Picture().isNull());
}

TEST(cBitmap, FailedLoadReportsThreeTimesWithGdipAndNeverWithout) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken image.png"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("this is not an image at all") > 0);
    file.close();

    Listener listener;
    cBitmap reported;
    reported.gdip = &listener.gdip;
    EXPECT_EQ(reported.LoadFromFile(path), 13);
    EXPECT_EQ(reported.CurErr(), 2);
    EXPECT_EQ(reported.Handle(), nullptr);
    const std::vector<QString> expected = {"13 Unknown Image Format cBitmap", "2 Invalid Parameter cBitmap",
                                           "2 Invalid Parameter cBitmap"};
    EXPECT_EQ(listener.reports, expected);

    cBitmap quiet;
    EXPECT_EQ(quiet.LoadFromFile(dir.filePath(QStringLiteral("missing.png"))), 10);
    EXPECT_EQ(quiet.CurErr(), 2);
    EXPECT_EQ(listener.reports, expected);
}

TEST(cBitmap, AClonedAreaReadsNeitherSizeNorFormat) {
    cBitmap bitmap;
    FillSolid(bitmap, 30, 20, PixelFormat24bppRGB, 0xFF102030);
    cBitmap fresh;
    ASSERT_EQ(fresh.CreateFromClone(4, 4, bitmap.Handle(), PixelFormat24bppRGB), 0);
    EXPECT_EQ(fresh.Width(), 0);
    EXPECT_EQ(fresh.PixelFormat(), 0);
    EXPECT_EQ(fresh.GetPixel(3, 3), 0xFF102030u);
}

TEST(cBitmap, StreamAndFileRoundTripsAndPicture) {
    cGDIP gdip;
    const CLSID png = gdip.EncoderClsid(gdip.ExtensionExists(QStringLiteral("*.png")));
    cBitmap bitmap;
    FillSolid(bitmap, 5, 3, PixelFormat32bppARGB, 0x80402010);
    QByteArray bytes("unchanged"); /* an unknown encoder leaves the array alone */
    EXPECT_EQ(bitmap.SaveToStream(bytes, CLSID{}, nullptr), 0);
    EXPECT_EQ(bytes, QByteArray("unchanged"));
    EXPECT_EQ(bitmap.CurErr(), 13);
    bytes.clear();
    const int32_t written = bitmap.SaveToStream(bytes, png, nullptr);
    ASSERT_GT(written, 0);
    EXPECT_EQ(bytes.size(), written);
    cBitmap decoded;
    ASSERT_EQ(decoded.CreateFromStream(bytes), 0);
    bytes.fill('x'); /* the image keeps its own copy */
    EXPECT_EQ(QSize(decoded.Width(), decoded.Height()), QSize(5, 3));
    EXPECT_EQ(decoded.GetPixel(4, 2), 0x80402010u);
    const QImage picture = decoded.Picture();
    EXPECT_EQ(picture.size(), QSize(5, 3));
    EXPECT_EQ(picture.pixel(4, 2), 0x80402010u);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ünïcode name.png"));
    ASSERT_EQ(bitmap.SaveToFile(path, png, nullptr), 0);
    cBitmap loaded;
    ASSERT_EQ(loaded.LoadFromFile(path), 0);
    EXPECT_EQ(loaded.GetPixel(4, 2), 0x80402010u);
    /* A folder that does not exist: the save fails and leaves nothing. */
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder.png"));
    EXPECT_NE(bitmap.SaveToFile(nowhere, png, nullptr), 0);
    EXPECT_FALSE(QFile::exists(nowhere));
    /* A name held by a symbolic link: the link is replaced, the file it led to kept. */
    const QString target = dir.filePath(QStringLiteral("target.png"));
    const QString link = dir.filePath(QStringLiteral("link.png"));
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly) && kept.write("kept") == 4 && QFile::link(target, link));
    kept.close();
    ASSERT_EQ(bitmap.SaveToFile(link, png, nullptr), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(target).size(), 4);
}

TEST(cGraphics, CallsWithoutAHandleFailAndReportAsCGraphics) {
    Listener listener;
    cGraphics graphics;
    EXPECT_EQ(graphics.GetDC(), nullptr);
    EXPECT_EQ(graphics.CurErr(), 2);
    EXPECT_EQ(graphics.SetInterpolationMode(6), 2);
    EXPECT_TRUE(listener.reports.empty());
    graphics.gdip = &listener.gdip;
    EXPECT_EQ(graphics.SetInterpolationMode(6), 2);
    EXPECT_EQ(listener.reports, std::vector<QString>{"2 Invalid Parameter cGraphics"});
}

} // namespace
