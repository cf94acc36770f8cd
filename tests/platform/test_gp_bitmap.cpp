/* Bitmaps, locks, palettes, graphics objects, device contexts, transforms,
 * streams and GUID text of the flat API. */
#include "gp_test_util.h"

#include <cstring>

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

TEST(LockBits, ConvertsAmongTheSixFormats) {
    const std::vector<ARGB> argb = {0xFF000000, 0xFFFFFFFF, 0x80FF0000, 0x00123456,
                                    0xFF00FF00, 0xFF0000FF, 0xFF808080, 0xFF404040};
    GpImageOwner image(MakeBitmap(4, 2, PixelFormat32bppARGB, argb));
    EXPECT_EQ(ReadPixels(image.get()), argb);

    /* Read as 24-bit: alpha dropped, colour kept. */
    std::vector<uint8_t> rgb(2 * 12);
    BitmapData data{4, 2, 12, PixelFormat24bppRGB, rgb.data(), 0};
    ASSERT_EQ(GdipBitmapLockBits(image.get(), nullptr, 5, PixelFormat24bppRGB, &data), Ok);
    ASSERT_EQ(GdipBitmapUnlockBits(image.get(), &data), Ok);
    EXPECT_EQ(rgb[6], 0x00);
    EXPECT_EQ(rgb[8], 0xFF);   /* red of 0x80FF0000 */
    EXPECT_EQ(rgb[9], 0x56);   /* blue of 0x00123456 */

    /* A 24-bit bitmap reads as opaque ARGB; 32bppRGB ignores the unused byte. */
    GpImageOwner opaque(MakeBitmap(4, 2, PixelFormat24bppRGB, argb));
    auto back = ReadPixels(opaque.get());
    for (size_t i = 0; i < argb.size(); ++i)
        EXPECT_EQ(back[i], argb[i] | 0xFF000000u) << i;
    GpImageOwner rgb32(MakeBitmap(4, 2, PixelFormat32bppRGB, argb));
    back = ReadPixels(rgb32.get());
    for (size_t i = 0; i < argb.size(); ++i)
        EXPECT_EQ(back[i], argb[i] | 0xFF000000u) << i;

    /* Read into an indexed buffer picks the nearest grey of the ramp. */
    GpImageOwner grey(MakeBitmap(4, 2, PixelFormat8bppIndexed, argb));
    back = ReadPixels(grey.get());
    EXPECT_EQ(back[6], 0xFF808080u);
    EXPECT_EQ(back[1], 0xFFFFFFFFu);
}

TEST(LockBits, WriteFromTheCallersBufferIntoAnIndexedBitmap) {
    /* The quantizer's path: flags 6, 8-bit indices, then a palette. */
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(3, 2, 0, PixelFormat8bppIndexed, nullptr, &image.image), Ok);
    std::vector<uint32_t> palette_buffer(2 + 256, 0);
    auto* palette = reinterpret_cast<ColorPalette*>(palette_buffer.data());
    palette->Flags = 0;
    palette->Count = 3;
    palette->Entries[0] = 0xFFFF0000;
    palette_buffer[3] = 0xFF00FF00;
    palette_buffer[4] = 0xFF0000FF;
    ASSERT_EQ(GdipSetImagePalette(image.get(), palette), Ok);
    uint8_t indices[2][4] = {{0, 1, 2, 0}, {2, 1, 0, 0}};
    BitmapData data{3, 2, 4, PixelFormat8bppIndexed, indices, 0};
    GpRect rect{0, 0, 3, 2};
    ASSERT_EQ(GdipBitmapLockBits(image.get(), &rect, 6, PixelFormat8bppIndexed, &data), Ok);
    ASSERT_EQ(GdipBitmapUnlockBits(image.get(), &data), Ok);
    const std::vector<ARGB> expected = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                        0xFF0000FF, 0xFF00FF00, 0xFFFF0000};
    EXPECT_EQ(ReadPixels(image.get()), expected);

    std::vector<uint32_t> read_back(2 + 256, 0);
    auto* got = reinterpret_cast<ColorPalette*>(read_back.data());
    ASSERT_EQ(GdipGetImagePalette(image.get(), got, 256 * 4 + 8), Ok);
    EXPECT_EQ(got->Count, 3u);
    EXPECT_EQ(read_back[4], 0xFF0000FFu);
    EXPECT_EQ(GdipGetImagePalette(image.get(), got, 7), InvalidParameter);
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

