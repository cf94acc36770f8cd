#include "cBitmap.h"

#include "Metafile.h"
#include "cGDIP.h"
#include "cGraphics.h"

#include <QFile>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

/* Rounds a library size (a whole number held in a float) to int, halves to even. */
int32_t SizeToInt(float value) {
    return static_cast<int32_t>(std::nearbyint(value));
}

const WCHAR* WidePath(const QString& sFilename) {
    return reinterpret_cast<const WCHAR*>(sFilename.utf16());
}

/* Metafiles (EMF, WMF) have no decoder in the flat API: they are drawn into a
 * 32-bit ARGB bitmap at their own size. UnknownImageFormat when the bytes are
 * no metafile. */
GpStatus CreateFromMetafile(const QByteArray& bytes, GpImage** image) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const auto size = static_cast<size_t>(bytes.size());
    QImage picture;
    const GpStatus status = RenderMetafile(data, size, picture);
    if (status != Ok)
        return status;
    return GdipCreateBitmapFromScan0(picture.width(), picture.height(), static_cast<int32_t>(picture.bytesPerLine()),
                                     PixelFormat32bppARGB, picture.bits(), image);
}

/* Files beyond 256 MiB are not looked at as metafiles. The file is read the
 * way the decoders read it, so a FIFO put in its place cannot block here. */
GpStatus LoadMetafileFile(const QString& sFilename, GpImage** image) {
    GpStream* stream = nullptr;
    if (GpCreateStreamOnFile(WidePath(sFilename), &stream) != Ok)
        return UnknownImageFormat;
    uint64_t size = 0;
    QByteArray bytes;
    uint32_t read = 0;
    if (GpStreamStat(stream, &size) == S_OK && size <= (uint64_t{1} << 28)) {
        bytes.resize(static_cast<qsizetype>(size));
        if (GpStreamRead(stream, bytes.data(), static_cast<uint32_t>(size), &read) != S_OK)
            read = 0;
    }
    GpStreamRelease(stream);
    if (bytes.isEmpty() || read != bytes.size())
        return UnknownImageFormat;
    return CreateFromMetafile(bytes, image);
}

} // namespace

int32_t cBitmap::CheckStatus(GpStatus status) {
    return cGDIP::ReportStatus(gdip, status, mCurErr, QStringLiteral("cBitmap"));
}

void cBitmap::ReadFormatAndSize() {
    ::PixelFormat format = 0;
    if (CheckStatus(GdipGetImagePixelFormat(mImage.get(), &format)) == 0)
        mPixelFormat = format;
    ReadSize();
}

void cBitmap::ReadSize() {
    float width = 0;
    float height = 0;
    if (CheckStatus(GdipGetImageDimension(mImage.get(), &width, &height)) == 0) {
        mWidth = SizeToInt(width);
        mHeight = SizeToInt(height);
    }
}

int32_t cBitmap::Adopt(GpStatus status, GpImage* image) {
    const int32_t result = CheckStatus(status);
    if (result == 0)
        SetHandle(image);
    ReadFormatAndSize();
    return result;
}

int32_t cBitmap::ReadFileSize(const QString& sFilename, int32_t& lWidth, int32_t& lHeight) {
    lWidth = lHeight = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    const GpStatus status = GdipGetImageFileDimensions(WidePath(sFilename), &width, &height);
    if (status == Ok) {
        /* GpMaxImageSide keeps both within 32 bits */
        lWidth = static_cast<int32_t>(width);
        lHeight = static_cast<int32_t>(height);
        return Ok;
    }
    if (status != UnknownImageFormat)
        return status;
    cBitmap metafile;
    const int32_t loaded = metafile.LoadFromFileDeferred(sFilename);
    lWidth = metafile.Width();
    lHeight = metafile.Height();
    return loaded;
}

int32_t cBitmap::SetReducedDecode(bool bAllow) {
    return CheckStatus(GdipSetImageReducedDecode(mImage.get(), bAllow));
}

int32_t cBitmap::GetDecodedSize(uint32_t& lWidth, uint32_t& lHeight) {
    lWidth = lHeight = 0;
    return CheckStatus(GdipGetImageDecodedSize(mImage.get(), &lWidth, &lHeight));
}

