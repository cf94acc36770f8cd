#pragma once
// The fixed texts of the batch save: message titles and prompts, the progress
// caption, the summary line and the end-of-run list of failed files. Defined
// once here so that the window, the batch command and the tests agree.

#include <QString>
#include <QStringList>

#include <vector>

// Paragraph break inside a message text.
inline const QString kParagraphBreak = QStringLiteral("\n\n");

inline const QString kLoadErrorTitle = QStringLiteral("Error Loading Image");
inline const QString kSaveErrorTitle = QStringLiteral("Save Error");
inline const QString kStopTitle = QStringLiteral("Quillet");
inline const QString kStopText = QStringLiteral("Stop saving?");
inline const QString kNotSavedTitle = QStringLiteral("Images Not Saved");
inline const QString kErrorsSummary = QStringLiteral("Errors occurred during save.");
inline const QString kSaveFolderTitle =
    QStringLiteral("Select the folder where you would like to save your photos.");

// One image the run could not write, and why (for the end-of-run message).
struct cSaveFailure {
    QString FileName; // the output file's name, without its folder
    QString Reason;   // one line, no full stop needed
};

// "<name> is corrupt, or in a file format that cannot be opened." + break +
// "It has been removed from list of files to work with, and will not be saved."
QString LoadErrorText(const QString& sFilename);

// "Quillet cannot save an image in the <EXT> format." + break +
// "Would you like to save this image as a PNG instead?"
QString PngOfferText(const QString& sSourceExtension);

// "<base>.<ext> already exists.  Would you like to overwrite it?"
QString OverwritePrompt(const QString& sBaseName, const QString& sExtension);

// The whole percentage for lPosition of lCount, halves to even (1 of 8 -> 12).
int ProgressPercent(int lPosition, int lCount);

// "Saving (n%)".
QString ProgressCaption(int lPercent);

// "n Images Saved", plus ",  m Images Skipped" when m > 0; or the errors text
// when lErrors > 0.
QString SummaryText(int lSaved, int lSkipped, int lErrors);

// The end-of-run message listing the files that could not be written: one
// line per file, at most lMaxLines of them, then how many more.
QString FailureReportText(const std::vector<cSaveFailure>& failures, int lMaxLines = 20);
