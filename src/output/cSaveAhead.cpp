#include "cSaveAhead.h"

#include "AtomicFile.h"
#include "NameBytes.h"
#include "cBatchSave.h"
#include "cSavePipeline.h"

#include "cGDIP.h"

#include <QThread>

#include <chrono>
#include <memory>
#include <new>

namespace {

// How long the wait for a worker runs before pending events get a turn.
constexpr std::chrono::milliseconds kEventInterval{20};

// What a job needs, copied on the user-interface thread.
struct cJobInput {
    QString Path;
    cSaveJob Job;
    // The requested extension as OutputNameFor gives it; the encoder the write
    // will use, PNG when the offer is taken. No reporter.
    cEncodeRequest Request;
};

// One entry on a worker: load, scale, turn and encode, touching nothing shared.
cSaveAhead::cResult RenderAndEncode(const cJobInput& input) {
    cSaveAhead::cResult result;
    try {
        cSaveObserver quiet;
        cRenderNotes notes;
        std::optional<cRenderedImage> image = RenderSource(input.Path, input.Job, quiet, &notes);
        result.OutOfMemory = notes.OutOfMemory;
        result.DecoderMessages = std::move(notes.DecoderMessages);
        if (!image)
            return result;
        result.Loaded = true;
        result.Encoded = EncodeForSave(std::move(*image), input.Request);
    } catch (const std::bad_alloc&) {
        result.OutOfMemory = !result.Loaded;
        result.Encoded.Bytes.clear(); // counts as an encoding failure once loaded
    }
    return result;
}

} // namespace

int DefaultSaveThreads() {
    return std::max(QThread::idealThreadCount(), 1);
}

cSaveAhead::cSaveAhead(cGDIP& gdip, const cSaveJob& job, int lThreads)
    : mGdip(gdip), mJob(job), mThreads(std::max(lThreads, 1)) {
    mPool.setMaxThreadCount(mThreads);
}

cSaveAhead::~cSaveAhead() {
    Drop();
}

cSaveAhead::cResult cSaveAhead::Take(const cSaveList& list, int lPosition, cSaveObserver& observer) {
    auto pathAt = [&list](int lAt) {
        return FolderWithSeparator(list.Folder(lAt)) + list.FileName(lAt);
    };
    // The queue follows the list: a removed entry leaves with its job, so
    // anything else out of step means the list changed under us.
    if (!mJobs.empty() && mJobs.front().Path != pathAt(lPosition))
        Drop();
    const int count = list.Count();
    for (int next = lPosition + static_cast<int>(mJobs.size());
         next <= count && static_cast<int>(mJobs.size()) <= mThreads; ++next)
        Queue(list.FileName(next), pathAt(next));

    cJob job = std::move(mJobs.front());
    mJobs.pop_front();
    while (job.Result.wait_for(kEventInterval) != std::future_status::ready)
        observer.ProcessEvents();
    return job.Result.get();
}

void cSaveAhead::Queue(const QString& sFileName, const QString& sPath) {
    cJobInput input;
    input.Path = sPath;
    input.Job = mJob;
    const QString extension = OutputNameFor(sFileName, mJob.OutputFormat).Extension;
    int32_t encoder = mGdip.ExtensionExists(QStringLiteral("*.") + extension);
    if (encoder == -1)
        encoder = mGdip.ExtensionExists(QStringLiteral("*.png"));
    input.Request = EncodeRequestFor(mJob, extension, mGdip.EncoderClsid(encoder),
                                     mGdip.ExtensionExists(QStringLiteral("*.gif")) != -1);

    auto task = std::make_shared<std::packaged_task<cResult()>>(
        [input = std::move(input)] { return RenderAndEncode(input); });
    mJobs.push_back({sPath, task->get_future()});
    mPool.start([task] { (*task)(); });
}

void cSaveAhead::Written(const cFolder& folder, const QString& sName) {
    const cFileIdentity written = EntryIdentity(folder, NameBytesStd(sName));
    for (const cJob& job : mJobs) {
        if (PathIdentity(NameBytesStd(job.Path)) == written) {
            Drop();
            return;
        }
    }
}

void cSaveAhead::Drop() {
    mPool.clear(); // jobs not started: their futures are simply never read
    mPool.waitForDone();
    mJobs.clear();
}
