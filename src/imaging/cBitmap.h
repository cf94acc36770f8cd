#pragma once
/*
 * cBitmap - owns one image handle of the flat imaging API, caches its size
 * and pixel format, and wraps the image operations the program needs. Every
 * wrapped call stores its status in CurErr(); a non-zero status is also
 * reported to gdip (when set) with the class name "cBitmap".
 *
 * One object per image: load and create calls do not release an image the
 * object already holds. Non-copyable; movable. Destruction releases the image.
 */

#include "gp_flat.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>

class cGDIP;

class cBitmap {
  public:
    cBitmap() = default;
    cBitmap(const cBitmap&) = delete;
    cBitmap& operator=(const cBitmap&) = delete;
    cBitmap(cBitmap&& other) noexcept = default;
    cBitmap& operator=(cBitmap&& other) noexcept = default;

    /* Where failures are reported; not owned, may be null. */
    cGDIP* gdip = nullptr;

    /* Decodes a file; the format and size reads run even after a failure.
     * Returns the load's status. */
    int32_t LoadFromFile(const QString& sFilename) { return Load(sFilename, false); }
    /* Reads the file and its header only; the pixels are decoded at their
     * first use (see GdipLoadImageFromFileDeferred). Damaged pixel data fails
     * that use. */
    int32_t LoadFromFileDeferred(const QString& sFilename) { return Load(sFilename, true); }
    /* The width and height sFilename loads with, read from its header alone
     * where the format allows (GdipGetImageFileDimensions); a metafile is
     * loaded. Returns the status; lWidth and lHeight are 0 on failure. */
    static int32_t ReadFileSize(const QString& sFilename, int32_t& lWidth, int32_t& lHeight);
    /* bAllow: a deferred image's first draw may decode it at a reduced scale
     * where the draw is much smaller (see GdipSetImageReducedDecode). */
    int32_t SetReducedDecode(bool bAllow);
    /* The size of the pixels decoded so far: 0 x 0 before the first use,
     * smaller than Width x Height after a reduced decode. */
    int32_t GetDecodedSize(uint32_t& lWidth, uint32_t& lHeight);
    /* Decodes an encoded image held in bytes. The image keeps its own copy,
     * so the array may change afterwards. */
    int32_t CreateFromStream(QByteArray& bytes);
    /* Decodes a Qt resource (":/..." path) of the program. */
    int32_t CreateFromResource(const QString& sResourceName);
    /* A new lWidth x lHeight bitmap in ePixelFormats; lDataPtr null: zeroed
     * pixels allocated by the library, else the pixels are copied in. */
    int32_t CreateFromScan0(int32_t lWidth, int32_t lHeight, int32_t lStride, int32_t ePixelFormats, uint8_t* lDataPtr);
    int32_t CreateFromHBitmap(HBITMAP hBitmap);
    int32_t CreateFromGraphics(int32_t lWidth, int32_t lHeight, GpGraphics* lGraphicHandle);
    /* Copies the area (0, 0, lWidth, lHeight); Width, Height and PixelFormat
     * are not read again. */
    int32_t CreateFromClone(int32_t lWidth, int32_t lHeight, GpImage* lBitmapHandle, int32_t ePixelFormat);
    int32_t CreateThumbFromImage(int32_t lWidth, int32_t lHeight, GpImage* lBitmapHandle);

    /* Cached by the last format and size reads. */
    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }
    int32_t PixelFormat() const { return mPixelFormat; }
    /* What the decoding libraries printed while the image was read and
     * decoded; empty for none (see GdipGetImageDecoderMessages). */
    QString DecoderMessages() const;
    GpRect GetBounds() const { return GpRect{0, 0, mWidth, mHeight}; }

    GpImage* Handle() const { return mImage.get(); }
    /* Takes ownership of lHandle. An image held before is disposed (the
     * original kept it alive without an owner, which leaked it). */
    void SetHandle(GpImage* lHandle);

    /* Width and Height are not read again. */
    int32_t RotateFlip(int32_t eFlipType);

    int32_t SaveToFile(const QString& sFilename, const CLSID& encoder, const EncoderParameters* params);
    /* Encodes into bytes (resized to the encoded size). Returns the number of
     * bytes; 0 when nothing was produced, leaving bytes as they were. */
    int32_t SaveToStream(QByteArray& bytes, const CLSID& encoder, const EncoderParameters* params);
    int32_t SaveAdd(const EncoderParameters* params);
    int32_t SaveAddImage(const QString& sUnused, GpImage* lImage, const EncoderParameters* params);

    /* The image for display (ARGB32); a null QImage when there is no image or
     * the conversion fails (then CurErr holds the status). */
    QImage Picture();

    int32_t LockBits(const GpRect* rect, uint32_t flags, int32_t format, BitmapData* data);
    int32_t UnlockBits(BitmapData* data);
    int32_t SetPalette(const ColorPalette* lPalPointer);
    /* Reads up to n entries into palette (a buffer of n * 4 + 8 bytes). */
    void GetPalette(ColorPalette* palette, int32_t n);
    /* Makes palette entry (index AND 255) fully transparent. */
    void SetTransColor(int32_t lIndex);

    int32_t FrameCount() const { return mFrameCount; }
    int32_t SelectActiveFrame(int32_t lFrame, bool lIsGIF = false);

    /* Reads element lPropertyIndex of property eTag into vValue (types Byte,
     * Short and Long; others leave vValue untouched; an element beyond the
     * value reads as 0). */
    int32_t GetPropertyItem(PROPID eTag, QVariant& vValue, int32_t lPropertyIndex);
    /* Delay of frame lFrame in hundredths of a second; 0 when unknown. */
    int32_t GetDelay(int32_t lFrame);
    /* Loop count of an animation; 0 when unknown. */
    int32_t GetLoopCount();

    ARGB GetPixelLong(int32_t X, int32_t Y);
    ARGB GetPixel(int32_t X, int32_t Y) { return GetPixelLong(X, Y); }

    /* Redraws the image into a new 32bppARGB bitmap with lColor keyed out. */
    int32_t MakeTransparent(ARGB lColor);

    int32_t CurErr() const { return mCurErr; }

    /* Releases the image; the object may be used again afterwards. */
    void Dispose();

  private:
    struct cDisposer {
        void operator()(GpImage* lImage) const { GdipDisposeImage(lImage); }
    };

    int32_t Load(const QString& sFilename, bool bDeferred);
    /* Takes image when status is Ok, then reads the format and size either way. */
    int32_t Adopt(GpStatus status, GpImage* image);
    int32_t CheckStatus(GpStatus status);
    void ReadFormatAndSize();
    void ReadSize();

    std::unique_ptr<GpImage, cDisposer> mImage;
    int32_t mCurErr = 0;
    int32_t mPixelFormat = 0;
    int32_t mFrameCount = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
};