QString cBitmap::DecoderMessages() const {
    uint32_t size = 0;
    if (!mImage || GdipGetImageDecoderMessages(mImage.get(), nullptr, &size) != Ok || size == 0)
        return {};
    QByteArray text(qsizetype(size), '\0');
    if (GdipGetImageDecoderMessages(mImage.get(), text.data(), &size) != Ok)
        return {};
    text.truncate(qsizetype(size));
    return QString::fromUtf8(text);
}

int32_t cBitmap::Load(const QString& sFilename, bool bDeferred) {
    GpImage* image = nullptr;
    GpStatus loaded = bDeferred ? GdipLoadImageFromFileDeferred(WidePath(sFilename), &image)
                                : GdipLoadImageFromFile(WidePath(sFilename), &image);
    if (loaded == UnknownImageFormat)
        loaded = LoadMetafileFile(sFilename, &image);
    return Adopt(loaded, image);
}

int32_t cBitmap::CreateFromStream(QByteArray& bytes) {
    GpStream* stream = nullptr;
    if (CreateStreamOnHGlobal(bytes.data(), static_cast<size_t>(bytes.size()), 0, &stream) != S_OK)
        return CheckStatus(OutOfMemory);
    GpImage* image = nullptr;
    GpStatus loaded = GdipLoadImageFromStream(stream, &image);
    /* The image keeps its own copy of the bytes, so the stream is not held. */
    GpStreamRelease(stream);
    if (loaded == UnknownImageFormat)
        loaded = CreateFromMetafile(bytes, &image);
    const int32_t status = CheckStatus(loaded);
    if (status == 0) {
        SetHandle(image);
        ReadFormatAndSize();
    }
    return status;
}

int32_t cBitmap::CreateFromResource(const QString& sResourceName) {
    QFile file(sResourceName);
    if (!file.open(QIODevice::ReadOnly))
        return CheckStatus(FileNotFound);
    QByteArray bytes = file.readAll();
    return CreateFromStream(bytes);
}

int32_t cBitmap::CreateFromScan0(int32_t lWidth, int32_t lHeight, int32_t lStride, int32_t ePixelFormats,
                                 uint8_t* lDataPtr) {
    GpBitmap* bitmap = nullptr;
    const GpStatus status = GdipCreateBitmapFromScan0(lWidth, lHeight, lStride, ePixelFormats, lDataPtr, &bitmap);
    return Adopt(status, bitmap);
}

int32_t cBitmap::CreateFromHBitmap(HBITMAP hBitmap) {
    GpBitmap* bitmap = nullptr;
    const GpStatus status = GdipCreateBitmapFromHBITMAP(hBitmap, nullptr, &bitmap);
    return Adopt(status, bitmap);
}

int32_t cBitmap::CreateFromGraphics(int32_t lWidth, int32_t lHeight, GpGraphics* lGraphicHandle) {
    GpBitmap* bitmap = nullptr;
    const GpStatus status = GdipCreateBitmapFromGraphics(lWidth, lHeight, lGraphicHandle, &bitmap);
    return Adopt(status, bitmap);
}

int32_t cBitmap::CreateFromClone(int32_t lWidth, int32_t lHeight, GpImage* lBitmapHandle, int32_t ePixelFormat) {
    GpBitmap* bitmap = nullptr;
    const int32_t status =
        CheckStatus(GdipCloneBitmapAreaI(0, 0, lWidth, lHeight, ePixelFormat, lBitmapHandle, &bitmap));
    if (status == 0)
        SetHandle(bitmap);
    return status;
}

int32_t cBitmap::CreateThumbFromImage(int32_t lWidth, int32_t lHeight, GpImage* lBitmapHandle) {
    GpImage* thumb = nullptr;
    const GpStatus status = GdipGetImageThumbnail(lBitmapHandle, static_cast<uint32_t>(lWidth),
                                                  static_cast<uint32_t>(lHeight), &thumb, nullptr, nullptr);
    return Adopt(status, thumb);
}

