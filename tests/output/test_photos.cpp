// Photos as they really are: colour profiles converted to sRGB in every
// output format and in the preview's pipeline, and photo details carried
// into JPEG, PNG and TIFF outputs (read back with Exiv2) and into WebP, AVIF
// and JPEG XL outputs (read back with the formats' reference tools).
#include "BatchSaveTest.h"

#include "PhotoDetails.h"
#include "cSavePipeline.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtEndian>

#include <zlib.h>

#include <map>
#include <tuple>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <cmath>
#include <memory>

namespace {

// ---- Colour ---------------------------------------------------------------------------------

struct cSpace {
    const char* Name;
    double Xy[8]; // white, red, green, blue
    float Gamma;  // 0: the sRGB curve
};

const cSpace kSpaces[] = {
    {"AdobeRGB", {0.3127, 0.3290, 0.64, 0.33, 0.21, 0.71, 0.15, 0.06}, 563.0f / 256},
    {"ProPhoto", {0.3457, 0.3585, 0.7347, 0.2653, 0.1596, 0.8404, 0.0366, 0.0001}, 1.8f},
    {"DisplayP3", {0.3127, 0.3290, 0.68, 0.32, 0.265, 0.69, 0.15, 0.06}, 0},
};

// Colours well inside sRGB.
const QRgb kPatches[] = {qRgb(8, 200, 5),     qRgb(200, 30, 40), qRgb(30, 60, 190),   qRgb(240, 220, 90),
                         qRgb(128, 128, 128), qRgb(20, 20, 20),  qRgb(250, 250, 250), qRgb(90, 160, 200)};
constexpr int kPatchCount = 8, kPatchSide = 16;

QColorSpace Space(const cSpace& space) {
    const double* xy = space.Xy;
    return QColorSpace(QPointF(xy[0], xy[1]), QPointF(xy[2], xy[3]), QPointF(xy[4], xy[5]), QPointF(xy[6], xy[7]),
                       space.Gamma > 0 ? QColorSpace::TransferFunction::Gamma : QColorSpace::TransferFunction::SRgb,
                       space.Gamma);
}

// The patches in a row, in the values of oSpace; with bAlpha as 32-bit with
// an (opaque) alpha channel.
cBitmap PatchBitmap(const QColorSpace& oSpace, bool bAlpha) {
    const QColorTransform own = QColorSpace(QColorSpace::SRgb).transformationToColorSpace(oSpace);
    QImage image(kPatchCount * kPatchSide, kPatchSide, QImage::Format_ARGB32);
    for (int y = 0; y < kPatchSide; ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, own.map(kPatches[x / kPatchSide]));
    return BitmapOf(image, bAlpha ? PixelFormat32bppARGB : PixelFormat32bppRGB);
}

// jpeg without its ICC profile segments.
QByteArray WithoutIccSegments(const QByteArray& jpeg) {
    QByteArray kept = jpeg.left(2);
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF && uint8_t(jpeg[at + 1]) != 0xDA) {
        const qsizetype length = 2 + (uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3]));
        if (!(uint8_t(jpeg[at + 1]) == 0xE2 && jpeg.mid(at + 4, 11) == "ICC_PROFILE"))
            kept += jpeg.mid(at, length);
        at += length;
    }
    return kept + jpeg.mid(at);
}

QByteArray BigEndian32(quint32 lValue) {
    const quint32 bytes = qToBigEndian(lValue);
    return QByteArray(reinterpret_cast<const char*>(&bytes), 4);
}

// A PNG with an iCCP chunk after IHDR (Exiv2 0.27 writes one without a name,
// which libpng rejects).
QByteArray TagPng(const QByteArray& png, const QByteArray& profile) {
    const QByteArray body = QByteArray("iCCPICC\0\0", 9) + qCompress(profile).mid(4); // zlib stream
    const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    return png.left(33) + BigEndian32(quint32(body.size() - 4)) + body + BigEndian32(crc) + png.mid(33);
}

