#include "PhotoDetails.h"
#include "PhotoDetailsBlocks.h"

#include <QtEndian>

#include <zlib.h>

#include <mutex>
#include <string>

// Exiv2 0.27 hands out std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

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

bool CarriesDetails(int eImageType) {
    return eImageType == Exiv2::ImageType::jpeg || eImageType == Exiv2::ImageType::png ||
           eImageType == Exiv2::ImageType::tiff;
}

QByteArray BigEndian32(uint32_t lValue) {
    const uint32_t bigEndian = qToBigEndian(lValue);
    return QByteArray(reinterpret_cast<const char*>(&bigEndian), 4);
}

// The EXIF as the TIFF structure that PNG's eXIf chunk and the encoders'
// EXIF blocks hold.
QByteArray TiffOf(const Exiv2::ExifData& exif) {
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, exif);
    return QByteArray(reinterpret_cast<const char*>(tiff.data()), static_cast<qsizetype>(tiff.size()));
}

// The PNG with an eXIf chunk (PNG's own place for EXIF, which browsers and
// viewers read) before its first IDAT. Exiv2 0.27 would write the EXIF into a
// "Raw profile type exif" text chunk that few programs know.
void InsertPngExif(QByteArray& png, const Exiv2::ExifData& exif) {
    const QByteArray tiff = TiffOf(exif);
    qsizetype at = 8; // after the signature
    while (at + 8 <= png.size() && png.mid(at + 4, 4) != "IDAT") {
        const uint32_t length = qFromBigEndian<uint32_t>(png.constData() + at);
        if (length > static_cast<uint32_t>(png.size() - at - 12))
            return;
        at += 12 + static_cast<qsizetype>(length);
    }
    if (tiff.isEmpty() || tiff.size() > 0x7FFFFFFF || at + 8 > png.size())
        return;
    const QByteArray body = QByteArray("eXIf") + tiff;
    const auto crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
    png.insert(at, BigEndian32(static_cast<uint32_t>(tiff.size())) + body + BigEndian32(crc));
}

// bytes with blocks written into them by Exiv2; empty when it writes nothing.
QByteArray WithBlocks(const QByteArray& bytes, const cDetailBlocks& blocks, bool bExif) {
    const auto* data = reinterpret_cast<const Exiv2::byte*>(bytes.constData());
    Exiv2::Image::AutoPtr output = Exiv2::ImageFactory::open(data, bytes.size());
    if (bExif)
        output->setExifData(blocks.Exif);
    output->setIptcData(blocks.Iptc);
    output->setXmpData(blocks.Xmp);
    output->writeMetadata();
    Exiv2::BasicIo& io = output->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf written = io.read(io.size());
    if (written.size_ <= 0)
        return {};
    return QByteArray(reinterpret_cast<const char*>(written.pData_), written.size_);
}

void CopyDetails(QByteArray& bytes, const QString& sSourcePath, ePhotoDetails eDetails, int lWidth, int lHeight) {
    const auto* data = reinterpret_cast<const Exiv2::byte*>(bytes.constData());
    const int type = Exiv2::ImageFactory::getType(data, bytes.size());
    if (!CarriesDetails(type))
        return;
    const cDetailBlocks blocks =
        AllowedDetails(ReadDetailBlocks(sSourcePath), eDetails == ePhotoDetails::KeepLocation, lWidth, lHeight);
    const bool png = type == Exiv2::ImageType::png;
    if (!blocks.Iptc.empty() || !blocks.Xmp.empty() || (!blocks.Exif.empty() && !png)) {
        const QByteArray written = WithBlocks(bytes, blocks, !png);
        if (written.isEmpty())
            return;
        bytes = written;
    }
    if (png && !blocks.Exif.empty())
        InsertPngExif(bytes, blocks.Exif);
    // Read back as a viewer would: details that do not parse throw here, and
    // the output goes without them.
    const auto* written = reinterpret_cast<const Exiv2::byte*>(bytes.constData());
    Exiv2::ImageFactory::open(written, bytes.size())->readMetadata();
}

cPhotoBlocks DetailBlocks(const QString& sSourcePath, ePhotoDetails eDetails, int lWidth, int lHeight) {
    cDetailBlocks allowed =
        AllowedDetails(ReadDetailBlocks(sSourcePath), eDetails == ePhotoDetails::KeepLocation, lWidth, lHeight);
    Exiv2::copyIptcToXmp(allowed.Iptc, allowed.Xmp);
    cPhotoBlocks blocks;
    if (!allowed.Exif.empty())
        blocks.Exif = TiffOf(allowed.Exif);
    std::string packet;
    if (!allowed.Xmp.empty() && Exiv2::XmpParser::encode(packet, allowed.Xmp, Exiv2::XmpParser::useCompactFormat) == 0)
        blocks.Xmp = QByteArray::fromStdString(packet);
    return blocks;
}

QString TextOf(const Exiv2::ExifData& exif, const char* sKey) {
    const auto it = exif.findKey(Exiv2::ExifKey(sKey));
    return it == exif.end() ? QString() : QString::fromStdString(it->toString()).trimmed();
}

} // namespace

QString PhotoDetailsCode(ePhotoDetails eDetails) {
    switch (eDetails) {
    case ePhotoDetails::KeepLocation: return QStringLiteral("keep-location");
    case ePhotoDetails::Strip: return QStringLiteral("strip");
    case ePhotoDetails::Keep: break;
    }
    return QStringLiteral("keep");
}

std::optional<ePhotoDetails> PhotoDetailsFromCode(const QString& sCode) {
    for (ePhotoDetails e : {ePhotoDetails::Keep, ePhotoDetails::KeepLocation, ePhotoDetails::Strip})
        if (sCode == PhotoDetailsCode(e))
            return e;
    return std::nullopt;
}

void AddPhotoDetails(QByteArray& bytes, const QString& sSourcePath, ePhotoDetails eDetails, int lWidth,
                     int lHeight) noexcept {
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

cPhotoBlocks PhotoDetailBlocks(const QString& sSourcePath, ePhotoDetails eDetails, int lWidth, int lHeight) noexcept {
    if (eDetails == ePhotoDetails::Strip)
        return {};
    try {
        StartExiv2();
        return DetailBlocks(sSourcePath, eDetails, lWidth, lHeight);
    } catch (...) {
        return {}; // unreadable details: the output goes without them
    }
}

cPhotoSummary ReadPhotoSummary(const QString& sPath) noexcept {
    cPhotoSummary summary;
    try {
        StartExiv2();
        const Exiv2::ExifData exif = ReadDetailBlocks(sPath).Exif;
        summary.DateTaken = TextOf(exif, "Exif.Photo.DateTimeOriginal");
        if (summary.DateTaken.isEmpty())
            summary.DateTaken = TextOf(exif, "Exif.Image.DateTime");
        if (summary.DateTaken.size() >= 10 && summary.DateTaken[4] == u':' && summary.DateTaken[7] == u':')
            summary.DateTaken.replace(4, 1, u'-').replace(7, 1, u'-');
        const QString make = TextOf(exif, "Exif.Image.Make");
        const QString model = TextOf(exif, "Exif.Image.Model");
        summary.Camera =
            model.startsWith(make.section(u' ', 0, 0), Qt::CaseInsensitive) ? model : (make + u' ' + model).trimmed();
    } catch (...) {
        return {};
    }
    return summary;
}

#pragma GCC diagnostic pop
