/* Metafiles through the bitmap object: loaded from memory and from files
 * like any other image, as 32-bit ARGB bitmaps. */
#include "cBitmap.h"
#include "test_metafile_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace mftest;

namespace {

QByteArray Bytes(const std::vector<uint8_t>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

std::vector<uint8_t> RedLeftHalfEmf() {
    EmfBuilder emf(40, 30);
    emf.SolidBrush(1, Rgb(255, 0, 0)).NullPen().Rect(43, 0, 0, 20, 30);
    return emf.Finish();
}

} // namespace

TEST(MetafileBitmap, StreamedEmfBecomesArgbBitmap) {
    QByteArray bytes = Bytes(RedLeftHalfEmf());
    cBitmap bitmap;
    ASSERT_EQ(bitmap.CreateFromStream(bytes), 0);
    EXPECT_EQ(bitmap.Width(), 40);
    EXPECT_EQ(bitmap.Height(), 30);
    EXPECT_EQ(bitmap.PixelFormat(), int32_t(PixelFormat32bppARGB));
    EXPECT_EQ(bitmap.GetPixelLong(10, 15), 0xFFFF0000u);
    EXPECT_EQ(bitmap.GetPixelLong(30, 15) >> 24, 0u);   /* transparent where nothing was drawn */
}

TEST(MetafileBitmap, WmfFileLoadsAndBrokenMetafilesFail) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    WmfBuilder wmf(960, 480, 960);                         /* 96 x 48 pixels */
    wmf.Brush(Rgb(0, 0, 255)).Select(0).Rectangle(0, 0, 960, 480);
    const std::vector<uint8_t> data = wmf.Finish();
    QFile file(folder.filePath(QStringLiteral("picture.wmf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Bytes(data));
    file.close();
    cBitmap bitmap;
    ASSERT_EQ(bitmap.LoadFromFile(file.fileName()), 0);
    EXPECT_EQ(bitmap.Width(), 96);
    EXPECT_EQ(bitmap.Height(), 48);
    EXPECT_EQ(bitmap.GetPixelLong(50, 20), 0xFF0000FFu);

    std::vector<uint8_t> absurd = RedLeftHalfEmf();
    ByteWriter patch;
    patch.bytes = absurd;
    patch.Put32(32, 0x7FFFFFFF);                           /* frame far beyond the size cap */
    QByteArray tooLarge = Bytes(patch.bytes);
    cBitmap refused;
    EXPECT_EQ(refused.CreateFromStream(tooLarge), int32_t(ValueOverflow));
    EXPECT_EQ(refused.Handle(), nullptr);

    QByteArray noImage("neither a metafile nor any other image");
    cBitmap unknown;
    EXPECT_EQ(unknown.CreateFromStream(noImage), int32_t(UnknownImageFormat));
}
