/* cBitmap over the real codecs: animation properties, multi-page TIFF and
 * damaged files failing at load. */
#include "cBitmap.h"
#include "cGDIP.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <vector>

namespace {

/* A photo-like 24-bit bitmap: gradients and noise, so quality matters. */
void FillPhoto(cBitmap& bitmap, int32_t width, int32_t height) {
    ASSERT_EQ(bitmap.CreateFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr), 0);
    std::vector<ARGB> pixels(static_cast<size_t>(width) * height);
    uint32_t seed = 7;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t noise = seed >> 27;
            pixels[static_cast<size_t>(y) * width + x] =
                0xFF000000u | ((x * 4 + noise) & 255u) << 16 | ((y * 3 + noise) & 255u) << 8 | (noise * 8);
        }
    BitmapData data{static_cast<uint32_t>(width), static_cast<uint32_t>(height), width * 4,
                    PixelFormat32bppARGB, pixels.data(), 0};
    ASSERT_EQ(bitmap.LockBits(nullptr, 6, PixelFormat32bppARGB, &data), 0);
    ASSERT_EQ(bitmap.UnlockBits(&data), 0);
}

/* A 1 x 1 GIF with four frames of 10, 20, 30, 40 hundredths and loop count 3. */
QByteArray AnimatedGif() {
    QByteArray gif("GIF89a", 6);
    const char screen[] = {1, 0, 1, 0, char(0x80), 0, 0, 0, 0, 0, char(0xFF), char(0xFF), char(0xFF)};
    gif.append(screen, sizeof screen);
    const char loop[] = {0x21, char(0xFF), 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                         '2', '.', '0', 0x03, 0x01, 0x03, 0x00, 0x00};
    gif.append(loop, sizeof loop);
    for (char delay : {10, 20, 30, 40}) {
        const char control[] = {0x21, char(0xF9), 0x04, 0x00, delay, 0x00, 0x00, 0x00};
        gif.append(control, sizeof control);
        /* One pixel of index 0: clear, 0, end in 3-bit codes. */
        const char image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0x02, 0x02, 0x44, 0x01, 0x00};
        gif.append(image, sizeof image);
    }
    gif.append(char(0x3B));
    return gif;
}

TEST(cBitmapCodecs, FrameDelaysAndLoopCountOfAnAnimation) {
    QByteArray bytes = AnimatedGif();
    cBitmap bitmap;
    ASSERT_EQ(bitmap.CreateFromStream(bytes), 0);
    EXPECT_EQ(bitmap.Width(), 1);
    EXPECT_EQ(bitmap.GetDelay(0), 10);
    EXPECT_EQ(bitmap.GetDelay(3), 40);
    EXPECT_EQ(bitmap.GetDelay(5), 0);  /* byte offset 20 lies beyond the value */
    EXPECT_EQ(bitmap.GetLoopCount(), 3);
    EXPECT_EQ(bitmap.SelectActiveFrame(2, true), 0);
    EXPECT_EQ(bitmap.FrameCount(), 4);
    EXPECT_EQ(bitmap.SelectActiveFrame(4, true), 2);
    QVariant value;
    EXPECT_EQ(bitmap.GetPropertyItem(PropertyTagFrameDelay, value, 1), 0);
    EXPECT_EQ(value.toInt(), 20);
    EXPECT_EQ(bitmap.PropertyHeader().length, 16u);
    EXPECT_EQ(bitmap.GetPropertyItem(PropertyTagEquipMake, value, 0), 19);
    EXPECT_EQ(value.toInt(), 20);  /* untouched by the failed read */
}

TEST(cBitmapCodecs, MultiPageTiffFileHoldsEveryPage) {
    cGDIP gdip;
    const int32_t tiff = gdip.ExtensionExists(QStringLiteral("*.tiff"));
    ASSERT_GE(tiff, 0);
    const QString path = QDir::temp().filePath(QStringLiteral("quillet-imaging-pages.tif"));
    cBitmap first;
    ASSERT_EQ(first.CreateFromScan0(3, 2, 0, PixelFormat24bppRGB, nullptr), 0);
    cBitmap second;
    FillPhoto(second, 6, 5);
    uint32_t flag = EncoderValueMultiFrame;
    EncoderParameters params{1, {{EncoderSaveFlag, 1, EncoderParameterValueTypeLong, &flag}}};
    ASSERT_EQ(first.SaveToFile(path, gdip.EncoderClsid(tiff), &params), 0);
    flag = EncoderValueFrameDimensionPage;
    ASSERT_EQ(first.SaveAddImage(QString(), second.Handle(), &params), 0);
    ASSERT_EQ(first.SaveAdd(&params), 0);  /* the first page again */
    flag = EncoderValueFlush;
    ASSERT_EQ(first.SaveAdd(&params), 0);
    cBitmap loaded;
    ASSERT_EQ(loaded.LoadFromFile(path), 0);
    EXPECT_EQ(loaded.Width(), 3);
    ASSERT_EQ(loaded.SelectActiveFrame(1), 0);
    EXPECT_EQ(loaded.FrameCount(), 3);
    EXPECT_EQ(loaded.Width(), 6);
    EXPECT_EQ(loaded.GetPixel(5, 4), second.GetPixel(5, 4));
    QFile::remove(path);
}

TEST(cBitmapCodecs, DamagedPixelDataFailsTheLoad) {
    cGDIP gdip;
    const int32_t png = gdip.ExtensionExists(QStringLiteral("*.png"));
    ASSERT_GE(png, 0);
    cBitmap bitmap;
    FillPhoto(bitmap, 64, 64);
    QByteArray bytes;
    ASSERT_GT(bitmap.SaveToStream(bytes, gdip.EncoderClsid(png), nullptr), 100);
    for (qsizetype cut : {qsizetype(0), qsizetype(8), qsizetype(30), bytes.size() / 3, bytes.size() / 2,
                          bytes.size() - 20}) {
        QByteArray truncated = bytes.left(cut);
        cBitmap damaged;
        EXPECT_NE(damaged.CreateFromStream(truncated), 0) << "cut at " << cut;
        EXPECT_EQ(damaged.Handle(), nullptr);
    }
}

} // namespace
