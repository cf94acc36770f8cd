#include "SaveTexts.h"

#include "NameBytes.h"
#include "Numbers.h"

QString NotViewableText(const QString& sName) {
    return sName + QStringLiteral(" is corrupt, or in a file format that cannot be viewed.") + kParagraphBreak +
           QStringLiteral("It has been removed from list of files to work with.");
}

QString PngOfferReason(const QString& sSourceExtension) {
    return QStringLiteral("Quillet cannot save an image in the ") + sSourceExtension + QStringLiteral(" format.");
}

QString PngOfferText(const QString& sFileName, const QString& sSourceExtension) {
    return sFileName + kParagraphBreak + PngOfferReason(sSourceExtension) + kParagraphBreak +
           QStringLiteral("Would you like to save this image as a PNG instead?");
}

QString FolderRefusedText(const QString& sFolder, const QString& sReason) {
    return QStringLiteral("Quillet cannot save into %1: %2.").arg(DisplayName(sFolder), sReason) + kParagraphBreak +
           QStringLiteral("Please choose another folder.");
}

QString OverwritePrompt(const QString& sOutputName) {
    return DisplayName(sOutputName) + QStringLiteral(" already exists.  Would you like to overwrite it?");
}

QString SourceOverwritePrompt(const QString& sOutputName) {
    return DisplayName(sOutputName) + QStringLiteral(" is one of the images you are saving; replace the original?");
}

QString NumberedName(const QString& sBaseName, const QString& sExtension, int lNumber) {
    return sBaseName + u'-' + QString::number(lNumber) + u'.' + sExtension;
}

int ProgressPercent(int lPosition, int lCount) {
    if (lCount <= 0)
        return 100;
    const double percent = static_cast<double>(lPosition) / lCount * 100.0;
    return static_cast<int>(RoundHalfEven(percent));
}

QString ProgressCaption(int lPercent, int lDone, int lCount) {
    const QString caption = QStringLiteral("Saving (%1%)").arg(lPercent);
    return lCount > 0 ? caption + QStringLiteral("  %1 of %2").arg(lDone).arg(lCount) : caption;
}

QString SummaryText(int lSaved, int lSkipped, int lFailed) {
    // With the failed count the words are shorter, so that three five-digit
    // counts and "Stopped: " fit the status band.
    if (lFailed > 0)
        return QStringLiteral("%1 Saved").arg(lSaved) +
               (lSkipped > 0 ? QStringLiteral(",  %1 Skipped").arg(lSkipped) : QString()) +
               QStringLiteral(",  %1 Failed").arg(lFailed);
    QString text = QStringLiteral("%1 Images Saved").arg(lSaved);
    if (lSkipped > 0)
        text += QStringLiteral(",  %1 Images Skipped").arg(lSkipped);
    return text;
}

QString Listing(const QStringList& aLines) {
    constexpr int kMaxLines = 20;
    const int shown = std::min(static_cast<int>(aLines.size()), kMaxLines);
    QStringList lines = aLines.mid(0, shown);
    if (aLines.size() > shown)
        lines << QStringLiteral("... and %1 more.").arg(aLines.size() - shown);
    return lines.join(u'\n');
}

QString FailureReportText(const std::vector<cSaveFailure>& failures) {
    QStringList lines;
    for (const cSaveFailure& failure : failures)
        lines << DisplayName(failure.FileName) + QStringLiteral(": ") + failure.Reason;
    return (failures.size() == 1 ? QStringLiteral("This image could not be saved:")
                                 : QStringLiteral("These images could not be saved:")) +
           kParagraphBreak + Listing(lines);
}

QString RenamedReportText(const std::vector<cRenamedOutput>& renamed) {
    QStringList lines;
    for (const cRenamedOutput& output : renamed)
        lines << DisplayName(output.SourceName) + QStringLiteral(": saved as ") + DisplayName(output.OutputName);
    return QStringLiteral("An earlier image of this save had the same name; so as not to replace "
                          "it, these were saved under a numbered name:") +
           kParagraphBreak + Listing(lines);
}
