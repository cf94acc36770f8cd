#include "NamePlan.h"

#include "Dimensions.h"
#include "FileDates.h"
#include "FileNames.h"
#include "NameBytes.h"
#include "OutputOptions.h"
#include "PhotoDetails.h"
#include "SizeList.h"
#include "cOutputFolders.h"
#include "cSavePipeline.h"

#include "cBitmap.h"

#include <QDateTime>

#include <map>
#include <optional>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// The pixel size of the file's header; nullopt when it cannot be read (the
// run reports that file itself).
std::optional<cDimensions> HeaderSize(const QString& sPath) {
    int32_t width = 0;
    int32_t height = 0;
    if (cBitmap::ReadFileSize(sPath, width, height) != Ok || width <= 0 || height <= 0 || width > kMaxSourceSide ||
        height > kMaxSourceSide)
        return std::nullopt;
    return cDimensions{static_cast<int16_t>(width), static_cast<int16_t>(height)};
}

// The output size of an image of iWidth x iHeight at target size iSize, as
// job shapes it: never enlarged when they say so, the sides swapped for a
// quarter turn.
cDimensions OutputSizeFor(int16_t iSize, int16_t iWidth, int16_t iHeight, const cSaveJob& job) {
    const cDimensions size =
        job.NoEnlarge ? GetDimensionsNoLarger(iSize, iWidth, iHeight) : GetDimensionsOf(iSize, iWidth, iHeight);
    return RotationSwapsSides(job.RotationIndex) ? cDimensions{size.Height, size.Width} : size;
}

// The date an output of the file sPath is named with: the date taken from its
// photo details, else the file's own modification date, as "2024-05-01".
QString DateForName(const QString& sPath) {
    const QString taken = ReadPhotoSummary(sPath).DateTaken.left(10);
    if (QDate::fromString(taken, kDateFormat).isValid())
        return taken;
    const std::optional<timespec> time = ModificationTime(sPath);
    if (!time)
        return {};
    return QDateTime::fromSecsSinceEpoch(time->tv_sec).date().toString(kDateFormat);
}

} // namespace

cNameFields NameFieldsFor(const QString& sPath, const QString& sFileName, int lPosition, const cSaveJob& job,
                          bool bWithDate) {
    cNameFields fields;
    fields.Name = GetBaseName(sFileName);
    fields.Quality = QualityTagValue(job.QualityIndex);
    fields.Position = lPosition;
    if (bWithDate)
        fields.Date = DateForName(sPath);
    return fields;
}

QString NameClashText(const cSaveList& list, const cSaveJob& job) {
    const std::vector<int16_t> sizes = TargetSizes(job.SizeIndex, job.CustomSize);
    const cNaming naming = cNaming::For(job.NameTemplate, sizes.size(), job.SizeFolders);
    if (!naming.Template)
        return {};
    using eToken = cNameTemplate::eToken;
    const bool measured = naming.Template->Uses(eToken::Width) || naming.Template->Uses(eToken::Height);
    const bool dated = naming.Template->Uses(eToken::Date);
    std::map<QString, int> taken; // output path inside the folder -> the position that takes it
    for (int position = 1; position <= list.Count(); ++position) {
        const QString fileName = list.FileName(position);
        const QString path = FolderWithSeparator(list.Folder(position)) + fileName;
        cNameFields fields = NameFieldsFor(path, fileName, position, job, dated);
        const std::optional<cDimensions> own = measured ? HeaderSize(path) : cDimensions{};
        if (!own)
            continue;
        const QString extension = OutputNameFor(fileName, job.OutputFormat).Extension;
        for (const int16_t size : sizes) {
            const cDimensions output = OutputSizeFor(size, own->Width, own->Height, job);
            fields.Width = output.Width;
            fields.Height = output.Height;
            const QString name = OutputBaseFor(naming, fields, size) + u'.' + extension;
            if (NameBytes(name).size() > kMaxFileNameBytes)
                return QStringLiteral("The name template \"%1\" makes a name longer than a file name can be "
                                      "for %2:\n%3")
                    .arg(naming.Template->Text(), DisplayName(fileName), DisplayName(name));
            const QString key = InSubFolder(
                OutputFolderFor(naming, size, job.KeepFolders ? list.SubFolder(position) : QString()), name);
            const auto [first, added] = taken.emplace(key, position);
            if (added)
                continue;
            if (first->second == position)
                return QStringLiteral("The name template \"%1\" gives every size of %2 the same name, %3. "
                                      "Add {w} to the template, or use size folders.")
                    .arg(naming.Template->Text(), DisplayName(fileName), DisplayName(key));
            return QStringLiteral("The name template \"%1\" gives two images the same name, %2: %3 "
                                  "and %4. Add {name} or {n} to the template.")
                .arg(naming.Template->Text(), DisplayName(key), DisplayName(list.FileName(first->second)),
                     DisplayName(fileName));
        }
    }
    return {};
}
