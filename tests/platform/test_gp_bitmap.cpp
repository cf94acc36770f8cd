/* The flat API's bitmaps, locks, graphics objects and device contexts as the
 * program calls them: size caps, bounds and state checks. */
#include "gp_test_util.h"

namespace {

TEST(Create, SizesBeyondTheCapsOverflowBeforeAllocating) {
    GpBitmap* bitmap = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromScan0(32768, 1, 0, PixelFormat24bppRGB, nullptr, &bitmap), ValueOverflow);
    EXPECT_EQ(GdipCreateBitmapFromScan0(1, 32768, 0, PixelFormat24bppRGB, nullptr, &bitmap), ValueOverflow);
    /* 32767 x 32767 is over the pixel cap. */
    EXPECT_EQ(GdipCreateBitmapFromScan0(32767, 32767, 0, PixelFormat32bppARGB, nullptr, &bitmap), ValueOverflow);
    EXPECT_EQ(GdipCreateBitmapFromScan0(0, 5, 0, PixelFormat24bppRGB, nullptr, &bitmap), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(-3, 5, 0, PixelFormat24bppRGB, nullptr, &bitmap), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(5, 5, 0, 0x12345, nullptr, &bitmap), InvalidParameter);
    EXPECT_EQ(bitmap, nullptr);
    GpImageOwner big;
    ASSERT_EQ(GdipCreateBitmapFromScan0(32767, 1, 0, PixelFormat32bppARGB, nullptr, &big.image), Ok);
}

TEST(Create, Scan0PixelsAreCopiedWithStrideChecks) {
    uint8_t rows[2][8] = {{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}};
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 8, PixelFormat24bppRGB, &rows[0][0], &image.image), Ok);
    rows[0][0] = 99;  /* the bitmap keeps its own copy */
    ARGB color = 0;
    ASSERT_EQ(GdipBitmapGetPixel(image.get(), 1, 1, &color), Ok);
    EXPECT_EQ(color, 0xFF0C0B0Au);
    ASSERT_EQ(GdipBitmapGetPixel(image.get(), 0, 0, &color), Ok);
    EXPECT_EQ(color, 0xFF030201u);
    /* Bottom-up rows through a negative stride. */
    GpImageOwner flipped;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, -8, PixelFormat24bppRGB, &rows[1][0], &flipped.image), Ok);
    ASSERT_EQ(GdipBitmapGetPixel(flipped.get(), 0, 0, &color), Ok);
    EXPECT_EQ(color, 0xFF090807u);
    GpBitmap* bad = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromScan0(2, 2, 6, PixelFormat24bppRGB, &rows[0][0], &bad), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 2, 8, PixelFormat24bppRGB, &rows[0][0], &bad), InvalidParameter);
}