void cBitmap::SetHandle(GpImage* lHandle) {
    if (lHandle != mImage.get())
        mImage.reset(lHandle);
}

int32_t cBitmap::RotateFlip(int32_t eFlipType) {
    return CheckStatus(GdipImageRotateFlip(mImage.get(), static_cast<RotateFlipType>(eFlipType)));
}

int32_t cBitmap::SaveToFile(const QString& sFilename, const CLSID& encoder, const EncoderParameters* params) {
    return CheckStatus(GdipSaveImageToFile(mImage.get(), WidePath(sFilename), &encoder, params));
}

int32_t cBitmap::SaveToStream(QByteArray& bytes, const CLSID& encoder, const EncoderParameters* params) {
    GpStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, 0, 1, &stream) != S_OK)
        return 0;
    int32_t written = 0;
    if (CheckStatus(GdipSaveImageToStream(mImage.get(), stream, &encoder, params)) == 0) {
        uint64_t size = 0;
        GpStreamSeek(stream, 0, STREAM_SEEK_END, &size);
        GpStreamSeek(stream, 0, STREAM_SEEK_SET, nullptr);
        /* A QByteArray holds at most 2^31 - 1 bytes here; larger output counts as none. */
        if (size > 0 && size <= static_cast<uint64_t>(INT32_MAX)) {
            bytes.resize(static_cast<qsizetype>(size));
            uint32_t read = 0;
            GpStreamRead(stream, bytes.data(), static_cast<uint32_t>(size), &read);
            written = static_cast<int32_t>(read);
        }
    }
    GpStreamRelease(stream);
    return written;
}

int32_t cBitmap::SaveAdd(const EncoderParameters* params) {
    return CheckStatus(GdipSaveAdd(mImage.get(), params));
}

int32_t cBitmap::SaveAddImage(const QString& sUnused, GpImage* lImage, const EncoderParameters* params) {
    Q_UNUSED(sUnused);
    return CheckStatus(GdipSaveAddImage(mImage.get(), lImage, params));
}

QImage cBitmap::Picture() {
    if (!mImage)
        return QImage();
    HBITMAP hbm = nullptr;
    if (CheckStatus(GdipCreateHBITMAPFromBitmap(mImage.get(), &hbm, 0)) != 0 || hbm == nullptr)
        return QImage();
    BitmapData bits{};
    QImage picture;
    if (GpGetHBITMAPBits(hbm, &bits) == Ok) {
        /* Both layouts are B, G, R, A in memory with straight alpha. */
        picture = QImage(static_cast<const uchar*>(bits.Scan0), static_cast<int>(bits.Width),
                         static_cast<int>(bits.Height), bits.Stride, QImage::Format_ARGB32)
                      .copy();
    }
    GpDeleteObject(hbm);
    return picture;
}

int32_t cBitmap::LockBits(const GpRect* rect, uint32_t flags, int32_t format, BitmapData* data) {
    return CheckStatus(GdipBitmapLockBits(mImage.get(), rect, flags, format, data));
}

int32_t cBitmap::UnlockBits(BitmapData* data) {
    return CheckStatus(GdipBitmapUnlockBits(mImage.get(), data));
}

int32_t cBitmap::SetPalette(const ColorPalette* lPalPointer) {
    return CheckStatus(GdipSetImagePalette(mImage.get(), lPalPointer));
}

void cBitmap::GetPalette(ColorPalette* palette, int32_t n) {
    const int64_t size = static_cast<int64_t>(n) * 4 + 8;
    CheckStatus(
        GdipGetImagePalette(mImage.get(), palette, size > INT32_MAX || n < 0 ? -1 : static_cast<int32_t>(size)));
}

void cBitmap::SetTransColor(int32_t lIndex) {
    if (!mImage)
        return;
    /* 256 entries after Flags and Count. */
    std::vector<uint32_t> buffer(2 + 256, 0);
    auto* palette = reinterpret_cast<ColorPalette*>(buffer.data());
    GetPalette(palette, 256);
    const uint32_t index = static_cast<uint32_t>(lIndex) & 255u;
    if (index < palette->Count)
        palette->Entries[index] &= 0x00FFFFFFu;
    SetPalette(palette);
}