// A JPEG with the profile spread over three APP2 segments, as big profiles are.
QByteArray TagJpeg(const QByteArray& jpeg, const QByteArray& profile) {
    QByteArray segments;
    const qsizetype part = (profile.size() + 2) / 3;
    for (int seq = 1; seq <= 3; ++seq) {
        const QByteArray chunk = profile.mid((seq - 1) * part, part);
        segments += "\xFF\xE2" + BigEndian32(quint32(2 + 14 + chunk.size())).mid(2) + QByteArray("ICC_PROFILE", 12) +
                    char(seq) + char(3) + chunk;
    }
    return jpeg.left(2) + segments + jpeg.mid(2);
}

std::unique_ptr<Exiv2::Image> ReadDetails(const QString& sPath) {
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(QFile::encodeName(sPath).toStdString()).release());
    image->readMetadata();
    return image;
}

// Gives the image file sPath the ICC profile, through Exiv2's writer.
void SetIccProfile(const QString& sPath, const QByteArray& profile) {
    std::unique_ptr<Exiv2::Image> image = ReadDetails(sPath);
    Exiv2::DataBuf icc(reinterpret_cast<const Exiv2::byte*>(profile.data()), profile.size());
    image->setIccProfile(icc);
    image->writeMetadata();
}

class Photos : public BatchSave {
  protected:
    void SetUp() override {
        BatchSave::SetUp();
        mJob.SizeIndex = 5;
        mJob.CustomSize = QString::number(kPatchCount * kPatchSide);
    }

    // JPEG at quality 100, so that the source adds no visible error.
    QByteArray Encode(cBitmap bitmap, const char* sExtension) {
        const int32_t encoder = mGdip.ExtensionExists(QStringLiteral("*.") + sExtension);
        return EncodeImageWith(std::make_unique<cBitmap>(std::move(bitmap)), sExtension, mGdip.EncoderClsid(encoder),
                               100, true);
    }

    // Saves sName through the batch save as sFormat; the written image.
    QImage Save(const QString& sName, const QString& sFormat) {
        for (const QString& name : OutputEntries())
            QFile::remove(Out(name));
        mJob.OutputFormat = sFormat;
        mList.Entries = {{mIn.path(), sName, {}}};
        EXPECT_EQ(Run().Saved, 1) << sName.toStdString();
        mPath = Out(OutputEntries().value(0));
        cBitmap written;
        written.LoadFromFile(mPath);
        return written.Picture();
    }
    bool CopyFieldFile(const QString& sName) {
        return QFile::exists(In(sName)) ||
               QFile::copy(QStringLiteral(QUILLET_TEST_DATA "/field-faults/") + sName, In(sName));
    }

    QString mPath; // of the last file saved
};

TEST_F(Photos, TaggedSourcesComeOutInTrueSrgbInEveryFormat) {
    mJob.QualityIndex = 3;
    for (const cSpace& space : kSpaces) {
        SCOPED_TRACE(space.Name);
        const QColorSpace colours = Space(space);
        const QByteArray icc = colours.iccProfile();
        ASSERT_TRUE(WriteAll(In("p.jpg"), TagJpeg(Encode(PatchBitmap(colours, false), "jpg"), icc)));
        ASSERT_TRUE(WriteAll(In("p.png"), TagPng(Encode(PatchBitmap(colours, false), "png"), icc)));
        ASSERT_TRUE(WriteAll(In("pa.png"), TagPng(Encode(PatchBitmap(colours, true), "png"), icc)));
        cBitmap withAlpha;
        withAlpha.LoadFromFile(In("pa.png"));
        ASSERT_EQ(withAlpha.PixelFormat(), PixelFormat32bppARGB);
        ASSERT_TRUE(WriteAll(In("p.tif"), Encode(PatchBitmap(colours, false), "tif")));
        SetIccProfile(In("p.tif"), icc);
        // The centre pixel of every patch (nearest-neighbour scaling keeps
        // it), within 10 of the source's sRGB colour in each channel.
        auto expectTrueColours = [&](const QImage& image) {
            const QImage centres = image.scaled(kPatchCount, 1);
            for (int i = 0; i < kPatchCount; ++i) {
                const QRgb got = centres.pixel(i, 0), want = kPatches[i];
                EXPECT_LE(std::max({std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)),
                                    std::abs(qBlue(got) - qBlue(want))}),
                          10)
                    << "patch " << i << ": " << std::hex << got;
            }
        };
        for (const auto& [source, format] : {std::pair("p.jpg", "JPG"),
                                             {"p.jpg", "BMP"},
                                             {"p.png", "PNG"},
                                             {"p.png", "GIF"},
                                             {"pa.png", "PNG"},
                                             {"p.tif", "DFT"}}) {
            SCOPED_TRACE(std::string(source) + " as " + format);
            expectTrueColours(Save(QString::fromLatin1(source), QString::fromLatin1(format)));
        }
    }
}

