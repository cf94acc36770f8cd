#include "PhotoDetails.h"
#include "NameBytes.h"

#include <QtEndian>

#include <zlib.h>

#include <mutex>
#include <string>

// Exiv2 0.27's headers hand out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// Guards the XMP toolkit, which Exiv2 leaves to its callers to serialise:
// saves may run on several threads.
std::mutex gXmpMutex;

void LockXmp(void* pMutex, bool bLock) {
    auto* mutex = static_cast<std::mutex*>(pMutex);
    if (bLock)
        mutex->lock();
    else
        mutex->unlock();
}

// Once per process: no warnings on stderr, the XMP toolkit made thread-safe.
void StartExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(LockXmp, &gXmpMutex);
    });
}

// Tags that describe the source's pixels, not the photo: its layout and
// storage (TIFF sources) and its colour space (the output is sRGB).
const char* const kImageStructureTags[] = {
    "Exif.Image.NewSubfileType", "Exif.Image.SubfileType", "Exif.Image.ImageWidth",
    "Exif.Image.ImageLength", "Exif.Image.BitsPerSample", "Exif.Image.Compression",
    "Exif.Image.PhotometricInterpretation", "Exif.Image.FillOrder", "Exif.Image.StripOffsets",
    "Exif.Image.SamplesPerPixel", "Exif.Image.RowsPerStrip", "Exif.Image.StripByteCounts",
    "Exif.Image.PlanarConfiguration", "Exif.Image.Predictor", "Exif.Image.ColorMap",
    "Exif.Image.TileWidth", "Exif.Image.TileLength", "Exif.Image.TileOffsets",
    "Exif.Image.TileByteCounts", "Exif.Image.SubIFDs", "Exif.Image.ExtraSamples",
    "Exif.Image.SampleFormat", "Exif.Image.JPEGTables", "Exif.Image.JPEGInterchangeFormat",
    "Exif.Image.JPEGInterchangeFormatLength", "Exif.Image.YCbCrCoefficients",
    "Exif.Image.YCbCrSubSampling", "Exif.Image.YCbCrPositioning", "Exif.Image.ReferenceBlackWhite",
    "Exif.Image.TransferFunction", "Exif.Image.WhitePoint", "Exif.Image.PrimaryChromaticities",
    "Exif.Image.InterColorProfile", "Exif.Image.Orientation", "Exif.Iop.InteroperabilityIndex",
    "Xmp.tiff.Orientation", "Xmp.tiff.BitsPerSample", "Xmp.tiff.Compression",
    "Xmp.tiff.PhotometricInterpretation", "Xmp.tiff.SamplesPerPixel",
    "Xmp.tiff.PlanarConfiguration", "Xmp.tiff.YCbCrSubSampling", "Xmp.tiff.YCbCrPositioning",
    "Xmp.tiff.TransferFunction", "Xmp.tiff.WhitePoint", "Xmp.tiff.PrimaryChromaticities",
    "Xmp.tiff.YCbCrCoefficients", "Xmp.tiff.ReferenceBlackWhite", "Xmp.photoshop.ICCProfile",
    "Xmp.xmp.Thumbnails"};

// Key prefixes of the location: GPS tags and the place names of IPTC and XMP.
const char* const kLocationPrefixes[] = {
    "Exif.GPSInfo.", "Exif.Image.GPSTag", "Xmp.exif.GPS", "Xmp.photoshop.City",
    "Xmp.photoshop.State", "Xmp.photoshop.Country", "Xmp.iptc.Location", "Xmp.iptc.CountryCode",
    "Xmp.iptcExt.LocationCreated", "Xmp.iptcExt.LocationShown", "Iptc.Application2.LocationCode",
    "Iptc.Application2.LocationName", "Iptc.Application2.City", "Iptc.Application2.SubLocation",
    "Iptc.Application2.ProvinceState", "Iptc.Application2.CountryCode",
    "Iptc.Application2.CountryName"};

bool IsLocation(const std::string& sKey) {
    for (const char* prefix : kLocationPrefixes)
        if (sKey.rfind(prefix, 0) == 0)
            return true;
    return false;
}

