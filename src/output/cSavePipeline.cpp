#include "cSavePipeline.h"

#include "Dimensions.h"
#include "OutputBitmaps.h"
#include "FileNames.h"
#include "ImageFormats.h"
#include "OutputOptions.h"
#include "Numbers.h"
#include "Quantize.h"
#include "SizeLimit.h"
#include "SizeList.h"
#include "cMemoryBudget.h"

#include "cGDIP.h"
#include "cGraphics.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// GUIDs of the encoders' quality parameter and of the photo-detail blocks
// that the WebP, AVIF and JPEG XL encoders write.
const QString kEncoderQuality = QStringLiteral("{1D5BE4B5-FA4A-452D-9CDD-5DB35105E7EB}");
const QString kEncoderExifBlock = QStringLiteral("{7C1E4A90-2B6D-4F3E-9A41-45584946626B}");
const QString kEncoderXmpPacket = QStringLiteral("{7C1E4A91-2B6D-4F3E-9A41-584D50706B74}");

// EncoderParameters with room for the quality and two blocks: the record
// ends in its parameter array, which the save call reads Count long.
struct cQualityParameters {
    uint32_t Count = 0;
    EncoderParameter Parameter[3]{};

    void Add(const QString& sGuid, uint32_t lType, uint32_t lCount, const void* pValue) {
        Parameter[Count++] = {cGDIP::StringToGuid(sGuid), lCount, lType, const_cast<void*>(pValue)};
    }
};

bool WritesOwnDetails(const QString& sExtension) {
    const QString kind = sExtension.toUpper();
    return kind == QLatin1String("WEBP") || kind == QLatin1String("AVIF") || kind == QLatin1String("JXL");
}

// The photo details that an output of extension sExtension takes into its
// encoder (WebP, AVIF and JPEG XL; see PhotoDetailBlocks); none for the other
// formats, which get theirs from AddPhotoDetails after encoding.
cPhotoBlocks DetailBlocksFor(const QString& sExtension, const QString& sSourcePath, ePhotoDetails eDetails, int lWidth,
                             int lHeight) {
    if (!WritesOwnDetails(sExtension))
        return {};
    return PhotoDetailBlocks(sSourcePath, eDetails, lWidth, lHeight);
}

// Palette-based sources are drawn into 32-bit ARGB; others keep their format.
int32_t OutputFormatFor(int32_t eSourceFormat) {
    constexpr int32_t kIndexedFlag = 0x00010000;
    return (eSourceFormat & kIndexedFlag) != 0 ? PixelFormat32bppARGB : eSourceFormat;
}

// Step 1: a source within the 16-bit sizes, or nullopt. Its pixels are
// decoded when it is drawn, and only as many as the draw needs: a large photo
// drawn small is decoded at a reduced scale (a JPEG at 1/2, 1/4 or 1/8), which
// makes the save several times faster and its memory a fraction.
std::optional<cBitmap> LoadSource(const QString& sSourcePath, bool& bOutOfMemory) {
    cBitmap source;
    bOutOfMemory = source.LoadFromFileDeferred(sSourcePath) == OutOfMemory;
    if (source.Handle() == nullptr || source.Width() <= 0 || source.Height() <= 0 || source.Width() > kMaxSourceSide ||
        source.Height() > kMaxSourceSide)
        return std::nullopt;
    source.SetReducedDecode(true);
    return source;
}

// Step 5: the turn, done while drawing. The world transform turns the drawn
// source clockwise about the output's corner, so only the small result is
// turned; the pixels equal those of turning the source first. size is the
// unturned output size; the output's sides are swapped for a quarter turn.
void TurnDrawing(cGraphics& graphics, int16_t iRotationIndex, cDimensions size, cSaveObserver& observer) {
    const std::optional<int32_t> code = RotateFlipCode(iRotationIndex);
    if (!code)
        return;
    const float width = size.Width;
    const float height = size.Height;
    const float shift[3][2] = {{height, 0}, {width, height}, {0, width}};
    graphics.TranslateTransform(shift[*code - 1][0], shift[*code - 1][1]);
    graphics.RotateTransform(90.0f * static_cast<float>(*code));
    observer.ProcessEvents();
}

