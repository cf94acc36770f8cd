#include "cBatchSave.h"

#include "FileDates.h"
#include "FileNames.h"
#include "NameBytes.h"
#include "NamePlan.h"
#include "OutputOptions.h"
#include "SafeWrite.h"
#include "SizeList.h"
#include "cOutputFolders.h"
#include "cSaveAhead.h"
#include "cSavePipeline.h"

#include <optional>

cBatchSave::cBatchSave(const cGDIP& gdip, cQuestions& questions, cSaveObserver& observer)
    : mGdip(gdip), mQuestions(questions), mObserver(observer), mThreads(DefaultSaveThreads()) {}

cSaveSummary cBatchSave::Run(cSaveList& list, const QString& sFolder, const cSaveJob& job) {
    mFolder = FolderWithSeparator(sFolder);
    // The folders of the whole run, whatever their paths lead to later.
    mOutput = std::make_unique<cOutputFolders>(mFolder);
    mJob = job;
    mNaming = cNaming::For(job.NameTemplate, TargetSizes(job.SizeIndex, job.CustomSize).size(), job.SizeFolders);
    mReplaceAll.reset();
    mPngAll.reset();
    mSummary = cSaveSummary();
    mWritten.clear();
    mSources.clear();
    for (int position = 1; position <= list.Count(); ++position)
        mSources.insert(
            PathIdentity(NameBytesStd(FolderWithSeparator(list.Folder(position)) + list.FileName(position))));

    cSaveAhead ahead(mGdip, mJob, mThreads);
    mAhead = &ahead;
    int position = 1;
    mEntryNumber = 0;
    while (position <= list.Count()) {
        ++mEntryNumber;
        // One outcome per output; an entry that left the list has only that.
        const std::vector<eOutcome> outcomes = SaveEntry(list, position);
        for (const eOutcome each : outcomes) {
            switch (each) {
            case eOutcome::Saved: ++mSummary.Saved; break;
            case eOutcome::Skipped: ++mSummary.Skipped; break;
            case eOutcome::Error: ++mSummary.Errors; break;
            case eOutcome::Removed: ++mSummary.Removed; break;
            }
        }
        const eOutcome outcome = outcomes.front();
        // After a removal the next entry has moved up into this position, so
        // only the entries before it are done.
        const int done = outcome == eOutcome::Removed ? position - 1 : position;
        ReportProgress(done, list.Count());
        if (outcome != eOutcome::Removed)
            ++position;
        if (position <= list.Count() && mObserver.StopRequested()) {
            mSummary.Stopped = true;
            break;
        }
    }
    mAhead = nullptr;
    mOutput.reset();
    ReportEnd(mSummary);
    return std::move(mSummary);
}

std::vector<cBatchSave::eOutcome> cBatchSave::SaveEntry(cSaveList& list, int lPosition) {
    const QString fileName = list.FileName(lPosition);
    const QString sourcePath = FolderWithSeparator(list.Folder(lPosition)) + fileName;
    // Read before anything is written: the output may replace the source itself.
    const std::optional<timespec> sourceTime = mJob.KeepDates ? ModificationTime(sourcePath) : std::nullopt;

    const cEntryOutput output = mAhead->Take(list, lPosition, mObserver);
    // Reported here, in list order, however many workers decode ahead.
    if (!output.DecoderMessages.isEmpty())
        mObserver.DecoderMessages(fileName, output.DecoderMessages);
    // Too large for the memory there is: the file is sound and stays listed.
    if (!output.Loaded && output.OutOfMemory)
        return {Fail(output.Name.BaseName + u'.' + output.Name.Extension,
                     QStringLiteral("not enough memory for ") + fileName)};
    if (!output.Loaded) {
        mSummary.Failures.push_back({fileName, kLoadFailureReason});
        list.Remove(lPosition);
        return {eOutcome::Removed};
    }
    // Asked once for all the sizes of the entry.
    if (output.Encoder.PngStandsIn() && !AcceptPng(output.Name))
        return std::vector<eOutcome>(output.Encoded.size(), eOutcome::Error);
    // One file per size, each under its own name.
    cNameFields fields = NameFieldsFor(sourcePath, fileName, mEntryNumber, mJob,
                                       mNaming.Template && mNaming.Template->Uses(cNameTemplate::eToken::Date));
    const QString subFolder = mJob.KeepFolders ? list.SubFolder(lPosition) : QString();
    std::vector<eOutcome> outcomes;
    for (const cEncoded& encoded : output.Encoded) {
        fields.Width = encoded.DrawnWidth;
        fields.Height = encoded.DrawnHeight;
        cOutputName name = output.Name;
        name.BaseName = OutputBaseFor(mNaming, fields, encoded.Target);
        outcomes.push_back(
            WriteImage(output, name, encoded, OutputFolderFor(mNaming, encoded.Target, subFolder), sourceTime));
    }
    return outcomes;
}