int32_t cBitmap::SelectActiveFrame(int32_t lFrame, bool lIsGIF) {
    const GUID& dimension = lIsGIF ? FrameDimensionTime : FrameDimensionPage;
    const int32_t status =
        CheckStatus(GdipImageSelectActiveFrame(mImage.get(), &dimension, static_cast<uint32_t>(lFrame)));
    if (mFrameCount == 0) {
        uint32_t count = 0;
        if (GdipImageGetFrameCount(mImage.get(), &dimension, &count) == Ok)
            mFrameCount = static_cast<int32_t>(count);
    }
    ReadSize();
    return status;
}

int32_t cBitmap::GetPropertyItem(PROPID eTag, QVariant& vValue, int32_t lPropertyIndex) {
    uint32_t size = 0;
    int32_t status = CheckStatus(GdipGetPropertyItemSize(mImage.get(), eTag, &size));
    if (status != 0)
        return status;
    std::vector<uint8_t> item(size);
    status = CheckStatus(GdipGetPropertyItem(mImage.get(), eTag, size, reinterpret_cast<PropertyItem*>(item.data())));
    if (status != 0)
        return status;
    PropertyItem header{};
    std::memcpy(&header, item.data(), sizeof(PropertyItem));
    /* The value lies in the item buffer, after the header. */
    const auto* value = static_cast<const uint8_t*>(header.value);
    const uint32_t valueLength = value != nullptr ? header.length : 0;

    uint32_t width = 0;
    switch (header.type) {
    case PropertyTagTypeByte: width = 1; break;
    case PropertyTagTypeShort: width = 2; break;
    case PropertyTagTypeLong: width = 4; break;
    default: return status;
    }
    /* An element that does not lie wholly inside the value reads as 0. */
    int32_t element = 0;
    if (lPropertyIndex >= 0) {
        const uint64_t offset = static_cast<uint64_t>(lPropertyIndex) * width;
        if (offset + width <= valueLength) {
            uint32_t raw = 0;
            std::memcpy(&raw, value + offset, width);
            element = static_cast<int32_t>(raw);
        }
    }
    vValue = element;
    return status;
}

int32_t cBitmap::GetDelay(int32_t lFrame) {
    QVariant value;
    GetPropertyItem(PropertyTagFrameDelay, value, lFrame);
    return value.isValid() ? value.toInt() : 0;
}

int32_t cBitmap::GetLoopCount() {
    QVariant value;
    if (GetPropertyItem(PropertyTagLoopCount, value, 0) != 0)
        return 0;
    return value.toInt();
}

ARGB cBitmap::GetPixelLong(int32_t X, int32_t Y) {
    ARGB color = 0;
    CheckStatus(GdipBitmapGetPixel(mImage.get(), X, Y, &color));
    return color;
}

void cBitmap::Dispose() {
    mImage.reset();
}

int32_t cBitmap::MakeTransparent(ARGB lColor) {
    cBitmap keyed;
    int32_t status = keyed.CreateFromScan0(mWidth, mHeight, 0, PixelFormat32bppARGB, nullptr);
    if (status != 0)
        return status;
    cGraphics graphics;
    status = graphics.GetGraphicsContext(keyed.Handle());
    if (status == 0)
        status = graphics.Clear();
    if (status != 0)
        return status;
    GpImageAttributes* attributes = nullptr;
    status = CheckStatus(GdipCreateImageAttributes(&attributes));
    if (status != 0)
        return status;
    status = CheckStatus(GdipSetImageAttributesColorKeys(attributes, ColorAdjustTypeDefault, 1, lColor, lColor));
    if (status == 0)
        status =
            graphics.DrawImageRectRectIAttr(mImage.get(), 0, 0, mWidth, mHeight, 0, 0, mWidth, mHeight, attributes);
    GdipDisposeImageAttributes(attributes);
    if (status != 0)
        return status;
    /* Exchange the images: keyed now holds the old one and releases it. */
    graphics.Dispose();
    std::swap(mImage, keyed.mImage);
    return 0;
}
