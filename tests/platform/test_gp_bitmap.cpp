/* The flat API's bitmaps, locks, graphics objects and device contexts as the
 * program calls them: size caps, bounds and state checks. */
#include "gp_test_util.h"

#include <cstdio>
#include <string>
#include <tuple>

#include <unistd.h>

namespace {

TEST(Create, SizesBeyondTheCapsOverflowBeforeAllocatingAndScan0IsCopied) {
    const PixelFormat k24 = PixelFormat24bppRGB, kA = PixelFormat32bppARGB;
    /* 32767 x 32767 is over the pixel cap. */
    const std::tuple<int, int, PixelFormat, GpStatus> cases[] = {{32768, 1, k24, ValueOverflow},
                                                                 {1, 32768, k24, ValueOverflow},
                                                                 {32767, 32767, kA, ValueOverflow},
                                                                 {0, 5, k24, InvalidParameter},
                                                                 {-3, 5, k24, InvalidParameter},
                                                                 {5, 5, 0x12345, InvalidParameter},
                                                                 {32767, 1, kA, Ok}};
    for (const auto& [w, h, format, expected] : cases) {
        GpImageOwner image;
        EXPECT_EQ(GdipCreateBitmapFromScan0(w, h, 0, format, nullptr, &image.image), expected) << w << "x" << h;
        EXPECT_EQ(image.get() != nullptr, expected == Ok);
    }
    uint8_t rows[2][8] = {{1, 2, 3, 4, 5, 6, 0, 0}, {7, 8, 9, 10, 11, 12, 0, 0}};
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 8, PixelFormat24bppRGB, &rows[0][0], &image.image), Ok);
    rows[0][0] = 99; /* the bitmap keeps its own copy */
    const std::vector<ARGB> expected = {0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A};
    EXPECT_EQ(ReadPixels(image.get()), expected);
    /* Bottom-up rows through a negative stride; a stride too short for the
     * width is refused before anything is read. */
    GpImageOwner flipped;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, -8, PixelFormat24bppRGB, &rows[1][0], &flipped.image), Ok);
    EXPECT_EQ(ReadPixels(flipped.get())[0], 0xFF090807u);
    GpBitmap* bad = nullptr;
    EXPECT_EQ(GdipCreateBitmapFromScan0(2, 2, 6, PixelFormat24bppRGB, &rows[0][0], &bad), InvalidParameter);
    EXPECT_EQ(GdipCreateBitmapFromScan0(4, 2, 8, PixelFormat24bppRGB, &rows[0][0], &bad), InvalidParameter);
}

TEST(Clone, AreaIsCopiedAndConvertedAndMustLieInside) {
    const std::vector<ARGB> pixels = Grid(4, 4, [](int x, int y) { return 0xFF000000u | ARGB(y * 40 + x * 10); });
    GpImageOwner image(MakeBitmap(4, 4, PixelFormat32bppARGB, pixels));
    GpImageOwner clone;
    ASSERT_EQ(GdipCloneBitmapAreaI(1, 2, 2, 2, PixelFormat24bppRGB, image.get(), &clone.image), Ok);
    PixelFormat format = 0;
    GdipGetImagePixelFormat(clone.get(), &format);
    EXPECT_EQ(format, PixelFormat24bppRGB);
    EXPECT_EQ(ReadPixels(clone.get()), (std::vector<ARGB>{pixels[9], pixels[10], pixels[13], pixels[14]}));
    GpBitmap* bad = nullptr;
    EXPECT_EQ(GdipCloneBitmapAreaI(3, 3, 2, 2, PixelFormat24bppRGB, image.get(), &bad), InvalidParameter);
}

