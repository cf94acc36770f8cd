#pragma once
// The per-image pipeline shared by the batch save and the preview: load the
// source, measure it, size it, draw it scaled and turned into a new bitmap
// (a JPEG is decoded at a reduced scale where that is much smaller), release
// the source; name the output; find the encoder; encode into memory with the
// photo details. EncodeEntry does all of it for one list entry: the batch
// save writes its bytes to a file (cBatchSave, through cSaveAhead), the
// preview decodes the same bytes again. No widgets and no questions: the host
// is reached through cSaveObserver, and the caller asks what EncodeEntry's
// result leaves open (the PNG offer, the overwrite box).

#include "cSaveObserver.h"
#include "cMemoryBudget.h"
#include "cSaveJob.h"

#include "cBitmap.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class cGDIP;

// The scaled and rotated image of one source, ready to encode.
struct cRenderedImage {
    std::unique_ptr<cBitmap> Output; // Width x Height, 24-bit or 32-bit ARGB
    int16_t Width = 0;
    int16_t Height = 0;
    int16_t Target = 0;                 // the target size it was drawn for
    QString SourcePath;                 // the file it was loaded from
    cMemoryBudget::cReservation Memory; // its share of DecodeBudget, until it is encoded; of
                                        // several sizes the last holds the share of all
};

// Why RenderSource gave nothing, what the decoding libraries said, and how
// much of the source was decoded.
struct cRenderNotes {
    bool OutOfMemory = false;   // too large for the memory there is, not damaged
    QString DecoderMessages;    // their lines, each ending in '\n'; empty for none
    uint32_t DecodedWidth = 0;  // the source's pixels as decoded for the draw:
    uint32_t DecodedHeight = 0; // less than its own size after a reduced decode
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
// interpolation and turned as job says, into a new bitmap for every target
// size of the job (TargetSizes), in the order of the sizes; the source is
// decoded once for all of them. Empty when the file cannot be decoded or is larger than kMaxSourceSide on a side, or
// when the memory it needs is more than DecodeBudget holds or cannot be had; notes say which, and receive
// what the decoding libraries printed, success or not. Waits while other images hold too much of the budget. The source
// file is closed on return. Touches no shared state: safe on any thread with an observer of that thread's own.
std::vector<cRenderedImage> RenderSource(const QString& sSourcePath, const cSaveJob& job, cSaveObserver& observer,
                                         cRenderNotes& notes);

// The output names for a source file name and a format code.
cOutputName OutputNameFor(const QString& sFilename, const QString& sOutputFormat);

// The encoder an output is written with.
struct cEncoderChoice {
    QString Extension; // the extension asked for (cOutputName::Extension)
    QString WrittenAs; // Extension, or "png" standing in for a format without an
                       // encoder; "" when there is no PNG encoder either
    CLSID Encoder{};   // the encoder of WrittenAs

    // PNG stands in: the save asks first (the PNG offer), the preview does not.
    bool PngStandsIn() const { return WrittenAs != Extension; }
};

// The file the save writes for one image.
struct cEncoded {
    QByteArray Bytes;    // photo details included; empty when the encoder failed
    int32_t Quality = 0; // the quality of Bytes (the chosen one where none applies)
    int16_t Width = 0;   // the pixel size of Bytes
    int16_t Height = 0;
    bool OverLimit = false;  // even the smallest try is larger than the limit
    int16_t Target = 0;      // the target size it was drawn for
    int16_t DrawnWidth = 0;  // its size as drawn, before any shrinking for the limit: what
    int16_t DrawnHeight = 0; // its name's {w} and {h} say
};

// Encodes image (and releases it) with encoder. sRequestedExtension (the
// extension the job asked for, before any PNG fallback) chooses the extra
// step: "jpg", "webp", "avif" and "jxl" pass the quality lQuality (0..100) and
// the details blocks, "gif" first reduces the image to a palette of 256
// colours when bQuantize says so (it is written as GIF); any other
// extension, "jpeg" included, uses the encoder's defaults. Empty bytes when
// the encoder or the palette reduction failed. Any thread.
QByteArray EncodeImageWith(std::unique_ptr<cBitmap> image, const QString& sRequestedExtension, const CLSID& encoder,
                           int32_t lQuality, bool bQuantize, const cPhotoBlocks& details = {});

// What the save writes for one list entry.
struct cEntryOutput {
    bool Loaded = false;      // false: the file could not be loaded
    bool OutOfMemory = false; // not loaded for want of memory, not for damage
    QString DecoderMessages;  // what the decoding libraries printed, for the file's report
    cOutputName Name;
    cEncoderChoice Encoder;
    // One output per size of the job (TargetSizes), in its order, once loaded;
    // empty bytes when encoding failed or there is no encoder.
    std::vector<cEncoded> Encoded;
};

// The one way from a list entry (the file sFileName in sFolder) and a job to
// the bytes the save writes for it: render (RenderSource), name
// (OutputNameFor), choose the encoder (PNG standing in for a format without
// one), encode with the photo details, under a size limit the best output
// that fits (FitWithinLimit), the details counted. Asks nothing and touches nothing shared: any
// thread, with an observer of that thread's own.
cEntryOutput EncodeEntry(const QString& sFolder, const QString& sFileName, const cSaveJob& job, const cGDIP& gdip,
                         cSaveObserver& observer);