// Untagged pixels, an sRGB profile and a broken one are all taken as sRGB:
// the lossless outputs equal the source bit for bit. A grey profile on a
// colour photo does not describe it and is ignored: the photo comes out as it
// does without the profile.
TEST_F(Photos, UntaggedSrgbBrokenAndForeignProfilesLeavePixelsAlone) {
    const QByteArray srgb = QColorSpace(QColorSpace::SRgb).iccProfile();
    QByteArray broken = srgb;
    broken.replace(128, 4, "\xFF\xFF\xFF\xFF"); // the tag count
    const QImage source = MakeRamp(64, 48).Picture();
    const QByteArray png = Encode(MakeRamp(64, 48), "png");
    const std::pair<const char*, QByteArray> files[] = {{"untagged.png", png},
                                                        {"srgb.png", TagPng(png, srgb)},
                                                        {"broken.png", TagPng(png, broken)},
                                                        {"broken.tif", Encode(MakeRamp(64, 48), "tif")}};
    mJob.CustomSize = QStringLiteral("64");
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteAll(In(name), bytes));
        if (QString(name).endsWith(".tif"))
            SetIccProfile(In(name), broken);
        EXPECT_EQ(Save(QString::fromLatin1(name), "BMP").convertToFormat(source.format()), source);
    }
    const QByteArray grey = ReadAll(QStringLiteral(QUILLET_TEST_DATA "/field-faults/rgb_with_gray_profile.jpg"));
    ASSERT_TRUE(WriteAll(In("grey-tagged.jpg"), grey));
    ASSERT_TRUE(WriteAll(In("untagged.jpg"), WithoutIccSegments(grey)));
    ASSERT_LT(WithoutIccSegments(grey).size(), grey.size());
    mJob.CustomSize = QStringLiteral("0");
    EXPECT_EQ(Save("grey-tagged.jpg", "BMP"), Save("untagged.jpg", "BMP"));
}

// Writes a camera's details into the image file sPath; bSideways adds
// orientation 6 (the pixels are stored turned a quarter to the left).
void WriteCameraDetails(const QString& sPath, bool bSideways) {
    std::unique_ptr<Exiv2::Image> image = ReadDetails(sPath);
    Exiv2::ExifData& exif = image->exifData();
    exif["Exif.Image.Make"] = "Canon";
    exif["Exif.Image.Model"] = "Canon EOS 5D";
    exif["Exif.Image.Copyright"] = "Ada Lovelace";
    if (bSideways)
        exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 14:03:22";
    exif["Exif.Photo.PixelXDimension"] = uint32_t(40);
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "52/1 30/1 0/1";
    image->xmpData()["Xmp.dc.creator"] = "Ada Lovelace";
    image->xmpData()["Xmp.photoshop.City"] = "London";
    image->iptcData()["Iptc.Application2.City"] = "London";
    image->writeMetadata();
}

// WebP, AVIF and JPEG XL, read back by their reference tools; the details
// of every format by exiftool.
struct cModernFormat {
    const char* Code;
    const char* Extension;
    QStringList (*DecodeArguments)(const QString& sIn, const QString& sOut);
};