// The PNG offer (made by SaveEntry) first, then the name the output will
// really be written under, then the question about an existing file of that
// name: the user is only ever asked about the file that will be replaced, the
// PNG name included.
cBatchSave::eOutcome cBatchSave::WriteImage(const cEntryOutput& output, const cOutputName& name,
                                            const cEncoded& encoded, const QString& sSubFolder,
                                            const std::optional<timespec>& sourceTime) {
    const QString extension = output.Encoder.WrittenAs;
    if (extension.isEmpty())
        return Fail(InSubFolder(sSubFolder, name.BaseName + QStringLiteral(".png")),
                    QStringLiteral("no PNG encoder is available"));

    const QString outputName = UnusedName(name, extension, sSubFolder);
    const QString shown = InSubFolder(sSubFolder, outputName); // the output in the run's messages
    // A subfolder not made yet holds nothing to replace; it is made only
    // when the file is written.
    const cFolder* lookIn = mOutput->Folder(sSubFolder, false);
    const bool exists = lookIn != nullptr && OutputEntryExists(*lookIn, outputName);
    if (exists && !ConfirmReplace(shown, EntryIdentity(*lookIn, NameBytesStd(outputName))))
        return eOutcome::Skipped;

    if (encoded.Bytes.isEmpty())
        return Fail(shown, QStringLiteral("the image could not be encoded"));

    const eReplace replace = !exists ? eReplace::No : mJob.ReplaceOutright ? eReplace::Outright : eReplace::ToTrash;
    const cFolder& folder = *mOutput->Folder(sSubFolder, true);
    const cWriteResult written = WriteFileSafely(folder, outputName, encoded.Bytes, replace);
    if (!written.Ok)
        return Fail(shown, written.Reason);
    if (sourceTime)
        SetModificationTime(mFolder + shown, *sourceTime); // the image is written either way
    mAhead->Written(folder, outputName);
    if (encoded.OverLimit)
        mSummary.OverLimit.push_back({shown, encoded.Bytes.size()});
    mWritten.insert(shown);
    if (outputName != name.BaseName + u'.' + extension)
        mSummary.Renamed.push_back({name.SourceName, shown});
    return eOutcome::Saved;
}

bool cBatchSave::AcceptPng(const cOutputName& name) {
    if (mPngAll)
        return *mPngAll;
    return TakeAnswer(mQuestions.OfferPng(name.SourceName, name.SourceExtension), mPngAll);
}

// Two entries of the run with one output name (a.jpg and a.png as PNG): the
// later one takes the first free numbered name, so both outputs stay.
QString cBatchSave::UnusedName(const cOutputName& name, const QString& sExtension, const QString& sSubFolder) {
    QString candidate = name.BaseName + u'.' + sExtension;
    for (int number = 2; mWritten.contains(InSubFolder(sSubFolder, candidate)); ++number)
        candidate = NumberedName(name.BaseName, sExtension, number);
    return candidate;
}

bool cBatchSave::ConfirmReplace(const QString& sShown, const cFileIdentity& existing) {
    if (mReplaceAll)
        return *mReplaceAll;
    // Saving over the originals: said so, and Enter keeps the file. Which
    // file it is counts, not how its path is spelled (a name that is not
    // valid text has no canonical path). A link at the output name is
    // replaced itself, never the file it leads to.
    const bool isSource = existing.Known && mSources.contains(existing);
    const QString prompt = isSource ? SourceOverwritePrompt(sShown) : OverwritePrompt(sShown);
    return TakeAnswer(mQuestions.ShowCustomMsgBox(prompt, isSource), mReplaceAll);
}

bool cBatchSave::TakeAnswer(int lAnswer, std::optional<bool>& oForAll) {
    switch (lAnswer) {
    case cQuestions::kOverwriteYes: return true;
    case cQuestions::kOverwriteYesToAll: oForAll = true; return true;
    case cQuestions::kOverwriteNoToAll: oForAll = false; return false;
    default:
        // "&No", or a box that could not be shown: the file stays.
        return false;
    }
}

void cBatchSave::ReportEnd(const cSaveSummary& summary) {
    QStringList parts;
    if (!summary.Failures.empty())
        parts << FailureReportText(summary.Failures);
    if (!summary.Renamed.empty())
        parts << RenamedReportText(summary.Renamed);
    if (!summary.OverLimit.empty())
        parts << OverLimitReportText(summary.OverLimit, mJob.MaxBytes);
    if (parts.isEmpty())
        return;
    const bool failed = !summary.Failures.empty();
    const QString title = failed ? kNotSavedTitle : !summary.OverLimit.empty() ? kOverLimitTitle : kRenamedTitle;
    mQuestions.MsgBox(title, parts.join(kParagraphBreak),
                      failed || !summary.OverLimit.empty() ? cQuestions::eIcon::Exclamation
                                                           : cQuestions::eIcon::Information,
                      cQuestions::eButtons::OK);
}

cBatchSave::eOutcome cBatchSave::Fail(const QString& sFileName, const QString& sReason) {
    mSummary.Failures.push_back({sFileName, sReason});
    return eOutcome::Error;
}

void cBatchSave::ReportProgress(int lDone, int lCount) {
    const double fraction = lCount > 0 ? static_cast<double>(lDone) / lCount : 1.0;
    mObserver.Progress(fraction, ProgressCaption(ProgressPercent(lDone, lCount), lDone, lCount));
    mObserver.ProcessEvents();
}