// The sides a source is decoded at to be drawn at size, by the imaging
// library's own rule.
std::pair<uint64_t, uint64_t> DecodedSize(const cBitmap& source, cDimensions size) {
    uint32_t width = uint32_t(source.Width()), height = uint32_t(source.Height());
    if (size.Width > 0 && size.Height > 0)
        GdipGetImageDecodedSizeFor(source.Handle(), uint32_t(size.Width), uint32_t(size.Height), &width, &height);
    return {width, height};
}

// Steps 2 to 6 for one size: draw the source scaled and turned into a new
// bitmap of size (unturned). False when the draw failed; bOutOfMemory says
// whether for want of memory.
bool DrawAtSize(const cBitmap& source, const cSaveJob& job, cDimensions size, cSaveObserver& observer,
                cRenderedImage& rendered, bool& bOutOfMemory) {
    const bool swap = RotationSwapsSides(job.RotationIndex);
    rendered.Width = swap ? size.Height : size.Width;
    rendered.Height = swap ? size.Width : size.Height;
    rendered.Output = std::make_unique<cBitmap>();
    if (rendered.Output->CreateFromScan0(rendered.Width, rendered.Height, 0, OutputFormatFor(source.PixelFormat()),
                                         nullptr) == OutOfMemory) {
        bOutOfMemory = true;
        return false;
    }
    cGraphics graphics;
    const bool drawable = graphics.GetGraphicsContext(rendered.Output->Handle()) == Ok;
    graphics.SetInterpolationMode(InterpolationModeHighQualityBilinear);
    TurnDrawing(graphics, job.RotationIndex, size, observer);
    // The pixels are decoded at the first draw: damaged ones fail it, and the
    // file counts as one that could not be loaded, unless memory ran out.
    const int32_t drawn = graphics.DrawImageRectI(source.Handle(), 0, 0, size.Width, size.Height);
    if (drawn != Ok && drawable) {
        bOutOfMemory = drawn == OutOfMemory;
        return false;
    }
    return true;
}

// Steps 2 to 6: measure, size, reserve the memory, draw scaled and turned,
// once for every target size of the job. The largest is drawn first: its
// draw decodes the pixels (at the scale it needs), and the smaller draws use
// them again, so the source is decoded once however many sizes there are.
std::vector<cRenderedImage> DrawSource(const cBitmap& source, const cSaveJob& job, cSaveObserver& observer,
                                       bool& bOutOfMemory) {
    const auto sourceWidth = static_cast<int16_t>(source.Width());
    const auto sourceHeight = static_cast<int16_t>(source.Height());
    const std::vector<int16_t> targets = TargetSizes(job.SizeIndex, job.CustomSize);
    const std::vector<int16_t> drawOrder = LargestFirst(targets);
    const auto sizeFor = [&](int16_t iTarget) {
        return job.NoEnlarge ? GetDimensionsNoLarger(iTarget, sourceWidth, sourceHeight)
                             : GetDimensionsOf(iTarget, sourceWidth, sourceHeight);
    };

    // One reservation for the decode and every output, held by the output
    // encoded last: reserving size by size could leave two workers each
    // holding part and waiting for the rest.
    const auto side = [](int16_t iSide) { return uint64_t(std::max<int>(iSide, 0)); };
    const cDimensions largest = sizeFor(drawOrder.front());
    const auto [decodedWidth, decodedHeight] = DecodedSize(source, largest);
    uint64_t footprint = RenderFootprint(decodedWidth, decodedHeight, side(largest.Width), side(largest.Height));
    for (size_t i = 1; i < drawOrder.size(); ++i) {
        const cDimensions size = sizeFor(drawOrder[i]);
        footprint += RenderFootprint(0, 0, side(size.Width), side(size.Height));
    }
    std::vector<cRenderedImage> rendered(targets.size());
    if (!DecodeBudget().Reserve(footprint, rendered.back().Memory)) {
        bOutOfMemory = true;
        return {};
    }
    for (const int16_t target : drawOrder) {
        const size_t at = size_t(std::find(targets.begin(), targets.end(), target) - targets.begin());
        rendered[at].Target = target;
        if (!DrawAtSize(source, job, sizeFor(target), observer, rendered[at], bOutOfMemory))
            return {};
    }
    return rendered;
}

