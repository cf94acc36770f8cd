#include "BatchArguments.h"

#include "NameBytes.h"
#include "ImageFormats.h"
#include "OutputFolder.h"
#include "OutputOptions.h"
#include "SizeLimit.h"
#include "SizeList.h"
#include "cNameTemplate.h"
#include "gp_flat.h"

#include <QCommandLineParser>

#include <algorithm>
#include <optional>

namespace {

// The largest --size whose square stays within the imaging library's pixel cap.
constexpr int kMaxBatchSize = kMaxCustomSize;
static_assert(int64_t{kMaxBatchSize} * kMaxBatchSize <= static_cast<int64_t>(GpMaxImagePixels));

// Index of sValue in aNames (case-insensitive), or nullopt.
std::optional<int16_t> IndexOf(const QString& sValue, const QStringList& aNames) {
    for (qsizetype i = 0; i < aNames.size(); ++i)
        if (sValue.compare(aNames[i], Qt::CaseInsensitive) == 0)
            return static_cast<int16_t>(i);
    return std::nullopt;
}

QString BadValue(const QString& sOption, const QString& sValue, const QString& sAllowed) {
    return QStringLiteral("invalid value '%1' for --%2 (expected %3)").arg(sValue, sOption, sAllowed);
}

// "a, b or c".
QString Alternatives(const QStringList& aNames) {
    return aNames.mid(0, aNames.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ") + aNames.back();
}

// Stores the value an option's text gave in oInto and returns "", or
// returns sError when the text gave none.
template <typename tValue, typename tInto>
QString Store(const std::optional<tValue>& value, tInto& oInto, const QString& sError) {
    if (!value)
        return sError;
    oInto = static_cast<tInto>(*value);
    return {};
}

// Sets oIndex to the place of sValue among aNames, the values --sOption takes.
template <typename tIndex>
QString Choose(const QString& sValue, const QString& sOption, const QStringList& aNames, tIndex& oIndex) {
    return Store(IndexOf(sValue, aNames), oIndex, BadValue(sOption, sValue, Alternatives(aNames)));
}

const QStringList kSizePresets = {"thumbnail", "small", "medium", "large", "huge"};

// One --size item: a preset name or a pixel count; "" or an error text.
QString SizeItem(const QString& sValue, int16_t& iSize) {
    if (const std::optional<int16_t> preset = IndexOf(sValue, kSizePresets)) {
        iSize = SizeTagValue(*preset);
        return {};
    }
    // A pixel count is plain digits, as in the window's custom size box:
    // "-100" or "1e3" is a slip of the keyboard, not a size.
    const bool digits =
        !sValue.isEmpty() && std::all_of(sValue.begin(), sValue.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digits || !ValidateCustomSize(sValue))
        return BadValue(QStringLiteral("size"), sValue,
                        QStringLiteral("thumbnail, small, medium, large, huge or a number of "
                                       "pixels up to %1, or several separated by commas")
                            .arg(kMaxBatchSize));
    // A square image becomes size x size pixels: refused here rather than
    // image by image as "could not be encoded".
    const int64_t side = *ValidateCustomSize(sValue);
    if (side > 0 && side * side > static_cast<int64_t>(GpMaxImagePixels))
        return QStringLiteral("--size %1 is too large: a square image would become %1 x %1 pixels, more than "
                              "the %2 pixels an image may have (use at most %3)")
            .arg(side)
            .arg(GpMaxImagePixels)
            .arg(kMaxBatchSize);
    iSize = static_cast<int16_t>(side);
    return {};
}

// Sets the size from one item, or several separated by commas (one output
// of each image per size); "" or an error text.
QString ApplySize(const QString& sValue, cBatchArguments& arguments) {
    const QStringList items = sValue.split(u',');
    if (items.size() == 1) {
        if (const std::optional<int16_t> preset = IndexOf(sValue, kSizePresets)) {
            arguments.Job.SizeIndex = *preset;
            return {};
        }
    }
    std::vector<int16_t> sizes;
    for (const QString& item : items) {
        if (items.size() > 1 && item.trimmed().isEmpty())
            return QStringLiteral("invalid value '%1' for --size: the list has an empty size (two commas "
                                  "together, or a comma at one end)")
                .arg(sValue);
        int16_t size = 0;
        if (const QString error = SizeItem(item.trimmed(), size); !error.isEmpty())
            return error;
        sizes.push_back(size);
    }
    // The list as the custom size box takes it, which refuses repeats and
    // too many sizes.
    const QString text = SizeListText(sizes);
    if (const cSizeList list = ParseSizeList(text); !list.Error.isEmpty())
        return QStringLiteral("invalid value '%1' for --size: %2").arg(sValue, list.Error);
    arguments.Job.SizeIndex = kCustomSizeIndex;
    arguments.Job.CustomSize = text;
    return {};
}

// The Save menu's codes, "original" standing for "DFT".
QString ApplyFormat(const QString& sValue, cBatchArguments& arguments) {
    const QStringList codes = SaveFormatCodes();
    QStringList names = QStringList{QStringLiteral("original")} + codes.mid(1);
    for (QString& name : names)
        name = name.toLower();
    const std::optional<int16_t> index = IndexOf(sValue, names);
    return Store(index ? std::optional(codes.at(*index)) : std::nullopt, arguments.Job.OutputFormat,
                 BadValue(QStringLiteral("format"), sValue, Alternatives(names)));
}

QString ApplyMetadata(const QString& sValue, cBatchArguments& arguments) {
    return Store(PhotoDetailsFromCode(sValue.toLower()), arguments.Job.PhotoDetails,
                 BadValue(QStringLiteral("metadata"), sValue, QStringLiteral("keep, keep-location or strip")));
}

QString ApplyMaxSize(const QString& sValue, cBatchArguments& arguments) {
    return Store(ParseSizeLimit(sValue), arguments.Job.MaxBytes,
                 BadValue(QStringLiteral("max-size"), sValue,
                          QStringLiteral("a size of at least 1K such as 300K, 1.5M or 250000")));
}

QString ApplyName(const QString& sValue, cBatchArguments& arguments) {
    QString error;
    if (!cNameTemplate::Parse(sValue, error))
        return QStringLiteral("invalid value '%1' for --name: %2").arg(sValue, error);
    arguments.Job.NameTemplate = sValue;
    return {};
}

QString ApplyJobs(const QString& sValue, cBatchArguments& arguments) {
    bool ok = false;
    const int count = sValue.toInt(&ok);
    return Store(ok && count >= 1 && count <= kMaxBatchJobs ? std::optional(count) : std::nullopt, arguments.Jobs,
                 BadValue(QStringLiteral("jobs"), sValue, QStringLiteral("a number from 1 to 64")));
}

// Every option, with the name of its value ("" for an option without one).
const std::pair<QStringList, const char*> kOptions[] = {
    {{"o", "output"}, "DIR"}, {{"size"}, "SIZE"},      {{"quality"}, "QUALITY"},   {{"rotate"}, "DEGREES"},
    {{"format"}, "FORMAT"},   {{"overwrite"}, "MODE"}, {{"png-fallback"}, "MODE"}, {{"no-trash"}, ""},
    {{"metadata"}, "MODE"},   {{"no-enlarge"}, ""},    {{"max-size"}, "LIMIT"},    {{"no-keep-dates"}, ""},
    {{"size-folders"}, ""},   {{"name"}, "TEMPLATE"},  {{"j", "jobs"}, "N"},       {{"r", "recursive"}, ""},
    {{"keep-folders"}, ""},   {{"q", "quiet"}, ""},    {{"h", "help"}, ""},        {{"version"}, ""}};

} // namespace

cBatchArguments ParseBatchArguments(const QStringList& aArguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const auto& [names, valueName] : kOptions)
        parser.addOption(QCommandLineOption(names, {}, QString::fromLatin1(valueName)));
    parser.addPositionalArgument("FILE", {});