TEST(LockBits, ArgumentsAndStateAreChecked) {
    GpImageOwner image(MakeBitmap(4, 4, PixelFormat24bppRGB, std::vector<ARGB>(16, 0xFF000000u)));
    BitmapData data{};
    GpRect outside{2, 2, 3, 1};
    EXPECT_EQ(GdipBitmapLockBits(image.get(), &outside, ImageLockModeRead, PixelFormat24bppRGB, &data), InvalidParameter);
    GpRect empty{0, 0, 0, 1};
    EXPECT_EQ(GdipBitmapLockBits(image.get(), &empty, ImageLockModeRead, PixelFormat24bppRGB, &data), InvalidParameter);
    EXPECT_EQ(GdipBitmapLockBits(image.get(), nullptr, ImageLockModeUserInputBuf, PixelFormat24bppRGB, &data), InvalidParameter);
    /* A caller's buffer whose stride cannot hold a row. */
    uint8_t small[16];
    BitmapData user{4, 4, 4, PixelFormat24bppRGB, small, 0};
    EXPECT_EQ(GdipBitmapLockBits(image.get(), nullptr, 5, PixelFormat24bppRGB, &user), InvalidParameter);
    ASSERT_EQ(GdipBitmapLockBits(image.get(), nullptr, ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    BitmapData second{};
    EXPECT_EQ(GdipBitmapLockBits(image.get(), nullptr, ImageLockModeRead, PixelFormat24bppRGB, &second), WrongState);
    /* Written pixels of a sub-rectangle land in place on unlock. */
    static_cast<ARGB*>(data.Scan0)[5] = 0xFF112233;
    EXPECT_EQ(GdipBitmapUnlockBits(image.get(), &data), Ok);
    EXPECT_EQ(GdipBitmapUnlockBits(image.get(), &data), WrongState);
    ARGB color = 0;
    ASSERT_EQ(GdipBitmapGetPixel(image.get(), 1, 1, &color), Ok);
    EXPECT_EQ(color, 0xFF112233u);
    EXPECT_EQ(GdipBitmapGetPixel(image.get(), 4, 0, &color), InvalidParameter);
}

TEST(Clone, AreaIsCopiedAndConverted) {
    std::vector<ARGB> pixels(16);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | static_cast<ARGB>(i * 10);
    GpImageOwner image(MakeBitmap(4, 4, PixelFormat32bppARGB, pixels));
    GpImageOwner clone;
    ASSERT_EQ(GdipCloneBitmapAreaI(1, 2, 2, 2, PixelFormat24bppRGB, image.get(), &clone.image), Ok);
    PixelFormat format = 0;
    GdipGetImagePixelFormat(clone.get(), &format);
    EXPECT_EQ(format, PixelFormat24bppRGB);
    const std::vector<ARGB> expected = {pixels[9], pixels[10], pixels[13], pixels[14]};
    EXPECT_EQ(ReadPixels(clone.get()), expected);
    GpBitmap* bad = nullptr;
    EXPECT_EQ(GdipCloneBitmapAreaI(3, 3, 2, 2, PixelFormat24bppRGB, image.get(), &bad), InvalidParameter);
}

TEST(Graphics, ClearGivesTransparentWhiteAndIndexedBitmapsRefuseSurfaces) {
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(5, 3, 0, PixelFormat32bppARGB, nullptr, &image.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(image.get(), &graphics), Ok);
    ASSERT_EQ(GdipGraphicsClear(graphics, 0x00FFFFFF), Ok);
    for (ARGB p : ReadPixels(image.get()))
        EXPECT_EQ(p, 0x00FFFFFFu);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);

    GpImageOwner indexed;
    ASSERT_EQ(GdipCreateBitmapFromScan0(5, 3, 0, PixelFormat8bppIndexed, nullptr, &indexed.image), Ok);
    GpGraphics* none = nullptr;
    EXPECT_EQ(GdipGetImageGraphicsContext(indexed.get(), &none), OutOfMemory);
    EXPECT_EQ(GdipCreateFromHWND(nullptr, &none), NotImplemented);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GdipDeleteGraphics(nullptr), InvalidParameter);
}