// The encoder gdip has for sExtension, PNG standing in for one it lacks.
// Only reads gdip's encoder table, which is fixed once gdip is made: safe on
// any thread while gdip lives.
cEncoderChoice ChooseEncoder(const cGDIP& gdip, const QString& sExtension) {
    cEncoderChoice choice;
    choice.Extension = sExtension;
    choice.WrittenAs = sExtension;
    std::optional<CLSID> encoder = gdip.FormatEncoder(FormatCodeOf(sExtension));
    if (!encoder) {
        choice.WrittenAs = QStringLiteral("png");
        encoder = gdip.FormatEncoder(QStringLiteral("PNG"));
    }
    if (!encoder)
        choice.WrittenAs.clear();
    choice.Encoder = encoder.value_or(CLSID{});
    return choice;
}

// The output of rendered before it is encoded: its sizes, no bytes yet.
cEncoded Unencoded(const cRenderedImage& rendered) {
    cEncoded result;
    result.Width = result.DrawnWidth = rendered.Width;
    result.Height = result.DrawnHeight = rendered.Height;
    result.Target = rendered.Target;
    return result;
}

// Encodes rendered for the save as job and encoder say, and adds its
// source's photo details. Under a size limit, the best output that fits.
cEncoded EncodeForSave(cRenderedImage rendered, const cSaveJob& job, const cEncoderChoice& encoder) {
    cEncoded result = Unencoded(rendered);
    result.Quality = QualityTagValue(job.QualityIndex);
    auto encode = [&](std::unique_ptr<cBitmap> image, int32_t lQuality, cDimensions size) {
        QByteArray bytes = EncodeImageWith(
            std::move(image), encoder.Extension, encoder.Encoder, lQuality, !encoder.PngStandsIn(),
            DetailBlocksFor(encoder.Extension, rendered.SourcePath, job.PhotoDetails, size.Width, size.Height));
        if (!bytes.isEmpty())
            AddPhotoDetails(bytes, rendered.SourcePath, job.PhotoDetails, size.Width, size.Height);
        return bytes;
    };
    const cDimensions full{rendered.Width, rendered.Height};
    if (job.MaxBytes <= 0) {
        result.Bytes = encode(std::move(rendered.Output), result.Quality, full);
        return result;
    }

    // Every try starts from the same pixels, flattened once.
    std::unique_ptr<cBitmap> image = std::move(rendered.Output);
    if (image && DropsTransparency(encoder.Extension) && image->PixelFormat() == PixelFormat32bppARGB)
        image = OverWhite(*image);
    if (!image)
        return result;
    const auto scaled = [&full](double sngScale) {
        const auto side = [sngScale](int16_t iSide) { return std::max<int16_t>(ClampToInt16(iSide * sngScale), 1); };
        return cDimensions{side(full.Width), side(full.Height)};
    };
    const cFit fit = FitWithinLimit(
        job.MaxBytes, result.Quality, TakesQuality(encoder.Extension), [&](int32_t lQuality, double sngScale) {
            const cDimensions size = scaled(sngScale);
            return encode(sngScale == 1.0 ? CopyOf(*image) : ScaledCopy(*image, size.Width, size.Height), lQuality,
                          size);
        });
    const cDimensions size = scaled(fit.Scale);
    result.Bytes = fit.Bytes;
    result.Quality = fit.Quality;
    result.Width = size.Width;
    result.Height = size.Height;
    result.OverLimit = !fit.Fits && !fit.Bytes.isEmpty();
    return result;
}

} // namespace

