#pragma once
// The batch save: every entry of the image list, in list order, through the
// per-image pipeline into one folder, asking before it replaces a file and
// offering PNG where a format cannot be written.
//
// Safe with the user's files: an image is encoded into memory, written to a
// temporary file in the folder and renamed over its target only once it is
// complete; a file the user agreed to replace goes to the trash just before
// that rename. A write that fails counts as an error and is listed in one
// message at the end of the run, as is an output that a later entry of the
// same run replaced. The run can be stopped between images.

#include "SafeWrite.h"
#include "OutputNaming.h"
#include "SaveTexts.h"
#include "SizeLimit.h"
#include "cOutputFolders.h"
#include "cQuestions.h"
#include "cSaveList.h"
#include "cSaveObserver.h"
#include "cSaveJob.h"

#include <QString>

#include <time.h>

#include <memory>
#include <optional>
#include <set>
#include <vector>

class cGDIP;
class cSaveAhead;
struct cEncoded;
struct cEntryOutput;
struct cOutputName;

// What one run did.
struct cSaveSummary {
    int Saved = 0;                       // files written
    int Skipped = 0;                     // existing files the user chose to keep
    int Errors = 0;                      // images not written: PNG offer declined, encode or write failed
    int Removed = 0;                     // entries that failed to load and left the list
    bool Stopped = false;                // the user stopped the run early
    std::vector<cSaveFailure> Failures;  // load and write failures of the run, in order
    std::vector<cRenamedOutput> Renamed; // outputs written under a numbered name
    std::vector<cOverLimit> OverLimit;   // outputs saved larger than the size limit

    // The status line: "n Images Saved[,  m Images Skipped][,  f Images Failed]";
    // the failed count takes in the entries that did not load.
    QString Caption() const { return SummaryText(Saved, Skipped, Errors + Removed); }
};

class cBatchSave {
  public:
    // gdip finds the encoders; questions asks the user; observer gets the
    // progress. All must outlive the object.
    cBatchSave(const cGDIP& gdip, cQuestions& questions, cSaveObserver& observer);

    // Saves every entry of list into sFolder (a separator is appended when it
    // lacks one), or with job.KeepFolders into the entry's subfolder of
    // it. Entries that fail to load are listed at the end and removed from
    // the list; the list is read anew before every entry.
    cSaveSummary Run(cSaveList& list, const QString& sFolder, const cSaveJob& job);

    // Worker threads that load, scale and encode the next entries while this
    // thread handles the current one (cSaveAhead); 1 does all the work on
    // this thread, one entry after the other. Default: DefaultSaveThreads().
    void SetThreads(int lThreads) { mThreads = lThreads; }

  private:
    enum class eOutcome { Saved, Skipped, Error, Removed };

    // The outcome of each output of the entry, or only Removed or an Error
    // when it could not be loaded.
    std::vector<eOutcome> SaveEntry(cSaveList& list, int lPosition);
    // sourceTime: the modification time the output takes, if any.
    // Writes encoded, one output of output, under name into sSubFolder, where
    // below the output folder it goes ("" for the folder itself).
    eOutcome WriteImage(const cEntryOutput& output, const cOutputName& name, const cEncoded& encoded,
                        const QString& sSubFolder, const std::optional<timespec>& sourceTime);
    bool AcceptPng(const cOutputName& name);
    // The output's file name: base and extension, numbered when an earlier
    // entry of the run wrote that name into sSubFolder.
    QString UnusedName(const cOutputName& name, const QString& sExtension, const QString& sSubFolder);
    // sShown: the output as the prompt names it; existing: the file it would replace.
    bool ConfirmReplace(const QString& sShown, const cFileIdentity& existing);
    // Takes an answer of the overwrite box or the PNG offer, remembering one
    // given for all in oForAll; true for a Yes.
    static bool TakeAnswer(int lAnswer, std::optional<bool>& oForAll);
    eOutcome Fail(const QString& sFileName, const QString& sReason);
    // The one message at the end: failures, then numbered names.
    void ReportEnd(const cSaveSummary& summary);
    void ReportProgress(int lDone, int lCount);

    const cGDIP& mGdip;
    cQuestions& mQuestions;
    cSaveObserver& mObserver;
    int mThreads;

    // State of the run in progress.
    QString mFolder;
    std::unique_ptr<cOutputFolders> mOutput; // mFolder and the folders below it, opened once for the run
    cSaveJob mJob;
    cNaming mNaming;                  // how mJob names its outputs
    int mEntryNumber = 0;             // the entry's place in the list as the run found it, from 1 ({n})
    cSaveAhead* mAhead = nullptr;     // gives the run's outputs, with or without workers
    std::optional<bool> mReplaceAll;  // the overwrite box answered for all
    std::optional<bool> mPngAll;      // the PNG offer answered for all
    std::set<cFileIdentity> mSources; // the files the list's entries name
    cSaveSummary mSummary;            // what the run did so far
    std::set<QString> mWritten;       // outputs written so far, with their subfolders
};