const cModernFormat kModernFormats[] = {
    {"WEBP", "webp",
     [](const QString& in, const QString& out) {
         return QStringList{"dwebp", in, "-o", out};
     }},
    {"AVIF", "avif",
     [](const QString& in, const QString& out) {
         return QStringList{"avifdec", in, out};
     }},
    {"JXL", "jxl",
     [](const QString& in, const QString& out) {
         return QStringList{"djxl", in, out};
     }},
};

// Runs a tool to its end; its standard output, or nullopt when it failed.
std::optional<QByteArray> RunTool(const QStringList& aCommand) {
    QProcess tool;
    tool.start(aCommand.first(), aCommand.mid(1));
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return tool.readAllStandardOutput();
}

// The image as the format's reference decoder gives it, as a PNG read by Qt.
QImage ReferenceDecode(const cModernFormat& format, const QString& sPath) {
    const QString png = sPath + QStringLiteral(".png");
    const bool decoded = RunTool(format.DecodeArguments(sPath, png)).has_value();
    EXPECT_TRUE(decoded) << format.Code;
    return decoded ? QImage(png) : QImage();
}

// The details exiftool finds in each of aPaths, as JSON objects by path.
std::map<QString, QJsonObject> ExifToolDetails(const QStringList& aPaths) {
    const std::optional<QByteArray> json = RunTool(QStringList{"exiftool", "-j", "-n"} + aPaths);
    EXPECT_TRUE(json.has_value());
    std::map<QString, QJsonObject> found;
    for (const QJsonValue& file : QJsonDocument::fromJson(json.value_or(QByteArray())).array())
        found[file[QStringLiteral("SourceFile")].toString()] = file.toObject();
    return found;
}

// Camera, date, author and copyright come along unless stripped, the
// location only when asked for, the turn never (the pixels are turned).
TEST_F(Photos, DetailsSurviveAsChosenWithoutOrientationOrLocation) {
    ASSERT_TRUE(WriteRamp(mGdip, In("cam.jpg"), 40, 20, "jpg"));
    ASSERT_TRUE(WriteRamp(mGdip, In("cam.tif"), 40, 20, "tif"));
    WriteCameraDetails(In("cam.jpg"), true);
    WriteCameraDetails(In("cam.tif"), false);
    mJob.CustomSize = QStringLiteral("20");
    // The 20-pixel-high upright JPEG, the 20-pixel-wide TIFF.
    const std::tuple<const char*, const char*, QSize> runs[] = {
        {"cam.jpg", "JPG", {10, 20}},  {"cam.jpg", "PNG", {10, 20}},  {"cam.tif", "DFT", {20, 10}},
        {"cam.jpg", "WEBP", {10, 20}}, {"cam.jpg", "AVIF", {10, 20}}, {"cam.jpg", "JXL", {10, 20}}};
    for (ePhotoDetails mode : {ePhotoDetails::Keep, ePhotoDetails::KeepLocation, ePhotoDetails::Strip}) {
        QStringList saved; // one copy of each output, for one run of exiftool
        for (const auto& [source, format, size] : runs) {
            SCOPED_TRACE(std::string(source) + " as " + format);
            mJob.PhotoDetails = mode;
            EXPECT_EQ(Save(QString::fromLatin1(source), QString::fromLatin1(format)).size(), size);
            for (const cModernFormat& modern : kModernFormats)
                if (qstrcmp(modern.Code, format) == 0) {
                    EXPECT_EQ(ReferenceDecode(modern, mPath).size(), size);
                }
            saved << In(QStringLiteral("saved-%1.%2").arg(format, QFileInfo(mPath).suffix()));
            QFile::remove(saved.back());
            ASSERT_TRUE(QFile::copy(mPath, saved.back()));
        }
        const std::map<QString, QJsonObject> details = ExifToolDetails(saved);
        for (qsizetype i = 0; i < saved.size(); ++i) {
            SCOPED_TRACE(PhotoDetailsCode(mode).toStdString() + " " + saved[i].toStdString());
            const QJsonObject found = details.count(saved[i]) ? details.at(saved[i]) : QJsonObject();
            const bool kept = mode != ePhotoDetails::Strip;
            const bool located = mode == ePhotoDetails::KeepLocation;
            EXPECT_EQ(found.value("Model").toString(), kept ? "Canon EOS 5D" : "");
            EXPECT_EQ(found.value("Copyright").toString(), kept ? "Ada Lovelace" : "");
            EXPECT_EQ(found.value("DateTimeOriginal").toString(), kept ? "2024:05:01 14:03:22" : "");
            EXPECT_EQ(found.value("Creator").toString(), kept ? "Ada Lovelace" : "");
            EXPECT_EQ(found.value("ExifImageWidth").toInt(), kept ? std::get<2>(runs[i]).width() : 0);
            EXPECT_EQ(found.contains("GPSLatitude"), located);
            EXPECT_EQ(found.value("City").toString(), located ? "London" : "");
            EXPECT_EQ(found.value("Orientation").toInt(1), 1);
        }
    }
    const cPhotoSummary summary = ReadPhotoSummary(In("cam.jpg"));
    EXPECT_EQ(summary.DateTaken, QStringLiteral("2024-05-01 14:03:22"));
    EXPECT_EQ(summary.Camera, QStringLiteral("Canon EOS 5D"));
}

