#include "NameBytes.h"
#include "PhotoDetailsBlocks.h"

#include "gp_flat.h"

#include <memory>
#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/quicktimevideo.hpp>
#include <exiv2/webpimage.hpp>

namespace {

struct cStreamRelease {
    void operator()(GpStream* pStream) const { GpStreamRelease(pStream); }
};
using cStreamPtr = std::unique_ptr<GpStream, cStreamRelease>;

std::string BytesOf(GpStream* pStream) {
    uint64_t size = 0;
    if (pStream == nullptr || GpStreamStat(pStream, &size) != S_OK || size > UINT32_MAX)
        return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    uint32_t got = 0;
    if (GpStreamRead(pStream, bytes.data(), static_cast<uint32_t>(size), &got) != S_OK || got != size)
        return {};
    return bytes;
}

// Formats whose details Exiv2 reads.
bool IsReadByExiv2(int eImageType) {
    return eImageType == Exiv2::ImageType::jpeg || eImageType == Exiv2::ImageType::png ||
           eImageType == Exiv2::ImageType::tiff || eImageType == Exiv2::ImageType::webp;
}

// What Exiv2 0.27 makes of HEIF and AVIF: a QuickTime video, about which it
// invents XMP (the file's name included) instead of reading the EXIF.
bool MayBeHeif(int eImageType) {
    return eImageType == Exiv2::ImageType::qtime || eImageType == Exiv2::ImageType::bmff ||
           eImageType == Exiv2::ImageType::none;
}

void ReadHeifBlocks(const QString& sPath, cDetailBlocks& blocks) {
    GpStream* exif = nullptr;
    GpStream* xmp = nullptr;
    if (GpGetHeifDetails(reinterpret_cast<const WCHAR*>(sPath.utf16()), &exif, &xmp) != Ok)
        return;
    const cStreamPtr exifOwner(exif), xmpOwner(xmp);
    const std::string tiff = BytesOf(exif);
    if (!tiff.empty())
        Exiv2::ExifParser::decode(blocks.Exif, reinterpret_cast<const Exiv2::byte*>(tiff.data()),
                                  static_cast<uint32_t>(tiff.size()));
    const std::string packet = BytesOf(xmp);
    if (!packet.empty() && Exiv2::XmpParser::decode(blocks.Xmp, packet) != 0)
        blocks.Xmp.clear();
}

} // namespace

cDetailBlocks ReadDetailBlocks(const QString& sPath) {
    cDetailBlocks blocks;
    const std::string path = NameBytesStd(sPath);
    const int type = Exiv2::ImageFactory::getType(path);
    if (MayBeHeif(type))
        ReadHeifBlocks(sPath, blocks);
    if (!IsReadByExiv2(type))
        return blocks;
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    blocks.Exif = image->exifData();
    blocks.Iptc = image->iptcData();
    blocks.Xmp = image->xmpData();
    return blocks;
}

#pragma GCC diagnostic pop
