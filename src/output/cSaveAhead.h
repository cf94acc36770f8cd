#pragma once
// Where the batch save gets each entry's output (EncodeEntry) from. With one
// thread the entry is done here, when it is taken, one after the other; with
// more, the next entries are loaded, scaled, turned and encoded into memory
// on worker threads while the user-interface thread handles the current one.
// Either way the same function makes the same bytes, and everything the user
// sees or answers - questions, message boxes, list removals, progress - and
// every file write stays on the user-interface thread, in list order, so a
// run gives the same files and asks the same questions with any number of
// threads.
//
// Shared state and how it is guarded:
//  - each job gets copies of its inputs (folder, name, job) when it is
//    queued; QString copies share their data through atomic counts;
//  - a job's result passes back through its std::future, which orders the
//    worker's writes before the reader's reads;
//  - workers only read cGDIP's encoder table (fixed once it is made), touch
//    no application state and no list; each uses its own imaging objects,
//    and the quantizer keeps one tree per thread;
//  - only the user-interface thread calls Take and owns the queue.
// At most lThreads + 1 jobs are queued, so at most lThreads decoded sources
// are in memory at once (a finished job keeps only its encoded bytes).

#include "cSaveJob.h"
#include "cSaveList.h"
#include "cSaveObserver.h"
#include "cSavePipeline.h"

#include <QString>
#include <QThreadPool>

#include <deque>
#include <future>

class cFolder;
class cGDIP;

class cSaveAhead {
  public:
    // lThreads threads for the run with job (1 or fewer: no workers); gdip
    // gives the encoders and must outlive the object.
    cSaveAhead(const cGDIP& gdip, const cSaveJob& job, int lThreads);
    // Drops the work not yet started and waits for the rest.
    ~cSaveAhead();
    cSaveAhead(const cSaveAhead&) = delete;
    cSaveAhead& operator=(const cSaveAhead&) = delete;

    // The output of the entry at lPosition of list. Without workers it is
    // made now, observer seeing its fixed points; with them, once its worker
    // is done, queuing the entries after it, observer's events running while
    // it waits.
    cEntryOutput Take(const cSaveList& list, int lPosition, cSaveObserver& observer);

    // The file sName of folder was just written. When it is the source of an
    // entry already queued (the same file, however its path is spelled), that
    // work may have read the file as it was before, so everything queued is
    // done again from the file as it is now - as a run without workers reads it.
    void Written(const cFolder& folder, const QString& sName);

  private:
    struct cJob {
        QString Path;
        std::future<cEntryOutput> Result;
    };

    void Queue(const QString& sFolder, const QString& sFileName);
    void Drop();

    const cGDIP& mGdip;
    cSaveJob mJob;
    int mThreads;
    std::deque<cJob> mJobs; // the entries from the current position on, in list order
    QThreadPool mPool;
};

// The number of worker threads for "-j 0": the processor cores.
int DefaultSaveThreads();