/* The window's picture: pixels over a background colour. */
TEST(DisplayBitmap, CopiesPixelsOverTheBackground) {
    GpImageOwner image(MakeBitmap(2, 1, PixelFormat32bppARGB, {0x80FF0000, 0xFF00FF00}));
    HBITMAP hbm = nullptr;
    BitmapData bits{};
    ASSERT_EQ(GdipCreateHBITMAPFromBitmap(image.get(), &hbm, 0), Ok);
    ASSERT_EQ(GpGetHBITMAPBits(hbm, &bits), Ok);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[0], 0x80FF0000u);
    GpDeleteObject(hbm);
    ASSERT_EQ(GdipCreateHBITMAPFromBitmap(image.get(), &hbm, 0xFF0000FF), Ok);
    ASSERT_EQ(GpGetHBITMAPBits(hbm, &bits), Ok);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[0], 0xFF80007Fu);
    GpDeleteObject(hbm);
}

TEST(LockBits, ArgumentsAndStateAreChecked) {
    GpImageOwner image(MakeBitmap(4, 4, PixelFormat24bppRGB, std::vector<ARGB>(16, 0xFF000000u)));
    BitmapData data{};
    for (GpRect bad : {GpRect{2, 2, 3, 1}, GpRect{0, 0, 0, 1}})
        EXPECT_EQ(GdipBitmapLockBits(image.get(), &bad, ImageLockModeRead, PixelFormat24bppRGB, &data),
                  InvalidParameter);
    /* A caller's buffer whose stride cannot hold a row. */
    uint8_t small[16];
    BitmapData user{4, 4, 4, PixelFormat24bppRGB, small, 0};
    EXPECT_EQ(GdipBitmapLockBits(image.get(), nullptr, 5, PixelFormat24bppRGB, &user), InvalidParameter);
    /* A caller's pixels written to a sub-rectangle land in place on unlock. */
    ARGB patch[2] = {0xFF112233, 0xFF445566};
    BitmapData written{2, 1, 8, PixelFormat32bppARGB, patch, 0};
    GpRect area{1, 1, 2, 1};
    ASSERT_EQ(GdipBitmapLockBits(image.get(), &area, ImageLockModeWrite | ImageLockModeUserInputBuf,
                                 PixelFormat32bppARGB, &written),
              Ok);
    EXPECT_EQ(GdipBitmapLockBits(image.get(), nullptr, ImageLockModeRead, PixelFormat24bppRGB, &data), WrongState);
    EXPECT_EQ(GdipImageRotateFlip(image.get(), Rotate90FlipNone), WrongState);
    EXPECT_EQ(GdipBitmapUnlockBits(image.get(), &written), Ok);
    EXPECT_EQ(GdipBitmapUnlockBits(image.get(), &written), WrongState);
    const std::vector<ARGB> pixels = ReadPixels(image.get());
    EXPECT_EQ(pixels[5], 0xFF112233u);
    EXPECT_EQ(pixels[6], 0xFF445566u);
    EXPECT_EQ(pixels[4], 0xFF000000u);
    ARGB color = 0;
    EXPECT_EQ(GdipBitmapGetPixel(image.get(), 4, 0, &color), InvalidParameter);
}

TEST(Graphics, IndexedBitmapsRefuseSurfacesAndDrawThroughTheirPalette) {
    GpImageOwner src(MakeBitmap(2, 1, PixelFormat1bppIndexed, {0xFF000000, 0xFFFFFFFF}));
    GpGraphics* none = nullptr;
    EXPECT_EQ(GdipGetImageGraphicsContext(src.get(), &none), OutOfMemory);
    EXPECT_EQ(none, nullptr);
    GpImageOwner out(DrawScaled(src.get(), 2, 1, PixelFormat24bppRGB, InterpolationModeHighQualityBilinear));
    EXPECT_EQ(ReadPixels(out.get()), (std::vector<ARGB>{0xFF000000, 0xFFFFFFFF}));
}