    cBatchArguments arguments;
    if (!parser.parse(QStringList{QStringLiteral("quillet-batch")} + aArguments)) {
        arguments.Error = parser.errorText();
        return arguments;
    }
    arguments.ShowHelp = parser.isSet("help");
    arguments.ShowVersion = parser.isSet("version");
    if (arguments.ShowHelp || arguments.ShowVersion)
        return arguments;
    arguments.Quiet = parser.isSet("quiet");
    arguments.Recursive = parser.isSet("recursive");
    arguments.Job.KeepFolders = parser.isSet("keep-folders");
    arguments.Job.ReplaceOutright = parser.isSet("no-trash");
    arguments.Job.NoEnlarge = parser.isSet("no-enlarge");
    arguments.Job.KeepDates = !parser.isSet("no-keep-dates");
    arguments.Job.SizeFolders = parser.isSet("size-folders");

    // The values in this order: the first bad one is the one reported.
    const auto apply = [&](const char* sOption, auto fApply) {
        if (arguments.Error.isEmpty() && parser.isSet(sOption))
            arguments.Error = fApply(parser.value(sOption), arguments);
    };
    const auto choose = [&](const char* sOption, const QStringList& aNames, auto& oIndex) {
        apply(sOption,
              [&](const QString& sValue, cBatchArguments&) { return Choose(sValue, sOption, aNames, oIndex); });
    };
    apply("size", ApplySize);
    choose("quality", {"low", "medium", "high", "maximum"}, arguments.Job.QualityIndex);
    choose("rotate", {"0", "90", "180", "270"}, arguments.Job.RotationIndex);
    apply("format", ApplyFormat);
    choose("overwrite", {"ask", "all", "none"}, arguments.Overwrite);
    choose("png-fallback", {"ask", "yes", "no"}, arguments.PngFallback);
    apply("metadata", ApplyMetadata);
    apply("max-size", ApplyMaxSize);
    apply("name", ApplyName);
    apply("jobs", ApplyJobs);
    if (!arguments.Error.isEmpty())
        return arguments;