std::vector<cRenderedImage> RenderSource(const QString& sSourcePath, const cSaveJob& job, cSaveObserver& observer,
                                         cRenderNotes& notes) {
    notes = cRenderNotes();
    std::optional<cBitmap> source = LoadSource(sSourcePath, notes.OutOfMemory);
    if (!source)
        return {};
    observer.ProcessEvents();
    std::vector<cRenderedImage> rendered = DrawSource(*source, job, observer, notes.OutOfMemory);
    notes.DecoderMessages = source->DecoderMessages();
    source->GetDecodedSize(notes.DecodedWidth, notes.DecodedHeight);
    source.reset(); // closes the source file before the output is named and written
    for (cRenderedImage& image : rendered)
        image.SourcePath = sSourcePath;
    if (!rendered.empty())
        observer.ProcessEvents();
    return rendered;
}

cOutputName OutputNameFor(const QString& sFilename, const QString& sOutputFormat) {
    cOutputName name;
    name.SourceName = sFilename;
    name.BaseName = GetBaseName(sFilename);
    name.SourceExtension = GetExtension(sFilename);
    name.Extension = sOutputFormat == QStringLiteral("DFT") ? name.SourceExtension.toLower() : sOutputFormat.toLower();
    return name;
}

QByteArray EncodeImageWith(std::unique_ptr<cBitmap> image, const QString& sRequestedExtension, const CLSID& encoder,
                           int32_t lQuality, bool bQuantize, const cPhotoBlocks& details) {
    const QString kind = sRequestedExtension.toUpper();
    QByteArray bytes;
    if (!image)
        return bytes;
    // A transparent image saved as JPEG or BMP comes out over white, not black.
    if (DropsTransparency(kind) && image->PixelFormat() == PixelFormat32bppARGB) {
        image = OverWhite(*image);
        if (!image)
            return bytes;
    }

    if (TakesQuality(kind)) {
        const auto quality = static_cast<uint32_t>(lQuality);
        cQualityParameters params;
        params.Add(kEncoderQuality, EncoderParameterValueTypeLong, 1, &quality);
        if (!details.Exif.isEmpty())
            params.Add(kEncoderExifBlock, EncoderParameterValueTypeUndefined,
                       static_cast<uint32_t>(details.Exif.size()), details.Exif.constData());
        if (!details.Xmp.isEmpty())
            params.Add(kEncoderXmpPacket, EncoderParameterValueTypeUndefined, static_cast<uint32_t>(details.Xmp.size()),
                       details.Xmp.constData());
        image->SaveToStream(bytes, encoder, reinterpret_cast<const EncoderParameters*>(&params));
    } else if (ReducesToPalette(kind) && bQuantize) {
        int32_t colours = 256;
        image = QuantizeImage(std::move(image), colours);
        if (image)
            image->SaveToStream(bytes, encoder, nullptr);
    } else {
        image->SaveToStream(bytes, encoder, nullptr);
    }
    return bytes;
}

cEntryOutput EncodeEntry(const QString& sFolder, const QString& sFileName, const cSaveJob& job, const cGDIP& gdip,
                         cSaveObserver& observer) {
    cEntryOutput output;
    output.Name = OutputNameFor(sFileName, job.OutputFormat);
    output.Encoder = ChooseEncoder(gdip, output.Name.Extension);
    try {
        cRenderNotes notes;
        std::vector<cRenderedImage> images =
            RenderSource(FolderWithSeparator(sFolder) + sFileName, job, observer, notes);
        output.OutOfMemory = notes.OutOfMemory;
        output.DecoderMessages = std::move(notes.DecoderMessages);
        if (images.empty())
            return output;
        output.Loaded = true;
        for (const cRenderedImage& image : images)
            output.Encoded.push_back(Unencoded(image));
        if (output.Encoder.WrittenAs.isEmpty())
            return output;
        for (size_t i = 0; i < images.size(); ++i)
            output.Encoded[i] = EncodeForSave(std::move(images[i]), job, output.Encoder);
    } catch (const std::bad_alloc&) {
        output.OutOfMemory = !output.Loaded;
        for (cEncoded& encoded : output.Encoded)
            encoded.Bytes.clear(); // counts as an encoding failure once loaded
    }
    return output;
}