TEST(Graphics, DeviceContextLoanIsWrittenBackOnRelease) {
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(3, 2, 0, PixelFormat32bppARGB, nullptr, &image.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(image.get(), &graphics), Ok);
    ASSERT_EQ(GdipGraphicsClear(graphics, 0x00FFFFFF), Ok); /* transparent white, as cleared */
    HDC hdc = nullptr, second = nullptr;
    ASSERT_EQ(GdipGetDC(graphics, &hdc), Ok);
    EXPECT_EQ(GdipGetDC(graphics, &second), ObjectBusy);
    EXPECT_EQ(GdipGraphicsClear(graphics, 0xFFFFFFFF), ObjectBusy);
    BitmapData bits{};
    ASSERT_EQ(GpGetDCBits(hdc, &bits), Ok);
    EXPECT_EQ(bits.Width, 3u);
    EXPECT_EQ(bits.PixelFormat, PixelFormat32bppARGB);
    EXPECT_EQ(static_cast<ARGB*>(bits.Scan0)[5], 0x00FFFFFFu);
    static_cast<ARGB*>(bits.Scan0)[4] = 0xFFABCDEF;
    ASSERT_EQ(GdipReleaseDC(graphics, hdc), Ok);
    ARGB color = 0;
    ASSERT_EQ(GdipBitmapGetPixel(image.get(), 1, 1, &color), Ok);
    EXPECT_EQ(color, 0xFFABCDEFu);
    /* Deleting the graphics object with a loan outstanding frees the loan. */
    ASSERT_EQ(GdipGetDC(graphics, &hdc), Ok);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);

    /* A graphics object whose bitmap is gone fails instead of touching it. */
    GpBitmap* bitmap = nullptr;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 2, 0, PixelFormat24bppRGB, nullptr, &bitmap), Ok);
    ASSERT_EQ(GdipGetImageGraphicsContext(bitmap, &graphics), Ok);
    ASSERT_EQ(GdipDisposeImage(bitmap), Ok);
    EXPECT_EQ(GdipGraphicsClear(graphics, 0), InvalidParameter);
    EXPECT_EQ(GdipDeleteGraphics(graphics), Ok);
}

TEST(Load, BytesNoDecoderKnowsFailCleanly) {
    const uint8_t junk[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    GpImage* image = nullptr;
    GpStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(const_cast<uint8_t*>(junk), sizeof junk, 0, &stream), S_OK);
    EXPECT_EQ(GdipLoadImageFromStream(stream, &image), UnknownImageFormat);
    GpStreamRelease(stream);
    EXPECT_EQ(GdipLoadImageFromFile(u"/", &image), FileNotFound); /* a folder */
    EXPECT_EQ(image, nullptr);
}

/* Names reach the file system as UTF-8 whatever the length of their
 * characters; a lone U+DC80..U+DCFF stands for the byte of a name that is not
 * UTF-8, and any other lone surrogate is refused. */
TEST(Save, NamesReachTheFileSystemAsUtf8) {
    const CLSID bmp = {0x557cf400, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    const std::tuple<std::u16string, std::string, GpStatus> cases[] = {{u"a\u00e9.bmp", "a\xc3\xa9.bmp", Ok},
                                                                       {u"\u20ac.bmp", "\xe2\x82\xac.bmp", Ok},
                                                                       {u"\U0001F600.bmp", "\xf0\x9f\x98\x80.bmp", Ok},
                                                                       {u"caf\xdce9.bmp", "caf\xe9.bmp", Ok},
                                                                       {u"\xd800.bmp", "", InvalidParameter}};
    GpImageOwner image(MakeBitmap(1, 1, PixelFormat24bppRGB, {0xFF102030}));
    const std::string folder = ::testing::TempDir();
    for (const auto& [name, bytes, expected] : cases) {
        const std::u16string path = std::u16string(folder.begin(), folder.end()) + name;
        EXPECT_EQ(GdipSaveImageToFile(image.get(), path.c_str(), &bmp, nullptr), expected) << bytes;
        if (expected == Ok) {
            EXPECT_EQ(::unlink((folder + bytes).c_str()), 0) << bytes;
        }
    }
}

} // namespace
