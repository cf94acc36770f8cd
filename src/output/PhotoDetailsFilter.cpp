#include "PhotoDetailsBlocks.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// An allow-list rather than a list of what to remove: location and
// orientation also travel in maker notes, Photoshop resources, embedded
// packets and private XMP namespaces, and a new one must not leak through.
const char* const kExifKept[] = {
    // date
    "Exif.Image.DateTime", "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized", "Exif.Photo.OffsetTime",
    "Exif.Photo.OffsetTimeOriginal", "Exif.Photo.OffsetTimeDigitized", "Exif.Photo.SubSecTime",
    "Exif.Photo.SubSecTimeOriginal", "Exif.Photo.SubSecTimeDigitized",
    // camera and lens
    "Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.LensSpecification", "Exif.Photo.LensMake",
    "Exif.Photo.LensModel",
    // exposure
    "Exif.Photo.ExifVersion", "Exif.Photo.ExposureTime", "Exif.Photo.FNumber", "Exif.Photo.ExposureProgram",
    "Exif.Photo.ISOSpeedRatings", "Exif.Photo.SensitivityType", "Exif.Photo.RecommendedExposureIndex",
    "Exif.Photo.ShutterSpeedValue", "Exif.Photo.ApertureValue", "Exif.Photo.BrightnessValue",
    "Exif.Photo.ExposureBiasValue", "Exif.Photo.MaxApertureValue", "Exif.Photo.SubjectDistance",
    "Exif.Photo.MeteringMode", "Exif.Photo.LightSource", "Exif.Photo.Flash", "Exif.Photo.FocalLength",
    "Exif.Photo.ExposureIndex", "Exif.Photo.ExposureMode", "Exif.Photo.WhiteBalance", "Exif.Photo.DigitalZoomRatio",
    "Exif.Photo.FocalLengthIn35mmFilm", "Exif.Photo.SceneCaptureType", "Exif.Photo.GainControl", "Exif.Photo.Contrast",
    "Exif.Photo.Saturation", "Exif.Photo.Sharpness", "Exif.Photo.SubjectDistanceRange",
    // author, copyright, description, keywords, rating
    "Exif.Image.Artist", "Exif.Photo.CameraOwnerName", "Exif.Image.Copyright", "Exif.Image.ImageDescription",
    "Exif.Photo.UserComment", "Exif.Image.XPTitle", "Exif.Image.XPComment", "Exif.Image.XPAuthor",
    "Exif.Image.XPKeywords", "Exif.Image.XPSubject", "Exif.Image.Rating", "Exif.Image.RatingPercent",
    // set to the output's size and to sRGB below
    "Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension", "Exif.Photo.ColorSpace"};

const char* const kIptcKept[] = {
    "Iptc.Envelope.CharacterSet",   "Iptc.Application2.RecordVersion", "Iptc.Application2.ObjectName",
    "Iptc.Application2.Keywords",   "Iptc.Application2.Byline",        "Iptc.Application2.BylineTitle",
    "Iptc.Application2.Credit",     "Iptc.Application2.Copyright",     "Iptc.Application2.Caption",
    "Iptc.Application2.Writer",     "Iptc.Application2.Headline",      "Iptc.Application2.DateCreated",
    "Iptc.Application2.TimeCreated"};

const char* const kXmpKept[] = {"Xmp.xmp.CreateDate",
                                "Xmp.xmp.ModifyDate",
                                "Xmp.xmp.Rating",
                                "Xmp.MicrosoftPhoto.Rating",
                                "Xmp.photoshop.DateCreated",
                                "Xmp.photoshop.Headline",
                                "Xmp.photoshop.Credit",
                                "Xmp.photoshop.AuthorsPosition",
                                "Xmp.photoshop.CaptionWriter",
                                "Xmp.dc.creator",
                                "Xmp.dc.rights",
                                "Xmp.dc.title",
                                "Xmp.dc.description",
                                "Xmp.dc.subject",
                                "Xmp.lr.hierarchicalSubject",
                                "Xmp.xmpRights.Marked",
                                "Xmp.xmpRights.WebStatement",
                                "Xmp.xmpRights.UsageTerms",
                                "Xmp.xmpRights.Owner",
                                "Xmp.tiff.Make",
                                "Xmp.tiff.Model",
                                "Xmp.tiff.Artist",
                                "Xmp.tiff.Copyright",
                                "Xmp.tiff.ImageDescription",
                                "Xmp.tiff.DateTime",
                                "Xmp.exif.DateTimeOriginal",
                                "Xmp.exif.DateTimeDigitized",
                                "Xmp.exif.ExposureTime",
                                "Xmp.exif.FNumber",
                                "Xmp.exif.ExposureProgram",
                                "Xmp.exif.ISOSpeedRatings",
                                "Xmp.exif.ShutterSpeedValue",
                                "Xmp.exif.ApertureValue",
                                "Xmp.exif.ExposureBiasValue",
                                "Xmp.exif.MaxApertureValue",
                                "Xmp.exif.MeteringMode",
                                "Xmp.exif.FocalLength",
                                "Xmp.exif.FocalLengthIn35mmFilm",
                                "Xmp.exif.ExposureMode",
                                "Xmp.exif.WhiteBalance",
                                "Xmp.exif.UserComment",
                                "Xmp.exifEX.LensMake",
                                "Xmp.exifEX.LensModel",
                                "Xmp.exifEX.LensSpecification",
                                "Xmp.aux.Lens",
                                "Xmp.aux.LensInfo",
                                "Xmp.exif.PixelXDimension",
                                "Xmp.exif.PixelYDimension",
                                "Xmp.exif.ColorSpace"};

