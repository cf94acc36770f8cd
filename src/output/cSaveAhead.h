#pragma once
// The batch save's work ahead: the next entries of the list are loaded,
// scaled, turned and encoded into memory on worker threads while the
// user-interface thread handles the current one. Everything the user sees or
// answers - questions, message boxes, list removals, progress - and every
// file write stays on the user-interface thread, in list order; workers only
// produce bytes, so a run gives the same files and asks the same questions
// as one without them.
//
// Shared state and how it is guarded:
//  - each job gets copies of its inputs (path, job, encoder id) when it
//    is queued; QString copies share their data through atomic counts;
//  - a job's result passes back through its std::future, which orders the
//    worker's writes before the reader's reads;
//  - workers touch no application state (gImageWidth and friends), no
//    cGDIP (its Error signal belongs to this thread) and no list; each uses
//    its own imaging objects, and the quantizer keeps one tree per thread;
//  - only the user-interface thread calls Take and owns the queue.
// At most lThreads + 1 jobs are queued, so at most lThreads decoded sources
// are in memory at once (a finished job keeps only its encoded bytes).

#include "cSaveList.h"
#include "cSaveObserver.h"
#include "cSaveJob.h"
#include "cSavePipeline.h"

#include "gp_flat.h"

#include <QByteArray>
#include <QString>
#include <QThreadPool>

#include <cstdint>
#include <deque>
#include <future>

class cFolder;
class cGDIP;

class cSaveAhead {
  public:
    // What a worker made of one entry.
    struct cResult {
        bool Loaded = false;     // false: the file could not be loaded
        bool OutOfMemory = false; // not loaded for want of memory, not for damage
        QString DecoderMessages;  // what the decoding libraries printed, for the file's report
        cEncoded Encoded;        // the output; empty bytes when encoding failed
    };

    // lThreads workers (at least 1) for the run with job; gdip gives the
    // encoders and must outlive the object.
    cSaveAhead(cGDIP& gdip, const cSaveJob& job, int lThreads);
    // Drops the work not yet started and waits for the rest.
    ~cSaveAhead();
    cSaveAhead(const cSaveAhead&) = delete;
    cSaveAhead& operator=(const cSaveAhead&) = delete;

    // The result for the entry at lPosition of list, once its worker is done;
    // queues the entries after it. observer's events run while it waits.
    cResult Take(const cSaveList& list, int lPosition, cSaveObserver& observer);

    // The file sName of folder was just written. When it is the source of an
    // entry already queued (the same file, however its path is spelled), that work may have read the file as it was before, so
    // everything queued is done again from the file as it is now - as a run
    // without workers reads it.
    void Written(const cFolder& folder, const QString& sName);

  private:
    struct cJob {
        QString Path;
        std::future<cResult> Result;
    };

    void Queue(const QString& sFileName, const QString& sPath);
    void Drop();

    cGDIP& mGdip;
    cSaveJob mJob;
    int mThreads;
    std::deque<cJob> mJobs; // the entries from the current position on, in list order
    QThreadPool mPool;
};

// The number of worker threads for "-j 0": the processor cores.
int DefaultSaveThreads();
