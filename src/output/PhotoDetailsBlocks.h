#pragma once
// The three blocks photo details travel in, as Exiv2 holds them, read from a
// source file and narrowed to what an output may carry. Exiv2 reports errors
// by throwing: callers catch (see PhotoDetails.cpp).

#include <QString>

// Exiv2 0.27's headers hand out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

struct cDetailBlocks {
    Exiv2::ExifData Exif;
    Exiv2::IptcData Iptc;
    Exiv2::XmpData Xmp;

    bool Empty() const { return Exif.empty() && Iptc.empty() && Xmp.empty(); }
};

// The details of the file sPath: through Exiv2 for JPEG, PNG, TIFF and WebP,
// through the platform's HEIF reader for HEIF and AVIF (whose EXIF and XMP
// items Exiv2 0.27 cannot see), none for other formats.
cDetailBlocks ReadDetailBlocks(const QString& sPath);

// What an output of lWidth x lHeight pixels may carry of source: date,
// camera, lens, exposure, author, copyright, description, keywords and
// rating, and the location (GPS and place names) only when bLocation is set.
// Everything else stays behind: orientation, thumbnail, maker notes, image
// structure, colour-space tags, Photoshop resources and the raw XMP and IPTC
// blocks some writers tuck into EXIF. Values of another type than their tag's
// or of an unlikely size are dropped, so that the EXIF written afresh from
// the rest parses in every reader. The size tags are set to the new size.
cDetailBlocks AllowedDetails(const cDetailBlocks& source, bool bLocation, int lWidth, int lHeight);