// The location, kept only when asked for: key prefixes, so that the parts of
// the IPTC Extension's location structures come along.
const char* const kLocationPrefixes[] = {"Exif.GPSInfo.",
                                         "Xmp.exif.GPS",
                                         "Xmp.photoshop.City",
                                         "Xmp.photoshop.State",
                                         "Xmp.photoshop.Country",
                                         "Xmp.iptc.Location",
                                         "Xmp.iptc.CountryCode",
                                         "Xmp.iptcExt.LocationCreated",
                                         "Xmp.iptcExt.LocationShown",
                                         "Iptc.Application2.LocationCode",
                                         "Iptc.Application2.LocationName",
                                         "Iptc.Application2.City",
                                         "Iptc.Application2.SubLocation",
                                         "Iptc.Application2.ProvinceState",
                                         "Iptc.Application2.CountryCode",
                                         "Iptc.Application2.CountryName"};

// No honest text tag comes near this; JPEG's whole EXIF segment holds 64 KiB.
constexpr long kMaxValueBytes = 8192;
// Numbers in a tag whose count the standard leaves open (ISO speeds).
constexpr long kMaxNumbers = 8;
// Keywords repeat in IPTC; beyond this a block is not a photo's.
constexpr int kMaxRepeats = 256;

template <size_t tCount> bool Listed(const char* const (&list)[tCount], const std::string& sKey) {
    return std::any_of(std::begin(list), std::end(list), [&](const char* kept) { return sKey == kept; });
}

bool IsLocation(const std::string& sKey) {
    return std::any_of(std::begin(kLocationPrefixes), std::end(kLocationPrefixes),
                       [&](const char* prefix) { return sKey.rfind(prefix, 0) == 0; });
}

bool IsWholeNumber(Exiv2::TypeId eType) {
    return eType == Exiv2::unsignedByte || eType == Exiv2::unsignedShort || eType == Exiv2::unsignedLong;
}

// The count the standard gives the tag; 0 when it leaves the count open.
long StandardCount(const Exiv2::Exifdatum& datum) {
    const Exiv2::TagInfo* tags = Exiv2::ExifTags::tagList(datum.groupName());
    for (; tags != nullptr && tags->tag_ != 0xFFFF; ++tags)
        if (tags->tag_ == datum.tag())
            return std::max<long>(tags->count_, 0);
    return 0;
}

std::string RawBytes(const Exiv2::Exifdatum& datum) {
    std::string bytes(static_cast<size_t>(datum.size()), '\0');
    datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    return bytes;
}

// Text ends at its terminator. A count altered in the file makes a value run
// on into the bytes after it (maker notes, place names), which must not come
// along inside an innocent tag.
Exiv2::Value::AutoPtr TextUpToEnd(const Exiv2::Exifdatum& datum) {
    Exiv2::Value::AutoPtr value = Exiv2::Value::create(datum.typeId());
    std::string bytes = RawBytes(datum);
    if (datum.typeId() == Exiv2::asciiString) {
        bytes.resize(std::min(bytes.size(), bytes.find('\0')));
        value->read(bytes);
    } else { // the UCS-2 texts of Windows' XP tags end at a 16-bit zero, kept
        size_t end = 0;
        while (end + 1 < bytes.size() && (bytes[end] != 0 || bytes[end + 1] != 0))
            end += 2;
        value->read(reinterpret_cast<const Exiv2::byte*>(bytes.data()),
                    static_cast<long>(std::min(end + 2, bytes.size())), Exiv2::littleEndian);
    }
    return value;
}