    arguments.OutputFolder = parser.value("output");
    arguments.Files = parser.positionalArguments();
    if (arguments.OutputFolder.isEmpty())
        arguments.Error = QStringLiteral("no output folder given (-o DIR)");
    else if (const QString reason = UnwritableFolderReason(arguments.OutputFolder); !reason.isEmpty())
        arguments.Error = QStringLiteral("the output folder '%1' cannot be used: %2")
                              .arg(DisplayName(arguments.OutputFolder), reason);
    else if (arguments.Files.isEmpty())
        arguments.Error = QStringLiteral("no image files given");
    return arguments;
}

QString BatchHelpText() {
    return QStringLiteral("Usage: quillet-batch [options] -o DIR FILE...\n"
                          "Resizes, rotates and converts image files into the folder DIR, writing the\n"
                          "same files under the same names as Quillet's Save button. A FILE that is a\n"
                          "folder gives the image files inside it, sorted by name.\n"
                          "\n"
                          "Options:\n"
                          "  -o, --output DIR        folder to write into (must exist)\n"
                          "  --size SIZE             thumbnail (100), small (200), medium (350),\n"
                          "                          large (640), huge (800) or a number of pixels\n"
                          "                          for the longer side, up to 16384; 0 keeps each\n"
                          "                          image's size (default thumbnail). Several sizes\n"
                          "                          separated by commas (320,640,1280) decode each\n"
                          "                          image once and write one file per size, named\n"
                          "                          NAME-320.EXT, NAME-640.EXT...\n"
                          "  --size-folders          write each size into a folder named after it\n"
                          "                          inside DIR (320/NAME.EXT, 640/NAME.EXT...)\n"
                          "  --name TEMPLATE         output names (before the extension) made of text\n"
                          "                          and {name} (the source's name, spaces made _),\n"
                          "                          {w} and {h} (the output's pixel size), {q} (the\n"
                          "                          quality), {n} (the position, {n:3} gives 001),\n"
                          "                          {date} (date taken, else the file's date, as\n"
                          "                          2024-05-01); a template that gives two outputs\n"
                          "                          one name is refused before any image is saved\n"
                          "  --quality QUALITY       JPG, WebP, AVIF and JPEG XL quality: low (48),\n"
                          "                          medium (66), high (84), maximum (100) (default\n"
                          "                          medium); it applies to .jpg, .webp, .avif and\n"
                          "                          .jxl outputs, while .jpeg, .jpe and .jfif files\n"
                          "                          kept in their own format get the encoder's 75\n"
                          "  --no-enlarge            images smaller than SIZE keep their own size\n"
                          "                          (they are still turned and converted)\n"
                          "  --rotate DEGREES        0, 90, 180 or 270 clockwise (default 0)\n"
                          "  --format FORMAT         original, bmp, gif, jpg, png, webp, avif or jxl\n"
                          "                          (default original)\n"
                          "  --max-size LIMIT        limit each file to LIMIT bytes, or kilobytes or\n"
                          "                          megabytes with K or M (300K, 1.5M; 1K = 1024):\n"
                          "                          JPG, WebP, AVIF and JPEG XL files take the best\n"
                          "                          quality that fits, from --quality down to 30;\n"
                          "                          when 30 does not fit, and for other formats, the\n"
                          "                          image shrinks in steps of a tenth of its size, to\n"
                          "                          a quarter at most. Photo details count. A file\n"
                          "                          that still does not fit is saved at its smallest\n"
                          "                          and listed as over the limit (exit status 1)\n"
                          "  --no-keep-dates         outputs get the time they were written; by\n"
                          "                          default each takes its source file's date\n"
                          "  --overwrite MODE        ask, all or none: replace existing files\n"
                          "                          (default ask: y/a/n on the terminal)\n"
                          "  --png-fallback MODE     ask, yes or no: write PNG where the format cannot\n"
                          "                          be written (default ask)\n"
                          "  --no-trash              replace existing files outright, keeping no copy\n"
                          "  --metadata MODE         photo details (EXIF, IPTC, XMP: date taken,\n"
                          "                          camera, copyright...) in JPG, PNG, TIFF, WebP,\n"
                          "                          AVIF and JPEG XL files: keep (without the\n"
                          "                          location), keep-location or strip (default keep)\n"
                          "  -j, --jobs N            images worked on at once, 1 to 64 (default: the\n"
                          "                          number of processor cores; 1 works one image\n"
                          "                          after the other)\n"
                          "  -r, --recursive         take the images in the subfolders of folders\n"
                          "                          too (hidden folders are skipped)\n"
                          "  --keep-folders          with -r, each image goes into the same subfolder\n"
                          "                          of DIR as it has in the folder given (made as\n"
                          "                          needed); by default all go into DIR itself\n"
                          "  -q, --quiet             print only errors\n"
                          "  -h, --help              show this text\n"
                          "  --version               show the version\n"
                          "\n"
                          "Colours: images with an ICC colour profile (Adobe RGB, ProPhoto, Display P3,\n"
                          "CMYK...) are converted to sRGB; outputs are sRGB without a profile. The\n"
                          "orientation, thumbnail and colour tags of the details are never copied;\n"
                          "BMP and GIF files carry no details.\n"
                          "\n"
                          "Without a terminal, questions left at 'ask' are answered no, and each is\n"
                          "reported on stderr. Replaced files are moved to the trash; a file that\n"
                          "cannot go there is kept, and its image is not written.\n"
                          "\n"
                          "Two images of one run never share an output name: without --name the\n"
                          "later one is saved as NAME-2.EXT (-3, ...), and stderr lists it.\n"
                          "\n"
                          "Exit status: 0 when every image was written under its own name, 1 when an\n"
                          "image failed, was not written because an answer declined it, took a\n"
                          "numbered name or is over --max-size, 2 on bad usage (a --name template\n"
                          "that gives two outputs one name included).\n");
}
