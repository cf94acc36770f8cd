#pragma once
// Photo details (EXIF, IPTC and XMP: date taken, camera, exposure, artist,
// copyright...) carried from a source file into its encoded output, over
// Exiv2. Exiv2 reports errors by throwing: every function here catches all
// of them, so none reaches Qt or the callers; a file whose details cannot be
// read or written simply gets none.

#include <QByteArray>
#include <QString>

#include <optional>

// What a save does with the photo details of its sources.
enum class ePhotoDetails {
    Keep,         // copy them, without the location
    KeepLocation, // copy them, location included
    Strip,        // write none
};

// The code of a choice as the settings store and `quillet-batch --metadata`
// spell it: "keep", "keep-location", "strip".
QString PhotoDetailsCode(ePhotoDetails eDetails);
// The choice a code names; nullopt for any other text.
std::optional<ePhotoDetails> PhotoDetailsFromCode(const QString& sCode);

// Copies the details of the file sSourcePath into bytes, an encoded JPEG, PNG
// or TIFF of lWidth x lHeight pixels, as eDetails says: date, camera, lens,
// exposure, author, copyright, description, keywords and rating, and the
// location (GPS and place names) with KeepLocation only. Nothing else is
// copied: not the orientation (the pixels are upright already), the
// thumbnail, maker notes or colour-space tags (see AllowedDetails). The
// pixel-size tags are set to the new size. bytes stay as they are when there
// is nothing to copy, for other formats, and when Exiv2 fails or the result
// would not read back.
void AddPhotoDetails(QByteArray& bytes, const QString& sSourcePath, ePhotoDetails eDetails, int lWidth,
                     int lHeight) noexcept;

// The details of sSourcePath filtered as AddPhotoDetails filters them, as the
// blocks that the AVIF, JPEG XL and WebP encoders write themselves: Exif is
// the EXIF from its TIFF header on, Xmp the XMP packet, which also takes the
// IPTC fields (those formats have no place for IPTC). Both empty for Strip,
// when the source has none, or when Exiv2 fails.
struct cPhotoBlocks {
    QByteArray Exif;
    QByteArray Xmp;
};
cPhotoBlocks PhotoDetailBlocks(const QString& sSourcePath, ePhotoDetails eDetails, int lWidth, int lHeight) noexcept;

// The date taken and the camera of a file for the properties panel; empty
// texts when the file has none or cannot be read.
struct cPhotoSummary {
    QString DateTaken; // "2024-05-01 14:03:22" (EXIF writes the date with colons)
    QString Camera;    // make and model, the make left out when the model repeats it
};
cPhotoSummary ReadPhotoSummary(const QString& sPath) noexcept;