Exiv2::Value::AutoPtr CommentUpToEnd(const Exiv2::Exifdatum& datum) {
    const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&datum.value());
    if (comment == nullptr ||
        (comment->charsetId() != Exiv2::CommentValue::ascii && comment->charsetId() != Exiv2::CommentValue::unicode))
        return Exiv2::Value::AutoPtr();
    std::string text = comment->comment();
    text.resize(std::min(text.size(), text.find('\0')));
    Exiv2::Value::AutoPtr value = Exiv2::Value::create(Exiv2::comment);
    const bool ascii = comment->charsetId() == Exiv2::CommentValue::ascii;
    value->read(std::string(ascii ? "charset=Ascii " : "charset=Unicode ") + text);
    return value;
}

// The value as its tag defines it, or none: of the tag's type (whole numbers
// may be stored narrower or wider), no more numbers than the tag holds, text
// cut at its end. EXIF written afresh from such values parses everywhere.
Exiv2::Value::AutoPtr WellFormed(const Exiv2::Exifdatum& datum) {
    const Exiv2::TypeId expected = Exiv2::ExifKey(datum.key()).defaultTypeId();
    const Exiv2::TypeId actual = datum.typeId();
    const bool typeFits = actual == expected || (IsWholeNumber(actual) && IsWholeNumber(expected)) ||
                          (expected == Exiv2::comment && actual == Exiv2::undefined);
    if (!typeFits || datum.count() <= 0 || datum.size() > kMaxValueBytes)
        return Exiv2::Value::AutoPtr();
    if (expected == Exiv2::comment) // the user's comment, GPS method and area names
        return CommentUpToEnd(datum);
    if (actual == Exiv2::asciiString || datum.key().rfind("Exif.Image.XP", 0) == 0)
        return TextUpToEnd(datum);
    const long standard = StandardCount(datum);
    if (datum.count() > (standard > 0 ? standard : kMaxNumbers))
        return Exiv2::Value::AutoPtr();
    return datum.getValue();
}

template <typename tData, typename tKey> void SetIfPresent(tData& data, const std::string& sKey, int lValue) {
    auto it = data.findKey(tKey(sKey));
    if (it != data.end())
        it->setValue(std::to_string(lValue));
}

// The data of source whose keys are listed in kept, or name a location when
// bLocation is set, each passed to add(data, datum, key) to be checked and added.
template <typename tData, size_t tCount, typename tAdd>
tData Allowed(const tData& source, const char* const (&kept)[tCount], bool bLocation, tAdd add) {
    tData allowed;
    for (const auto& datum : source) {
        const std::string key = datum.key();
        if (Listed(kept, key) || (bLocation && IsLocation(key)))
            add(allowed, datum, key);
    }
    return allowed;
}

} // namespace

cDetailBlocks AllowedDetails(const cDetailBlocks& source, bool bLocation, int lWidth, int lHeight) {
    cDetailBlocks kept;
    std::set<std::string> seen; // a tag twice in one directory trips some readers
    kept.Exif = Allowed(source.Exif, kExifKept, bLocation,
                        [&seen](Exiv2::ExifData& exif, const Exiv2::Exifdatum& datum, const std::string& sKey) {
                            const Exiv2::Value::AutoPtr value = WellFormed(datum);
                            if (value.get() != nullptr && value->size() > 0 && seen.insert(sKey).second)
                                exif.add(Exiv2::ExifKey(sKey), value.get());
                        });
    std::map<std::string, int> repeats;
    kept.Iptc = Allowed(source.Iptc, kIptcKept, bLocation,
                        [&repeats](Exiv2::IptcData& iptc, const Exiv2::Iptcdatum& datum, const std::string& sKey) {
                            if (datum.size() <= kMaxValueBytes && ++repeats[sKey] <= kMaxRepeats)
                                iptc.add(Exiv2::Iptcdatum(Exiv2::IptcKey(sKey), &datum.value()));
                        });
    kept.Xmp = Allowed(source.Xmp, kXmpKept, bLocation,
                       [](Exiv2::XmpData& xmp, const Exiv2::Xmpdatum& datum, const std::string& sKey) {
                           xmp.add(Exiv2::XmpKey(sKey), &datum.value());
                       });
    // The output's size, and sRGB (1), in EXIF and in XMP alike.
    for (const auto& [tag, value] :
         {std::pair("PixelXDimension", lWidth), {"PixelYDimension", lHeight}, {"ColorSpace", 1}}) {
        SetIfPresent<Exiv2::ExifData, Exiv2::ExifKey>(kept.Exif, std::string("Exif.Photo.") + tag, value);
        SetIfPresent<Exiv2::XmpData, Exiv2::XmpKey>(kept.Xmp, std::string("Xmp.exif.") + tag, value);
    }
    return kept;
}

#pragma GCC diagnostic pop