TEST(Graphics, DrawOfAnIndexedSourceUsesItsPalette) {
    GpImageOwner src(MakeBitmap(2, 1, PixelFormat1bppIndexed, {0xFF000000, 0xFFFFFFFF}));
    GpImageOwner out(DrawScaled(src.get(), 2, 1, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    const std::vector<ARGB> expected = {0xFF000000, 0xFFFFFFFF};
    EXPECT_EQ(ReadPixels(out.get()), expected);
}

TEST(Graphics, DeviceContextLoanIsWrittenBackOnRelease) {
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(3, 2, 0, PixelFormat24bppRGB, nullptr, &image.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(image.get(), &graphics), Ok);
    HDC hdc = nullptr;
    ASSERT_EQ(GdipGetDC(graphics, &hdc), Ok);
    HDC second = nullptr;
    EXPECT_EQ(GdipGetDC(graphics, &second), ObjectBusy);
    EXPECT_EQ(GdipGraphicsClear(graphics, 0xFFFFFFFF), ObjectBusy);
    BitmapData bits{};
    ASSERT_EQ(GpGetDCBits(hdc, &bits), Ok);
    EXPECT_EQ(bits.Width, 3u);
    EXPECT_EQ(bits.PixelFormat, PixelFormat32bppARGB);
    static_cast<ARGB*>(bits.Scan0)[4] = 0xFFABCDEF;
    ASSERT_EQ(GdipReleaseDC(graphics, hdc), Ok);
    ARGB color = 0;
    ASSERT_EQ(GdipBitmapGetPixel(image.get(), 1, 1, &color), Ok);
    EXPECT_EQ(color, 0xFFABCDEFu);
    /* Deleting the graphics object with a loan outstanding frees the loan. */
    ASSERT_EQ(GdipGetDC(graphics, &hdc), Ok);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
}

TEST(Graphics, SurfaceOnADeviceContextAndADisposedBitmap) {
    HDC hdc = nullptr;
    ASSERT_EQ(GpCreateDC(4, 4, &hdc), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(hdc, &graphics), Ok);
    GpImageOwner src(MakeBitmap(2, 2, PixelFormat24bppRGB, std::vector<ARGB>(4, 0xFF102030u)));
    ASSERT_EQ(GdipDrawImageRectI(graphics, src.get(), 1, 1, 2, 2), Ok);
    BitmapData bits{};
    ASSERT_EQ(GpGetDCBits(hdc, &bits), Ok);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[5], 0xFF102030u);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[0], 0u);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
    GpDeleteDC(hdc);

    /* A graphics object whose bitmap is gone fails instead of touching it. */
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 0, PixelFormat24bppRGB, nullptr, &bitmap), Ok);
    ASSERT_EQ(GdipGetImageGraphicsContext(bitmap, &graphics), Ok);
    ASSERT_EQ(GdipDisposeImage(bitmap), Ok);
    EXPECT_EQ(GdipGraphicsClear(graphics, 0), InvalidParameter);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
}

TEST(DisplayBitmap, CopiesPixelsOverTheBackground) {
    GpImageOwner image(MakeBitmap(2, 1, PixelFormat32bppARGB, {0x80FF0000, 0xFF00FF00}));
    HBITMAP hbm = nullptr;
    ASSERT_EQ(GdipCreateHBITMAPFromBitmap(image.get(), &hbm, 0), Ok);
    BitmapData bits{};
    ASSERT_EQ(GpGetHBITMAPBits(hbm, &bits), Ok);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[0], 0x80FF0000u);
    GpImageOwner copy;
    ASSERT_EQ(GdipCreateBitmapFromHBITMAP(hbm, nullptr, &copy.image), Ok);
    EXPECT_EQ(ReadPixels(copy.get()), ReadPixels(image.get()));
    GpDeleteObject(hbm);
    ASSERT_EQ(GdipCreateHBITMAPFromBitmap(image.get(), &hbm, 0xFF0000FF), Ok);
    ASSERT_EQ(GpGetHBITMAPBits(hbm, &bits), Ok);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[0], 0xFF80007Fu);
    GpDeleteObject(hbm);
}

TEST(Load, BytesNoDecoderKnowsFailCleanly) {
    const uint8_t junk[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    GpStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(const_cast<uint8_t*>(junk), sizeof junk, 0, &stream), S_OK);
    GpImage* image = nullptr;
    EXPECT_EQ(GdipLoadImageFromStream(stream, &image), UnknownImageFormat);
    EXPECT_EQ(image, nullptr);
    GpStreamRelease(stream);
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, 0, 1, &stream), S_OK);
    EXPECT_EQ(GdipLoadImageFromStream(stream, &image), UnknownImageFormat);
    GpStreamRelease(stream);
    EXPECT_EQ(GdipLoadImageFromFile(u"/nonexistent/quillet/file.png", &image), FileNotFound);
    EXPECT_EQ(GdipLoadImageFromFile(u"/", &image), FileNotFound);
    EXPECT_EQ(image, nullptr);
}

TEST(Save, SaveAddWithoutAMultiFrameSave) {
    GpImageOwner image(MakeBitmap(2, 2, PixelFormat24bppRGB, std::vector<ARGB>(4, 0xFF000000u)));
    uint32_t flush = EncoderValueFlush;
    EncoderParameters params{1, {{EncoderSaveFlag, 1, EncoderParameterValueTypeLong, &flush}}};
    EXPECT_EQ(GdipSaveAdd(image.get(), &params), WrongState);
}

} // namespace
