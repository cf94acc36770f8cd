#include "cSavePipeline.h"

#include "AppState.h"
#include "Dimensions.h"
#include "FileNames.h"
#include "OutputOptions.h"
#include "Quantize.h"

#include "cGDIP.h"
#include "cGraphics.h"

namespace {

// GUID of the JPEG and WebP encoders' quality parameter.
const QString kEncoderQuality = QStringLiteral("{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}");

// Palette-based sources are drawn into 32-bit ARGB; others keep their format.
int32_t OutputFormatFor(int32_t eSourceFormat) {
    constexpr int32_t kIndexedFlag = 0x00010000;
    return (eSourceFormat & kIndexedFlag) != 0 ? PixelFormat32bppARGB : eSourceFormat;
}

// Step 1: a decoded source within the 16-bit sizes, or nullopt.
std::optional<cBitmap> LoadSource(const QString& sSourcePath) {
    cBitmap source;
    source.LoadFromFile(sSourcePath);
    if (source.Handle() == nullptr || source.Width() <= 0 || source.Height() <= 0 ||
        source.Width() > kMaxSourceSide || source.Height() > kMaxSourceSide)
        return std::nullopt;
    return source;
}

// Step 5: rotates the full-size source and swaps the output sides for a
// quarter turn.
void RotateSource(cBitmap& source, int16_t iRotationIndex, cDimensions& size,
                  cSaveObserver& observer) {
    const std::optional<int32_t> code = RotateFlipCode(iRotationIndex);
    if (!code)
        return;
    source.RotateFlip(*code);
    if (RotationSwapsSides(iRotationIndex))
        std::swap(size.Width, size.Height);
    observer.ProcessEvents();
}

} // namespace

std::optional<cRenderedImage> RenderImage(const QString& sSourcePath, const cSaveOptions& options,
                                          cSaveObserver& observer) {
    std::optional<cBitmap> source = LoadSource(sSourcePath);
    if (!source)
        return std::nullopt;
    observer.ProcessEvents();

    gImageWidth = static_cast<int16_t>(source->Width());
    gImageHeight = static_cast<int16_t>(source->Height());
    cDimensions size = GetDimensions(TargetSize(options.SizeIndex, options.CustomSize));
    RotateSource(*source, options.RotationIndex, size, observer);

    cRenderedImage rendered;
    rendered.Width = size.Width;
    rendered.Height = size.Height;
    rendered.SourcePath = sSourcePath;
    rendered.Output = std::make_unique<cBitmap>();
    rendered.Output->CreateFromScan0(size.Width, size.Height, 0,
                                     OutputFormatFor(source->PixelFormat()), nullptr);
    {
        cGraphics graphics;
        graphics.GetGraphicsContext(rendered.Output->Handle());
        graphics.SetInterpolationMode(InterpolationModeHighQualityBilinear);
        graphics.DrawImageRectI(source->Handle(), 0, 0, size.Width, size.Height);
    }
    source.reset(); // closes the source file before the output is named and written
    observer.ProcessEvents();
    return rendered;
}

void AddPhotoDetailsOf(const cRenderedImage& rendered, ePhotoDetails eDetails, QByteArray& bytes) {
    AddPhotoDetails(bytes, rendered.SourcePath, eDetails, rendered.Width, rendered.Height);
}

cOutputName OutputNameFor(const QString& sFilename, const QString& sOutputFormat) {
    cOutputName name;
    name.SourceName = sFilename;
    name.BaseName = GetBaseName(sFilename);
    name.SourceExtension = GetExtension(sFilename);
    name.Extension = sOutputFormat == QStringLiteral("DFT") ? name.SourceExtension.toLower()
                                                            : sOutputFormat.toLower();
    return name;
}

QByteArray EncodeImage(cGDIP& gdip, std::unique_ptr<cBitmap> image,
                       const QString& sRequestedExtension, int32_t lEncoderIndex,
                       int32_t lQuality) {
    const QString kind = sRequestedExtension.toUpper();
    const CLSID encoder = gdip.EncoderClsid(lEncoderIndex);
    QByteArray bytes;
    if (!image)
        return bytes;

    if (kind == QStringLiteral("JPG") || kind == QStringLiteral("WEBP")) {
        uint32_t quality = static_cast<uint32_t>(lQuality);
        EncoderParameters params{};
        params.Count = 1;
        params.Parameter[0].Guid = cGDIP::StringToGuid(kEncoderQuality);
        params.Parameter[0].NumberOfValues = 1;
        params.Parameter[0].Type = EncoderParameterValueTypeLong;
        params.Parameter[0].Value = &quality;
        image->SaveToStream(bytes, encoder, &params);
    } else if (kind == QStringLiteral("GIF")) {
        image->gdip = &gdip;
        int32_t colours = 256;
        image = QuantizeImage(std::move(image), colours);
        if (image) {
            image->gdip = nullptr;
            image->SaveToStream(bytes, encoder, nullptr);
        }
    } else {
        image->SaveToStream(bytes, encoder, nullptr);
    }
    return bytes;
}
