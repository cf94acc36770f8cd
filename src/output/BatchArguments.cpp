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

// One --size item: a preset name or a pixel count; "" or an error text.
QString SizeItem(const QString& sValue, int16_t& iSize) {
    const QStringList presets = {"thumbnail", "small", "medium", "large", "huge"};
    if (const std::optional<int16_t> preset = IndexOf(sValue, presets)) {
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
QString ApplySize(const QString& sValue, cSaveJob& options) {
    const QStringList items = sValue.split(u',');
    if (items.size() == 1) {
        const QStringList presets = {"thumbnail", "small", "medium", "large", "huge"};
        if (const std::optional<int16_t> preset = IndexOf(sValue, presets)) {
            options.SizeIndex = *preset;
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
    options.SizeIndex = kCustomSizeIndex;
    options.CustomSize = text;
    return {};
}

std::optional<eBatchAnswer> AnswerPolicy(const QString& sValue, const QStringList& aNames) {
    const std::optional<int16_t> index = IndexOf(sValue, aNames);
    if (!index)
        return std::nullopt;
    return static_cast<eBatchAnswer>(*index);
}

} // namespace

cBatchArguments ParseBatchArguments(const QStringList& aArguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption output(QStringList{"o", "output"}, {}, "DIR");
    const QCommandLineOption size("size", {}, "SIZE");
    const QCommandLineOption quality("quality", {}, "QUALITY");
    const QCommandLineOption rotate("rotate", {}, "DEGREES");
    const QCommandLineOption format("format", {}, "FORMAT");
    const QCommandLineOption overwrite("overwrite", {}, "MODE");
    const QCommandLineOption pngFallback("png-fallback", {}, "MODE");
    const QCommandLineOption noTrash("no-trash");
    const QCommandLineOption metadata("metadata", {}, "MODE");
    const QCommandLineOption noEnlarge("no-enlarge");
    const QCommandLineOption maxSize("max-size", {}, "LIMIT");
    const QCommandLineOption noKeepDates("no-keep-dates");
    const QCommandLineOption sizeFolders("size-folders");
    const QCommandLineOption nameTemplate("name", {}, "TEMPLATE");
    const QCommandLineOption jobs(QStringList{"j", "jobs"}, {}, "N");
    const QCommandLineOption recursive(QStringList{"r", "recursive"});
    const QCommandLineOption keepFolders("keep-folders");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    parser.addOptions({output,  size,      quality,     rotate,  format,      overwrite,   pngFallback,
                       noTrash, metadata,  noEnlarge,   maxSize, noKeepDates, sizeFolders, nameTemplate,
                       jobs,    recursive, keepFolders, quiet,   help,        version});
    parser.addPositionalArgument("FILE", {});

    cBatchArguments arguments;
    if (!parser.parse(QStringList{QStringLiteral("quillet-batch")} + aArguments)) {
        arguments.Error = parser.errorText();
        return arguments;
    }
    arguments.ShowHelp = parser.isSet(help);
    arguments.ShowVersion = parser.isSet(version);
    if (arguments.ShowHelp || arguments.ShowVersion)
        return arguments;
    arguments.Quiet = parser.isSet(quiet);
    arguments.Recursive = parser.isSet(recursive);
    arguments.Job.KeepFolders = parser.isSet(keepFolders);
    arguments.Job.ReplaceOutright = parser.isSet(noTrash);
    arguments.Job.NoEnlarge = parser.isSet(noEnlarge);
    arguments.Job.KeepDates = !parser.isSet(noKeepDates);
    arguments.Job.SizeFolders = parser.isSet(sizeFolders);

    if (parser.isSet(size))
        arguments.Error = ApplySize(parser.value(size), arguments.Job);
    if (arguments.Error.isEmpty() && parser.isSet(quality)) {
        const auto index = IndexOf(parser.value(quality), {"low", "medium", "high", "maximum"});
        if (index)
            arguments.Job.QualityIndex = *index;
        else
            arguments.Error = BadValue("quality", parser.value(quality), "low, medium, high or maximum");
    }
    if (arguments.Error.isEmpty() && parser.isSet(rotate)) {
        const auto index = IndexOf(parser.value(rotate), {"0", "90", "180", "270"});
        if (index)
            arguments.Job.RotationIndex = *index;
        else
            arguments.Error = BadValue("rotate", parser.value(rotate), "0, 90, 180 or 270");
    }
    if (arguments.Error.isEmpty() && parser.isSet(format)) {
        // The Save menu's codes; "original" stands for "DFT".
        QStringList names = SaveFormatCodes();
        const QStringList codes = names;
        names.front() = QStringLiteral("original");
        for (QString& name : names)
            name = name.toLower();
        if (const auto index = IndexOf(parser.value(format), names))
            arguments.Job.OutputFormat = codes.at(*index);
        else
            arguments.Error = BadValue("format", parser.value(format),
                                       names.mid(0, names.size() - 1).join(QStringLiteral(", ")) +
                                           QStringLiteral(" or ") + names.back());
    }
    if (arguments.Error.isEmpty() && parser.isSet(overwrite)) {
        const auto policy = AnswerPolicy(parser.value(overwrite), {"ask", "all", "none"});
        if (policy)
            arguments.Overwrite = *policy;
        else
            arguments.Error = BadValue("overwrite", parser.value(overwrite), "ask, all or none");
    }
    if (arguments.Error.isEmpty() && parser.isSet(pngFallback)) {
        const auto policy = AnswerPolicy(parser.value(pngFallback), {"ask", "yes", "no"});
        if (policy)
            arguments.PngFallback = *policy;
        else
            arguments.Error = BadValue("png-fallback", parser.value(pngFallback), "ask, yes or no");
    }
    if (arguments.Error.isEmpty() && parser.isSet(metadata)) {
        const auto details = PhotoDetailsFromCode(parser.value(metadata).toLower());
        if (details)
            arguments.Job.PhotoDetails = *details;
        else
            arguments.Error = BadValue("metadata", parser.value(metadata), "keep, keep-location or strip");
    }
    if (arguments.Error.isEmpty() && parser.isSet(maxSize)) {
        const std::optional<int64_t> limit = ParseSizeLimit(parser.value(maxSize));
        if (limit)
            arguments.Job.MaxBytes = *limit;
        else
            arguments.Error =
                BadValue("max-size", parser.value(maxSize), "a size of at least 1K such as 300K, 1.5M or 250000");
    }
    if (arguments.Error.isEmpty() && parser.isSet(nameTemplate)) {
        QString error;
        if (cNameTemplate::Parse(parser.value(nameTemplate), error))
            arguments.Job.NameTemplate = parser.value(nameTemplate);
        else
            arguments.Error =
                QStringLiteral("invalid value '%1' for --name: %2").arg(parser.value(nameTemplate), error);
    }
    if (arguments.Error.isEmpty() && parser.isSet(jobs)) {
        bool ok = false;
        const int count = parser.value(jobs).toInt(&ok);
        if (ok && count >= 1 && count <= kMaxBatchJobs)
            arguments.Jobs = count;
        else
            arguments.Error = BadValue("jobs", parser.value(jobs), "a number from 1 to 64");
    }
    if (!arguments.Error.isEmpty())
        return arguments;

    arguments.OutputFolder = parser.value(output);
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
