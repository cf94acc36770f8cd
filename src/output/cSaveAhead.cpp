#include "cSaveAhead.h"

#include "AtomicFile.h"
#include "FileNames.h"
#include "NameBytes.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

// How long the wait for a worker runs before pending events get a turn.
constexpr std::chrono::milliseconds kEventInterval{20};

} // namespace

int DefaultSaveThreads() {
    return std::max(QThread::idealThreadCount(), 1);
}

cSaveAhead::cSaveAhead(const cGDIP& gdip, const cSaveJob& job, int lThreads)
    : mGdip(gdip), mJob(job), mThreads(std::max(lThreads, 1)) {
    mPool.setMaxThreadCount(mThreads);
}

cSaveAhead::~cSaveAhead() {
    Drop();
}

cEntryOutput cSaveAhead::Take(const cSaveList& list, int lPosition, cSaveObserver& observer) {
    if (mThreads == 1)
        return EncodeEntry(list.Folder(lPosition), list.FileName(lPosition), mJob, mGdip, observer);
    auto pathAt = [&list](int lAt) { return FolderWithSeparator(list.Folder(lAt)) + list.FileName(lAt); };
    // The queue follows the list: a removed entry leaves with its job, so
    // anything else out of step means the list changed under us.
    if (!mJobs.empty() && mJobs.front().Path != pathAt(lPosition))
        Drop();
    const int count = list.Count();
    for (int next = lPosition + static_cast<int>(mJobs.size());
         next <= count && static_cast<int>(mJobs.size()) <= mThreads; ++next)
        Queue(list.Folder(next), list.FileName(next));

    cJob job = std::move(mJobs.front());
    mJobs.pop_front();
    while (job.Result.wait_for(kEventInterval) != std::future_status::ready)
        observer.ProcessEvents();
    return job.Result.get();
}

void cSaveAhead::Queue(const QString& sFolder, const QString& sFileName) {
    auto task = std::make_shared<std::packaged_task<cEntryOutput()>>([&gdip = mGdip, job = mJob, sFolder, sFileName] {
        cSaveObserver quiet;
        return EncodeEntry(sFolder, sFileName, job, gdip, quiet);
    });
    mJobs.push_back({FolderWithSeparator(sFolder) + sFileName, task->get_future()});
    mPool.start([task] { (*task)(); });
}

void cSaveAhead::Written(const cFolder& folder, const QString& sName) {
    const cFileIdentity written = EntryIdentity(folder, NameBytesStd(sName));
    if (std::any_of(mJobs.begin(), mJobs.end(),
                    [&written](const cJob& job) { return PathIdentity(NameBytesStd(job.Path)) == written; }))
        Drop();
}

void cSaveAhead::Drop() {
    mPool.clear(); // jobs not started: their futures are simply never read
    mPool.waitForDone();
    mJobs.clear();
}
