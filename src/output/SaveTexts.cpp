#include "SaveTexts.h"

#include "NameBytes.h"
#include "Numbers.h"

QString LoadErrorText(const QString& sFilename) {
    return DisplayName(sFilename) + QStringLiteral(" is corrupt, or in a file format that cannot be opened.") +
           kParagraphBreak +
           QStringLiteral("It has been removed from list of files to work with, and will not be "
                          "saved.");
}

QString PngOfferText(const QString& sSourceExtension) {
    return QStringLiteral("Quillet cannot save an image in the ") + sSourceExtension +
           QStringLiteral(" format.") + kParagraphBreak +
           QStringLiteral("Would you like to save this image as a PNG instead?");
}

QString OverwritePrompt(const QString& sBaseName, const QString& sExtension) {
    return DisplayName(sBaseName) + u'.' + sExtension +
           QStringLiteral(" already exists.  Would you like to overwrite it?");
}

int ProgressPercent(int lPosition, int lCount) {
    if (lCount <= 0)
        return 100;
    const double percent = static_cast<double>(lPosition) / lCount * 100.0;
    return static_cast<int>(RoundHalfEven(percent));
}

QString ProgressCaption(int lPercent) {
    return QStringLiteral("Saving (%1%)").arg(lPercent);
}

QString SummaryText(int lSaved, int lSkipped, int lErrors) {
    if (lErrors > 0)
        return kErrorsSummary;
    QString text = QStringLiteral("%1 Images Saved").arg(lSaved);
    if (lSkipped > 0)
        text += QStringLiteral(",  %1 Images Skipped").arg(lSkipped);
    return text;
}

QString FailureReportText(const std::vector<cSaveFailure>& failures, int lMaxLines) {
    QString text = failures.size() == 1 ? QStringLiteral("This image could not be saved:")
                                        : QStringLiteral("These images could not be saved:");
    text += kParagraphBreak;
    const int total = static_cast<int>(failures.size());
    const int shown = std::min(total, std::max(lMaxLines, 1));
    QStringList lines;
    for (int i = 0; i < shown; ++i)
        lines << DisplayName(failures[i].FileName) + QStringLiteral(": ") + failures[i].Reason;
    if (total > shown)
        lines << QStringLiteral("... and %1 more.").arg(total - shown);
    return text + lines.join(u'\n');
}
