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
inline const QString kOpenErrorTitle = QStringLiteral("Open Image Error");
inline const QString kSaveErrorTitle = QStringLiteral("Save Error");
inline const QString kStopTitle = QStringLiteral("Quillet");
inline const QString kStopText = QStringLiteral("Stop saving?");
inline const QString kNotSavedTitle = QStringLiteral("Images Not Saved");
inline const QString kSaveFolderTitle = QStringLiteral("Select the folder where you would like to save your photos.");

inline const QString kRenamedTitle = QStringLiteral("Images Saved Under New Names");
inline const QString kLoadFailureReason =
    QStringLiteral("corrupt, or in a file format that cannot be opened; removed from the list");
inline const QString kFolderRefusedTitle = QStringLiteral("Folder Cannot Be Used");

// One image the run could not write, and why (for the end-of-run message).
struct cSaveFailure {
    QString FileName; // the output file's name (the source's, when it did not
                      // load), without its folder
    QString Reason;   // one line, no full stop needed
};

// An output that took a numbered name because an earlier image of the same
// run had written its name.
struct cRenamedOutput {
    QString SourceName; // the source's file name
    QString OutputName; // the numbered name it was written under
};

// sName + " is corrupt, or in a file format that cannot be viewed." + break +
// "It has been removed from list of files to work with.": the list's and the
// preview's report of an entry that does not load (sName as the list shows it).
QString NotViewableText(const QString& sName);

// "Quillet cannot save an image in the <EXT> format."
QString PngOfferReason(const QString& sSourceExtension);

// "<file name>" + break + PngOfferReason + break +
// "Would you like to save this image as a PNG instead?"
QString PngOfferText(const QString& sFileName, const QString& sSourceExtension);

// "Quillet cannot save into <folder>: <reason>." + break +
// "Please choose another folder."
QString FolderRefusedText(const QString& sFolder, const QString& sReason);

// "<name> already exists.  Would you like to overwrite it?"
QString OverwritePrompt(const QString& sOutputName);

// "<name> is one of the images you are saving; replace the original?"
QString SourceOverwritePrompt(const QString& sOutputName);

// "<base>-<n>.<ext>": the numbered output name, n from 2 on.
QString NumberedName(const QString& sBaseName, const QString& sExtension, int lNumber);

// The whole percentage for lPosition of lCount, halves to even (1 of 8 -> 12).
int ProgressPercent(int lPosition, int lCount);

// "Saving (n%)", and "  d of N" once lCount > 0 (lDone entries of lCount).
QString ProgressCaption(int lPercent, int lDone = 0, int lCount = 0);

// "n Images Saved", plus ",  m Images Skipped" when m > 0; when f > 0,
// "n Saved[,  m Skipped],  f Failed".
QString SummaryText(int lSaved, int lSkipped, int lFailed);

// The lines of an end-of-run list, at most 20 of them, then "... and n more.".
QString Listing(const QStringList& aLines);

// The end-of-run message listing the files that could not be written: one
// line per file (a Listing).
QString FailureReportText(const std::vector<cSaveFailure>& failures);

// The end-of-run list of outputs that took a numbered name, "<source>: saved
// as <name>" per line (a Listing).
QString RenamedReportText(const std::vector<cRenamedOutput>& renamed);