bool IsImageStructure(const std::string& sKey) {
    for (const char* tag : kImageStructureTags)
        if (sKey == tag)
            return true;
    // IFD1 (the thumbnail) and the sub-images of TIFF and raw sources
    return sKey.rfind("Exif.Thumbnail.", 0) == 0 || sKey.rfind("Exif.SubImage", 0) == 0;
}

template <typename tData>
void EraseWhere(tData& data, bool bLocation) {
    for (auto it = data.begin(); it != data.end();) {
        const std::string key = it->key();
        if (IsImageStructure(key) || (bLocation && IsLocation(key)))
            it = data.erase(it);
        else
            ++it;
    }
}

// Sets the tags of a size that the source has to the output's size.
template <typename tData, typename tKey>
void SetIfPresent(tData& data, const char* sKey, int lValue) {
    auto it = data.findKey(tKey(sKey));
    if (it != data.end())
        it->setValue(std::to_string(lValue));
}

void FilterDetails(Exiv2::ExifData& exif, Exiv2::IptcData& iptc, Exiv2::XmpData& xmp,
                   ePhotoDetails eDetails, int lWidth, int lHeight) {
    const bool location = eDetails != ePhotoDetails::KeepLocation;
    EraseWhere(exif, location);
    EraseWhere(iptc, location);
    EraseWhere(xmp, location);
    SetIfPresent<Exiv2::ExifData, Exiv2::ExifKey>(exif, "Exif.Photo.PixelXDimension", lWidth);
    SetIfPresent<Exiv2::ExifData, Exiv2::ExifKey>(exif, "Exif.Photo.PixelYDimension", lHeight);
    SetIfPresent<Exiv2::ExifData, Exiv2::ExifKey>(exif, "Exif.Photo.ColorSpace", 1);
    SetIfPresent<Exiv2::XmpData, Exiv2::XmpKey>(xmp, "Xmp.exif.PixelXDimension", lWidth);
    SetIfPresent<Exiv2::XmpData, Exiv2::XmpKey>(xmp, "Xmp.exif.PixelYDimension", lHeight);
    SetIfPresent<Exiv2::XmpData, Exiv2::XmpKey>(xmp, "Xmp.tiff.ImageWidth", lWidth);
    SetIfPresent<Exiv2::XmpData, Exiv2::XmpKey>(xmp, "Xmp.tiff.ImageLength", lHeight);
    SetIfPresent<Exiv2::XmpData, Exiv2::XmpKey>(xmp, "Xmp.exif.ColorSpace", 1);
}

Exiv2::Image::AutoPtr OpenFile(const QString& sPath) {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(NameBytesStd(sPath));
    image->readMetadata();
    return image;
}

bool CarriesDetails(int eImageType) {
    return eImageType == Exiv2::ImageType::jpeg || eImageType == Exiv2::ImageType::png ||
           eImageType == Exiv2::ImageType::tiff;
}

QByteArray BigEndian32(uint32_t lValue) {
    const char bytes[4] = {char(lValue >> 24), char((lValue >> 16) & 0xFF), char((lValue >> 8) & 0xFF),
                           char(lValue & 0xFF)};
    return QByteArray(bytes, 4);
}

// The PNG with an eXIf chunk (PNG's own place for EXIF, which browsers and
// viewers read) before its first IDAT. Exiv2 0.27 would write the EXIF into a
// "Raw profile type exif" text chunk that few programs know.
void InsertPngExif(QByteArray& png, const Exiv2::ExifData& exif) {
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
    qsizetype at = 8; // after the signature
    while (at + 8 <= png.size() && png.mid(at + 4, 4) != "IDAT") {
        const uint32_t length = qFromBigEndian<uint32_t>(png.constData() + at);
        if (length > static_cast<uint32_t>(png.size() - at - 12))
            return;
        at += 12 + static_cast<qsizetype>(length);
    }
    if (tiff.empty() || tiff.size() > 0x7FFFFFFF || at + 8 > png.size())
        return;
    const QByteArray body =
        QByteArray("eXIf") + QByteArray(reinterpret_cast<const char*>(tiff.data()), tiff.size());
    const auto crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
    png.insert(at, BigEndian32(static_cast<uint32_t>(tiff.size())) + body + BigEndian32(crc));
}