// Files as editors, drones, cameras and phones write them, with the location
// and a turn hidden outside EXIF's GPS block: in Photoshop resources, raw
// packets inside EXIF, a second XMP packet, a drone's own XMP, maker notes
// and HEIF items. Saved as every format that carries details, with the choice
// a new run starts with, nothing names a place, a turn or the source's path;
// asked for, the location comes along from every block, the turn never.
struct cFieldFile {
    const char* Name;
    const char* Model;               // of the camera, kept; "" when the file names none
    const char* Date;                // taken, kept
    std::vector<std::string> Places; // keys kept when the location is asked for
};

const cFieldFile kFieldFiles[] = {
    {"photoshop_irb.tif", "Canon Model X100", "2021:06:01 12:34:56", {"Iptc.Application2.City"}},
    {"tiff_dup_xmlpacket.tif", "Canon Model X100", "2021:06:01 12:34:56", {"Xmp.photoshop.City"}},
    {"exif_ifd0_blobs.jpg", "Canon Model X100", "2021:06:01 12:34:56", {}},
    {"dji_gps.jpg", "", "", {}},
    {"panasonic_location.jpg", "DMC-GX80", "2021:06:01 12:34:56", {}},
    {"phone.heic", "EOS", "", {"Exif.GPSInfo.GPSLatitude", "Xmp.photoshop.City"}}};

// Keys that name a place or a turn, in any block and namespace.
std::vector<std::string> PlaceOrTurnKeys(const Exiv2::Image& image) {
    std::vector<std::string> keys;
    auto check = [&keys](const std::string& sKey) {
        const QString key = QString::fromStdString(sKey).toLower();
        for (const char* word : {"gps", "location", "city", "state", "country", "sublocation", "place", "orientation"})
            if (key.contains(QLatin1String(word)))
                keys.push_back(sKey);
    };
    for (const auto& datum : image.exifData())
        check(datum.key());
    for (const auto& datum : image.iptcData())
        check(datum.key());
    for (const auto& datum : image.xmpData())
        check(datum.key());
    return keys;
}

std::string ExifText(const Exiv2::Image& image, const char* sKey) {
    const auto it = image.exifData().findKey(Exiv2::ExifKey(sKey));
    return it == image.exifData().end() ? std::string() : it->toString();
}

