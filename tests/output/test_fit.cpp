// Outputs that fit what the user asked for: transparency over white in files
// that cannot hold it.
#include "BatchSaveTest.h"

#include "OutputOptions.h"

#include <QImage>

#include <cstdlib>

namespace {

// A 32 x 16 straight-alpha image: columns 0-7 fully transparent (stored
// black, as decoders leave them), 8-15 red at alpha 128, 16-31 opaque blue.
cBitmap MakeCutout() {
    constexpr int kWidth = 32, kHeight = 16;
    std::vector<uint8_t> pixels(size_t{kWidth} * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* bgra = &pixels[static_cast<size_t>((y * kWidth + x) * 4)];
            const uint32_t argb = x < 8 ? 0x00000000u : x < 16 ? 0x80FF0000u : 0xFF0000FFu;
            bgra[0] = argb & 0xFF;
            bgra[1] = (argb >> 8) & 0xFF;
            bgra[2] = (argb >> 16) & 0xFF;
            bgra[3] = argb >> 24;
        }
    cBitmap bitmap;
    bitmap.CreateFromScan0(kWidth, kHeight, kWidth * 4, PixelFormat32bppARGB, pixels.data());
    return bitmap;
}

bool Near(QRgb lActual, QRgb lExpected, int lTolerance) {
    return std::abs(qRed(lActual) - qRed(lExpected)) <= lTolerance &&
           std::abs(qGreen(lActual) - qGreen(lExpected)) <= lTolerance &&
           std::abs(qBlue(lActual) - qBlue(lExpected)) <= lTolerance &&
           std::abs(qAlpha(lActual) - qAlpha(lExpected)) <= lTolerance;
}

} // namespace

class Fit : public BatchSave {
  protected:
    void SetUp() override {
        BatchSave::SetUp();
        mOptions.SizeIndex = kCustomSizeIndex;
        mOptions.CustomSize = QStringLiteral("0"); // each image keeps its size
    }

    QImage Written(const QString& sName) {
        cBitmap bitmap;
        bitmap.LoadFromFile(Out(sName));
        return bitmap.Picture();
    }
};

struct cCutoutCase {
    const char* Format;
    int Tolerance;
    QRgb Transparent, Half, Opaque; // columns 0-7, 8-15, 16-31 as written
};

class Transparency : public Fit, public testing::WithParamInterface<cCutoutCase> {};

// Files without transparency get the image over white, partial alpha blended
// (red at 128 over white is 255, 127, 127), at the image's edges as well as
// inside; PNG keeps the alpha as it was.
TEST_P(Transparency, ComesOutOverWhiteWhereTheFormatHasNone) {
    const cCutoutCase& c = GetParam();
    const int32_t png = mGdip.ExtensionExists(QStringLiteral("*.png"));
    ASSERT_EQ(MakeCutout().SaveToFile(In("cutout.png"), mGdip.EncoderClsid(png), nullptr), Ok);
    mList.Add(In("cutout.png"));
    mOptions.OutputFormat = QString::fromLatin1(c.Format);
    mOptions.QualityIndex = 3; // no chroma subsampling: the colours stay in their own blocks
    ASSERT_EQ(Run().Saved, 1);

    const QImage image = Written(QStringLiteral("cutout.") + QString::fromLatin1(c.Format).toLower());
    ASSERT_EQ(image.size(), QSize(32, 16));
    const struct {
        int X, Y;
        QRgb Expected;
    } probes[] = {{0, 0, c.Transparent},  {0, 15, c.Transparent}, {3, 8, c.Transparent},
                  {9, 0, c.Half},         {12, 15, c.Half},       {20, 8, c.Opaque},
                  {31, 0, c.Opaque},      {31, 15, c.Opaque}};
    for (const auto& probe : probes)
        EXPECT_TRUE(Near(image.pixel(probe.X, probe.Y), probe.Expected, c.Tolerance))
            << c.Format << " at " << probe.X << "," << probe.Y << ": " << std::hex
            << image.pixel(probe.X, probe.Y) << " for " << probe.Expected;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Transparency,
    testing::Values(cCutoutCase{"JPG", 6, 0xFFFFFFFF, 0xFFFF7F7F, 0xFF0000FF},
                    cCutoutCase{"BMP", 1, 0xFFFFFFFF, 0xFFFF7F7F, 0xFF0000FF},
                    cCutoutCase{"PNG", 1, 0x00000000, 0x80FF0000, 0xFF0000FF}),
    [](const testing::TestParamInfo<cCutoutCase>& param) { return std::string(param.param.Format); });