void CopyDetails(QByteArray& bytes, const QString& sSourcePath, ePhotoDetails eDetails, int lWidth,
                 int lHeight) {
    const auto* data = reinterpret_cast<const Exiv2::byte*>(bytes.constData());
    const int type = Exiv2::ImageFactory::getType(data, bytes.size());
    if (!CarriesDetails(type))
        return;
    Exiv2::Image::AutoPtr source = OpenFile(sSourcePath);
    Exiv2::ExifData exif = source->exifData();
    Exiv2::IptcData iptc = source->iptcData();
    Exiv2::XmpData xmp = source->xmpData();
    FilterDetails(exif, iptc, xmp, eDetails, lWidth, lHeight);
    const bool png = type == Exiv2::ImageType::png;

    if (!iptc.empty() || !xmp.empty() || (!exif.empty() && !png)) {
        Exiv2::Image::AutoPtr output = Exiv2::ImageFactory::open(data, bytes.size());
        if (!png)
            output->setExifData(exif);
        output->setIptcData(iptc);
        output->setXmpData(xmp);
        output->writeMetadata();
        Exiv2::BasicIo& io = output->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf written = io.read(io.size());
        if (written.size_ <= 0)
            return;
        bytes = QByteArray(reinterpret_cast<const char*>(written.pData_), written.size_);
    }
    if (png && !exif.empty())
        InsertPngExif(bytes, exif);
}

QString TextOf(const Exiv2::ExifData& exif, const char* sKey) {
    const auto it = exif.findKey(Exiv2::ExifKey(sKey));
    return it == exif.end() ? QString() : QString::fromStdString(it->toString()).trimmed();
}

} // namespace

QString PhotoDetailsCode(ePhotoDetails eDetails) {
    switch (eDetails) {
    case ePhotoDetails::KeepLocation:
        return QStringLiteral("keep-location");
    case ePhotoDetails::Strip:
        return QStringLiteral("strip");
    case ePhotoDetails::Keep:
        break;
    }
    return QStringLiteral("keep");
}

std::optional<ePhotoDetails> PhotoDetailsFromCode(const QString& sCode) {
    for (ePhotoDetails e : {ePhotoDetails::Keep, ePhotoDetails::KeepLocation, ePhotoDetails::Strip})
        if (sCode == PhotoDetailsCode(e))
            return e;
    return std::nullopt;
}

void AddPhotoDetails(QByteArray& bytes, const QString& sSourcePath, ePhotoDetails eDetails,
                     int lWidth, int lHeight) noexcept {
    if (eDetails == ePhotoDetails::Strip || bytes.isEmpty())
        return;
    const QByteArray original = bytes;
    try {
        StartExiv2();
        CopyDetails(bytes, sSourcePath, eDetails, lWidth, lHeight);
    } catch (...) {
        bytes = original; // unreadable details: the output goes without them
    }
}

cPhotoSummary ReadPhotoSummary(const QString& sPath) noexcept {
    cPhotoSummary summary;
    try {
        StartExiv2();
        const Exiv2::ExifData exif = OpenFile(sPath)->exifData();
        summary.DateTaken = TextOf(exif, "Exif.Photo.DateTimeOriginal");
        if (summary.DateTaken.isEmpty())
            summary.DateTaken = TextOf(exif, "Exif.Image.DateTime");
        if (summary.DateTaken.size() >= 10 && summary.DateTaken[4] == u':' && summary.DateTaken[7] == u':')
            summary.DateTaken.replace(4, 1, u'-').replace(7, 1, u'-');
        const QString make = TextOf(exif, "Exif.Image.Make");
        const QString model = TextOf(exif, "Exif.Image.Model");
        summary.Camera = model.startsWith(make.section(u' ', 0, 0), Qt::CaseInsensitive)
                             ? model
                             : (make + u' ' + model).trimmed();
    } catch (...) {
        return {};
    }
    return summary;
}

#pragma GCC diagnostic pop