TEST_F(Photos, FieldFilesKeepNoPlaceNoTurnAndNoPathByDefault) {
    const ePhotoDetails byDefault = mJob.PhotoDetails;
    mJob.CustomSize = QStringLiteral("50");
    for (const cFieldFile& file : kFieldFiles) {
        const QString name = QString::fromLatin1(file.Name);
        ASSERT_TRUE(CopyFieldFile(name));
        QStringList formats = {QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("WEBP")};
        if (name.endsWith(u".tif"))
            formats << QStringLiteral("DFT");
        for (const QString& format : formats) {
            SCOPED_TRACE(name.toStdString() + " as " + format.toStdString());
            mJob.PhotoDetails = byDefault;
            Save(name, format);
            const auto image = ReadDetails(mPath);
            EXPECT_EQ(PlaceOrTurnKeys(*image), std::vector<std::string>());
            const QByteArray bytes = ReadAll(mPath);
            EXPECT_FALSE(bytes.contains(QFile::encodeName(mIn.path())));
            EXPECT_FALSE(bytes.contains(file.Name));
            if (format == u"WEBP")
                continue;
            EXPECT_EQ(ExifText(*image, "Exif.Image.Model"), file.Model);
            EXPECT_EQ(ExifText(*image, "Exif.Photo.DateTimeOriginal"), file.Date);
            if (format != u"JPG")
                continue;
            mJob.PhotoDetails = ePhotoDetails::KeepLocation;
            Save(name, format);
            const std::vector<std::string> found = PlaceOrTurnKeys(*ReadDetails(mPath));
            for (const std::string& key : file.Places)
                EXPECT_NE(std::find(found.begin(), found.end(), key), found.end()) << key;
            for (const std::string& each : found)
                EXPECT_EQ(each.find("rientation"), std::string::npos) << each;
        }
    }
}

// Each quality option, with and without alpha: the reference decoder reads
// the size, the alpha and colours close to the source's, closer and larger
// with each step up.
TEST_F(Photos, ModernFormatsRoundTripAtEveryQuality) {
    QImage source = MakeRamp(96, 64).Picture().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 96; ++x)
            source.setPixel(x, y, qRgba(x * 2, 40, 200, y < 8 ? 0 : 128));
    ASSERT_TRUE(source.save(In("alpha.png")));
    ASSERT_TRUE(MakeRamp(96, 64).Picture().save(In("plain.png")));
    mJob.CustomSize = QStringLiteral("96");
    for (const cModernFormat& format : kModernFormats) {
        for (const char* name : {"alpha.png", "plain.png"}) {
            const QImage want = QImage(In(QString::fromLatin1(name))).convertToFormat(QImage::Format_ARGB32);
            const bool alpha = want.hasAlphaChannel() && want.pixelColor(0, 0).alpha() == 0;
            qint64 previousSize = 0;
            double previousError = 1e9;
            for (int16_t quality = 0; quality < 4; ++quality) {
                SCOPED_TRACE(std::string(format.Code) + " " + name + " quality " + std::to_string(quality));
                mJob.QualityIndex = quality;
                Save(QString::fromLatin1(name), QString::fromLatin1(format.Code));
                const QImage got = ReferenceDecode(format, mPath).convertToFormat(QImage::Format_ARGB32);
                ASSERT_EQ(got.size(), want.size());
                EXPECT_EQ(got.pixelColor(5, 2).alpha(), alpha ? 0 : 255);
                EXPECT_NEAR(got.pixelColor(5, 12).alpha(), alpha ? 128 : 255, 2);
                double error = 0;
                for (int y = 16; y < 64; ++y)
                    for (int x = 0; x < 96; ++x)
                        for (int shift : {0, 8, 16})
                            error += std::abs(int((got.pixel(x, y) >> shift) & 255) -
                                              int((want.pixel(x, y) >> shift) & 255));
                error /= 96 * 48 * 3;
                EXPECT_LT(error, 12.0);
                EXPECT_LE(error, previousError);
                EXPECT_GT(QFileInfo(mPath).size(), previousSize);
                previousError = error;
                previousSize = QFileInfo(mPath).size();
            }
        }
    }
}

} // namespace

#pragma GCC diagnostic pop