TEST(Graphics, QuarterTurnTransformMatchesRotateFlip) {
    std::vector<ARGB> pixels(6 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | static_cast<ARGB>(i * 0x010203);
    GpImageOwner src(MakeBitmap(6, 4, PixelFormat32bppARGB, pixels));
    GpImageOwner out;
    ASSERT_EQ(GdipCreateBitmapFromScan0(4, 6, 0, PixelFormat32bppARGB, nullptr, &out.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(out.get(), &graphics), Ok);
    /* Rotate about the origin, then move the result back into view. */
    ASSERT_EQ(GdipRotateWorldTransform(graphics, 90.0f, MatrixOrderAppend), Ok);
    ASSERT_EQ(GdipTranslateWorldTransform(graphics, 4.0f, 0.0f, MatrixOrderAppend), Ok);
    ASSERT_EQ(GdipDrawImageI(graphics, src.get(), 0, 0), Ok);
    ASSERT_EQ(GdipDeleteGraphics(graphics), Ok);
    GpImageOwner turned(MakeBitmap(6, 4, PixelFormat32bppARGB, pixels));
    ASSERT_EQ(GdipImageRotateFlip(turned.get(), Rotate90FlipNone), Ok);
    EXPECT_EQ(ReadPixels(out.get()), ReadPixels(turned.get()));
}

TEST(Graphics, GeneralTransformDrawsInsideTheRotatedRectangle) {
    GpImageOwner src(MakeBitmap(10, 10, PixelFormat24bppRGB, std::vector<ARGB>(100, 0xFFFF0000u)));
    GpImageOwner out;
    ASSERT_EQ(GdipCreateBitmapFromScan0(40, 40, 0, PixelFormat32bppARGB, nullptr, &out.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(out.get(), &graphics), Ok);
    ASSERT_EQ(GdipTranslateWorldTransform(graphics, 20.0f, 20.0f, MatrixOrderPrepend), Ok);
    ASSERT_EQ(GdipRotateWorldTransform(graphics, 45.0f, MatrixOrderPrepend), Ok);
    ASSERT_EQ(GdipDrawImageRectI(graphics, src.get(), -5, -5, 10, 10), Ok);
    ASSERT_EQ(GdipDeleteGraphics(graphics), Ok);
    const auto got = ReadPixels(out.get());
    /* A diamond around (20, 20) whose corners lie 5 * sqrt(2) = 7.07 px out. */
    EXPECT_EQ(got[20 * 40 + 20], 0xFFFF0000u);
    EXPECT_EQ(got[20 * 40 + 26], 0xFFFF0000u);  /* centre 6.5 px out along the axis */
    EXPECT_EQ(got[20 * 40 + 27], 0x00000000u);  /* 7.5 px: beyond the corner */
    EXPECT_EQ(got[13 * 40 + 20], 0xFFFF0000u);
    EXPECT_EQ(got[25 * 40 + 25], 0x00000000u);  /* beyond the edge */
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

TEST(Graphics, ColourKeyMakesMatchingPixelsTransparent) {
    GpImageOwner src(MakeBitmap(2, 1, PixelFormat24bppRGB, {0xFF00FF00, 0xFF0000FF}));
    GpImageOwner out;
    ASSERT_EQ(GdipCreateBitmapFromScan0(2, 1, 0, PixelFormat32bppARGB, nullptr, &out.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(out.get(), &graphics), Ok);
    GpImageAttributes* attributes = nullptr;
    ASSERT_EQ(GdipCreateImageAttributes(&attributes), Ok);
    ASSERT_EQ(GdipSetImageAttributesColorKeys(attributes, ColorAdjustTypeDefault, 1, 0xFF00FF00, 0xFF00FF00), Ok);
    ASSERT_EQ(GdipDrawImageRectRectI(graphics, src.get(), 0, 0, 2, 1, 0, 0, 2, 1, UnitPixel, attributes, nullptr, nullptr), Ok);
    EXPECT_EQ(GdipDrawImageRectRectI(graphics, src.get(), 0, 0, 2, 1, 0, 0, 2, 1, 0, nullptr, nullptr, nullptr), InvalidParameter);
    GdipDisposeImageAttributes(attributes);
    GdipDeleteGraphics(graphics);
    const auto got = ReadPixels(out.get());
    EXPECT_EQ(got[0] >> 24, 0u);
    EXPECT_EQ(got[1], 0xFF0000FFu);
}

TEST(Graphics, InterpolationAndTextHintsAreStoredAndChecked) {
    GpImageOwner image;
    ASSERT_EQ(GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat24bppRGB, nullptr, &image.image), Ok);
    GpGraphics* graphics = nullptr;
    ASSERT_EQ(GdipGetImageGraphicsContext(image.get(), &graphics), Ok);
    InterpolationMode mode = InterpolationModeBicubic;
    EXPECT_EQ(GdipSetInterpolationMode(graphics, static_cast<InterpolationMode>(8)), InvalidParameter);
    ASSERT_EQ(GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBilinear), Ok);
    ASSERT_EQ(GdipGetInterpolationMode(graphics, &mode), Ok);
    EXPECT_EQ(mode, InterpolationModeHighQualityBilinear);
    TextRenderingHint hint = TextRenderingHintSystemDefault;
    ASSERT_EQ(GdipSetTextRenderingHint(graphics, TextRenderingHintAntiAlias), Ok);
    ASSERT_EQ(GdipGetTextRenderingHint(graphics, &hint), Ok);
    EXPECT_EQ(hint, TextRenderingHintAntiAlias);
    GdipDeleteGraphics(graphics);
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

TEST(Thumbnail, DefaultSizeAndFormat) {
    GpImageOwner image(MakeBitmap(300, 200, PixelFormat24bppRGB, std::vector<ARGB>(60000, 0xFF336699u)));
    GpImageOwner thumb;
    ASSERT_EQ(GdipGetImageThumbnail(image.get(), 0, 0, &thumb.image, nullptr, nullptr), Ok);
    uint32_t w = 0, h = 0;
    GdipGetImageWidth(thumb.get(), &w);
    GdipGetImageHeight(thumb.get(), &h);
    EXPECT_EQ(w, 120u);
    EXPECT_EQ(h, 120u);
    for (ARGB p : ReadPixels(thumb.get()))
        ASSERT_EQ(p, 0xFF336699u);
}

TEST(Stream, GrowableAndFixedStreams) {
    GpStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, 0, 1, &stream), S_OK);
    uint32_t done = 0;
    ASSERT_EQ(GpStreamWrite(stream, "abcdef", 6, &done), S_OK);
    EXPECT_EQ(done, 6u);
    uint64_t position = 0;
    ASSERT_EQ(GpStreamSeek(stream, -2, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 4u);
    char buffer[8] = {};
    ASSERT_EQ(GpStreamRead(stream, buffer, 8, &done), S_OK);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(GpStreamSeek(stream, -1, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    /* A write past the end fills the gap with zeros. */
    ASSERT_EQ(GpStreamSeek(stream, 8, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(GpStreamWrite(stream, "z", 1, &done), S_OK);
    uint64_t size = 0;
    ASSERT_EQ(GpStreamStat(stream, &size), S_OK);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(GpStreamAddRef(stream), 2u);
    EXPECT_EQ(GpStreamRelease(stream), 1u);
    EXPECT_EQ(GpStreamRelease(stream), 0u);

    char fixed[4] = {'1', '2', '3', '4'};
    EXPECT_EQ(CreateStreamOnHGlobal(fixed, 4, 1, &stream), E_INVALIDARG);
    ASSERT_EQ(CreateStreamOnHGlobal(fixed, 4, 0, &stream), S_OK);
    ASSERT_EQ(GpStreamWrite(stream, "ab", 2, &done), S_OK);
    EXPECT_EQ(fixed[0], 'a');  /* written in place, not copied */
    EXPECT_EQ(GpStreamWrite(stream, "xyz", 3, &done), STG_E_MEDIUMFULL);
    EXPECT_EQ(fixed[2], '3');
    GpStreamRelease(stream);
}

TEST(Guid, ParsesTheBracedFormAndRejectsOthers) {
    GUID guid{};
    ASSERT_EQ(IIDFromString(u"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}", &guid), S_OK);
    EXPECT_TRUE(guid == EncoderQuality);
    ASSERT_EQ(IIDFromString(u"{6aedbd6d-3fb5-418a-83a6-7f45229dc872}", &guid), S_OK);
    EXPECT_TRUE(guid == FrameDimensionTime);
    for (const char16_t* bad : {u"", u"1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB", u"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7E}",
                                u"{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EBX}", u"{1D5BE4B5+FA4A-452D-9CDD-5DB35105E7EB}",
                                u"{1D5BE4G5-FA4A-452D-9CDD-5DB35105E7EB}"}) {
        EXPECT_EQ(IIDFromString(bad, &guid), CO_E_IIDSTRING);
        EXPECT_TRUE(guid == GUID{});
    }
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

TEST(Save, UnknownEncoderAndSaveAddWithoutAMultiFrameSave) {
    GpImageOwner image(MakeBitmap(2, 2, PixelFormat24bppRGB, std::vector<ARGB>(4, 0xFF000000u)));
    GpStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, 0, 1, &stream), S_OK);
    const CLSID nobody{};
    EXPECT_EQ(GdipSaveImageToStream(image.get(), stream, &nobody, nullptr), UnknownImageFormat);
    uint64_t size = 1;
    GpStreamStat(stream, &size);
    EXPECT_EQ(size, 0u);
    GpStreamRelease(stream);
    uint32_t flush = EncoderValueFlush;
    EncoderParameters params{1, {{EncoderSaveFlag, 1, EncoderParameterValueTypeLong, &flush}}};
    EXPECT_EQ(GdipSaveAdd(image.get(), &params), WrongState);
}

TEST(Encoders, DescriptionsFitTheReportedSizeExactly) {
    uint32_t count = 0, size = 0;
    ASSERT_EQ(GdipGetImageEncodersSize(&count, &size), Ok);
    ASSERT_GE(size, count * sizeof(ImageCodecInfo));
    /* Exactly the reported bytes, so a sanitizer sees any overrun. */
    auto* buffer = static_cast<ImageCodecInfo*>(::operator new(size));
    ASSERT_EQ(GdipGetImageEncoders(count, size, buffer), Ok);
    const std::u16string order[] = {u"*.BMP;*.DIB;*.RLE", u"*.JPG;*.JPEG;*.JPE;*.JFIF", u"*.GIF",
                                    u"*.TIF;*.TIFF", u"*.PNG", u"*.WEBP"};
    size_t next = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const std::u16string patterns(buffer[i].FilenameExtension);
        while (next < 6 && order[next] != patterns)
            ++next;
        EXPECT_LT(next, 6u) << "encoder " << i << " lists unexpected patterns or is out of order";
        EXPECT_NE(buffer[i].MimeType[0], 0);
    }
    EXPECT_EQ(GdipGetImageEncoders(count, size - 1, buffer), InvalidParameter);
    ::operator delete(buffer);
}

TEST(Startup, TokensAreDistinctAndVersionChecked) {
    GdiplusStartupInput input{1, nullptr, 0, 0};
    uintptr_t first = 0, second = 0;
    ASSERT_EQ(GdiplusStartup(&first, &input, nullptr), Ok);
    ASSERT_EQ(GdiplusStartup(&second, &input, nullptr), Ok);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    GdiplusShutdown(first);
    GdiplusShutdown(second);
    input.GdiplusVersion = 2;
    EXPECT_EQ(GdiplusStartup(&first, &input, nullptr), UnsupportedGdiplusVersion);
}

} // namespace
