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
#include "SaveTexts.h"
#include "cQuestions.h"
#include "cSaveList.h"
#include "cSaveObserver.h"
#include "cSaveOptions.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class cGDIP;
class cSaveAhead;
struct cOutputName;

// What one run did.
struct cSaveSummary {
    int Saved = 0;        // files written
    int Skipped = 0;      // existing files the user chose to keep
    int Errors = 0;       // images not written: PNG offer declined, encode or write failed
    int Removed = 0;      // entries that failed to load and left the list
    bool Stopped = false; // the user stopped the run early
    std::vector<cSaveFailure> Failures; // failures and replaced outputs of the run, in order

    // The status line: "n Images Saved[,  m Images Skipped]" or the errors text.
    QString Caption() const { return SummaryText(Saved, Skipped, Errors); }
};

class cBatchSave {
  public:
    // gdip finds the encoders and receives the quantizer's failures; questions
    // asks the user; observer gets the progress. All must outlive the object.
    cBatchSave(cGDIP& gdip, cQuestions& questions, cSaveObserver& observer);

    // Saves every entry of list into sFolder (a separator is appended when it
    // lacks one). Entries that fail to load are reported and removed from the
    // list; the list is read anew before every entry.
    cSaveSummary Run(cSaveList& list, const QString& sFolder, const cSaveOptions& options);

    // Worker threads that load, scale and encode the next entries while this
    // thread handles the current one (cSaveAhead); 1 does all the work here,
    // one entry after the other. Default: DefaultSaveThreads().
    void SetThreads(int lThreads) { mThreads = lThreads; }

  private:
    // ReplacedEarlier: saved over the output of an earlier entry of this run,
    // so the count of saved files stays as it was.
    enum class eOutcome { Saved, ReplacedEarlier, Skipped, Error, Removed };
    // Gives the encoded image for the encoder it will be written with.
    using cEncode = std::function<QByteArray(int32_t lEncoder)>;

    eOutcome SaveEntry(cSaveList& list, int lPosition);
    eOutcome WriteImage(const cOutputName& name, const cEncode& encode);
    eOutcome NoteWritten(const QString& sOutputName, const QString& sSourceName,
                         eReplace eReplaced);
    bool ConfirmReplace(const cOutputName& name, const QString& sExtension);
    eOutcome Fail(const QString& sFileName, const QString& sReason);
    void ReportProgress(int lDone, int lCount);

    cGDIP& mGdip;
    cQuestions& mQuestions;
    cSaveObserver& mObserver;
    int mThreads;

    // State of the run in progress.
    QString mFolder;
    std::unique_ptr<cFolder> mOutput; // mFolder, opened once for the run
    cSaveOptions mOptions;
    cSaveAhead* mAhead = nullptr; // the run's workers; nullptr when all work is done here
    bool mYesToAll = false;
    std::vector<cSaveFailure> mFailures;
    std::map<QString, QString> mWritten; // output names written so far -> source names
};

// sFolder with exactly one trailing "/" (the root stays "/").
QString FolderWithSeparator(const QString& sFolder);
