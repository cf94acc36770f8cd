#pragma once
// The per-image pipeline shared by the batch save and the preview: load the
// source, measure it, size it, draw it scaled and turned into a new bitmap
// (a JPEG is decoded at a reduced scale where that is much smaller), release
// the source; name the output; find the encoder; encode into memory.
// The batch save writes the encoded bytes to a file (cBatchSave); the preview
// decodes them again. No widgets: the host is reached through cSaveObserver.

#include "cSaveObserver.h"
#include "cMemoryBudget.h"
#include "cSaveJob.h"

#include "cBitmap.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class cGDIP;

// The scaled and rotated image of one source, ready to encode.
struct cRenderedImage {
    std::unique_ptr<cBitmap> Output; // Width x Height, 24-bit or 32-bit ARGB
    int16_t Width = 0;
    int16_t Height = 0;
    QString SourcePath;              // the file it was loaded from
    cMemoryBudget::cReservation Memory; // its share of DecodeBudget, until it is encoded
};

// Why RenderSource gave nothing, and what the decoding libraries said.
struct cRenderNotes {
    bool OutOfMemory = false; // too large for the memory there is, not damaged
    QString DecoderMessages;  // their lines, each ending in '\n'; empty for none
};

// The names of one output file.
struct cOutputName {
    QString SourceName;      // the source's file name
    QString BaseName;        // GetBaseName of the source's file name
    QString SourceExtension; // GetExtension of the source's file name (upper case)
    QString Extension;       // output extension, lower case, without "."
};

// Source files wider or taller than this fail to load: sizes are 16-bit.
inline constexpr int32_t kMaxSourceSide = 32767;

// Loads sSourcePath and draws it, scaled with high-quality bilinear
// interpolation and turned as job says, into a new bitmap. nullopt when the
// file cannot be decoded or is larger than kMaxSourceSide on a side, or when
// the memory it needs is more than DecodeBudget holds or cannot be had; notes
// (when given) say which, and receive what the decoding libraries printed,
// success or not. Waits while other images hold too much of the budget.
// The source file is closed on return. Touches no shared state: safe on any
// thread with an observer of that thread's own.
std::optional<cRenderedImage> RenderSource(const QString& sSourcePath, const cSaveJob& job,
                                           cSaveObserver& observer, cRenderNotes* notes = nullptr);

// The output names for a source file name and a format code.
cOutputName OutputNameFor(const QString& sFilename, const QString& sOutputFormat);

// Copies the photo details of rendered's source into bytes (encoded from
// rendered) as eDetails says; see AddPhotoDetails.
void AddPhotoDetailsOf(const cRenderedImage& rendered, ePhotoDetails eDetails, QByteArray& bytes);

// The photo details that an output of extension sExtension takes into its
// encoder (WebP, AVIF and JPEG XL; see PhotoDetailBlocks); none for the other
// formats, which get theirs from AddPhotoDetails after encoding.
cPhotoBlocks DetailBlocksFor(const QString& sExtension, const QString& sSourcePath,
                             ePhotoDetails eDetails, int lWidth, int lHeight);

// What the save asks of the encoder for one image.
struct cEncodeRequest {
    QString Extension;     // the requested extension, before any PNG fallback (see EncodeImage)
    CLSID Encoder{};       // the encoder the file is written with
    bool Quantize = true;  // "gif" is reduced to a palette first (see EncodeImageWith)
    int32_t Quality = 0;   // the chosen quality, 0..100
    int64_t MaxBytes = 0;  // the file-size limit in bytes; 0 = none
    ePhotoDetails Details = ePhotoDetails::Keep;
    cGDIP* Reporter = nullptr; // receives the quantizer's failures; nullptr off the main thread
};

// The file the save writes for one image.
struct cEncoded {
    QByteArray Bytes;       // photo details included; empty when the encoder failed
    int32_t Quality = 0;    // the quality of Bytes (the chosen one where none applies)
    int16_t Width = 0;      // the pixel size of Bytes
    int16_t Height = 0;
    bool OverLimit = false; // even the smallest try is larger than the limit
};

// The request for an image saved with job as sExtension by encoder.
cEncodeRequest EncodeRequestFor(const cSaveJob& job, const QString& sExtension,
                                const CLSID& encoder, bool bQuantize);

// Encodes rendered as request says and adds its source's photo details.
// Under a size limit, the best output that fits (see FitWithinLimit), the
// details counted. Any thread, with a Reporter only on the main one.
cEncoded EncodeForSave(cRenderedImage rendered, const cEncodeRequest& request);

// Encodes image (and releases it) with encoder lEncoderIndex of gdip. sRequestedExtension (the
// extension the job asked for, before any PNG fallback) chooses the extra
// step: "jpg", "webp", "avif" and "jxl" pass the quality lQuality (0..100) and
// the details blocks, "gif" first reduces the
// image to a palette of 256 colours (reporting failures through gdip); any
// other extension, "jpeg" included, uses the encoder's defaults. Empty bytes
// when the encoder failed.
QByteArray EncodeImage(cGDIP& gdip, std::unique_ptr<cBitmap> image,
                       const QString& sRequestedExtension, int32_t lEncoderIndex, int32_t lQuality,
                       const cPhotoBlocks& details = {});

// EncodeImage for any thread: the encoder is given by its class id and
// failures are not reported anywhere but in the empty result. bQuantize says
// whether "gif" reduces to a palette (EncodeImage: when gdip has a GIF
// encoder).
QByteArray EncodeImageWith(std::unique_ptr<cBitmap> image, const QString& sRequestedExtension,
                           const CLSID& encoder, int32_t lQuality, bool bQuantize,
                           const cPhotoBlocks& details = {});
