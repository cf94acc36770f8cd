// The main window with a large list: 2,000 photos handed over as a folder (a
// drop, "Add Folder...") and as separate files (the command line, "Open
// with"), the preview of a 12 MP photo, and the save from the window beside
// the same job run as quillet-batch runs it. The photos are hard links to the
// 12 MP JPEGs of make-photo-corpus (QUILLET_PHOTOS, default
// /tmp/qcorpus/jpeg12mp); dropping 5,000 names onto the list needs no photos.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says else.
#include "AppState.h"
#include "NamePlan.h"
#include "OutputOptions.h"
#include "Registry.h"
#include "cBatchSave.h"
#include "cImageList.h"
#include "cQuestions.h"
#include "dlgPreview.h"
#include "frmQuillet.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <unistd.h>

namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench_window";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(argc, argv);
    // Settings go to a throw-away place, and the first-run question is
    // answered already: nothing modal may stop the run.
    QStandardPaths::setTestModeEnabled(true);
    WriteString(SettingsKey, QStringLiteral("FirstTime"), QStringLiteral("N"));
    return application;
}

// Every question answered without a window: the save goes to Folder, files
// are replaced, PNG is accepted.
class cBenchQuestions : public cQuestions {
  public:
    QString Folder;
    eAnswer MsgBox(const QString&, const QString&, eIcon, eButtons) override { return eAnswer::Yes; }
    cOpenResult OpenFiles(const QString&, const QString&, const QString&) override { return {}; }
    QString BrowseForFolder(const QString&, const QString&) override { return Folder; }
    int ShowCustomMsgBox(const QString&, bool) override { return kOverwriteYesToAll; }
    int OfferPng(const QString&, const QString&) override { return kOverwriteYesToAll; }
};

// lCount hard links to the corpus photos in one folder, "photo 0001.jpg" on.
struct cPhotoFolder {
    QTemporaryDir Dir;
    QStringList Paths;
    bool Made = false;

    explicit cPhotoFolder(int lCount) {
        const QString corpus = qEnvironmentVariableIsEmpty("QUILLET_PHOTOS") ? QStringLiteral("/tmp/qcorpus/jpeg12mp")
                                                                             : qEnvironmentVariable("QUILLET_PHOTOS");
        const QStringList photos = QDir(corpus).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
        if (photos.isEmpty())
            return;
        for (int i = 0; i < lCount; ++i) {
            Paths.append(Dir.filePath(QStringLiteral("photo %1.jpg").arg(i + 1, 4, 10, QLatin1Char('0'))));
            const QByteArray from = QFile::encodeName(QDir(corpus).filePath(photos[i % photos.size()]));
            if (::link(from.constData(), QFile::encodeName(Paths.back()).constData()) != 0)
                return;
        }
        Made = true;
    }
};

constexpr int kListPhotos = 2000;

// From handing over the paths until the list is filled, the first photo is
// measured and the window has run what that queued (layout, painting).
void ListReady(benchmark::State& state, bool bAsFolder) {
    Application();
    const cPhotoFolder photos(kListPhotos);
    if (!photos.Made) {
        state.SkipWithError("no photos: run make-photo-corpus or set QUILLET_PHOTOS");
        return;
    }
    cBenchQuestions questions;
    frmQuillet window(&questions);
    window.show();
    const QStringList handed = bAsFolder ? QStringList{photos.Dir.path()} : photos.Paths;
    for (auto _ : state) {
        window.ImageList().TakeFiles(handed);
        QCoreApplication::processEvents();
    }
    if (window.lvwImages->topLevelItemCount() != kListPhotos)
        state.SkipWithError("the list is not full");
    state.SetItemsProcessed(state.iterations() * kListPhotos);
}

void BM_ListReadyFromFolder(benchmark::State& state) {
    ListReady(state, true);
}
BENCHMARK(BM_ListReadyFromFolder)->Unit(benchmark::kMillisecond);

void BM_ListReadyFromFiles(benchmark::State& state) {
    ListReady(state, false);
}
BENCHMARK(BM_ListReadyFromFiles)->Unit(benchmark::kMillisecond);

// One step of the preview's Next, from the click until the scaled, encoded
// and decoded picture is set: at the first start's size (Thumbnail) with
// argument 0, else through the sizes "320, 640, 1280".
void BM_PreviewNext(benchmark::State& state) {
    Application();
    const cPhotoFolder photos(24);
    if (!photos.Made) {
        state.SkipWithError("no photos: run make-photo-corpus or set QUILLET_PHOTOS");
        return;
    }
    cBenchQuestions questions;
    frmQuillet window(&questions);
    window.show();
    window.ImageList().TakeFiles(photos.Paths);
    if (state.range(0) != 0) {
        gSizeIndex = kCustomSizeIndex;
        window.txtSize->setText(QStringLiteral("320, 640, 1280"));
    } else {
        gSizeIndex = 0;
    }
    dlgPreview preview(window);
    for (auto _ : state)
        preview.NextButton_Click();
    gSizeIndex = 0;
}
BENCHMARK(BM_PreviewNext)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The save of 96 photos to Huge (800 px) JPG: from the window (argument 1),
// and through the batch save alone as quillet-batch runs it (argument 0).
// Wall time, since the workers share the work; images per second.
class cPathList : public cSaveList {
  public:
    explicit cPathList(const QStringList& aPaths) : mPaths(aPaths) {}
    int Count() const override { return static_cast<int>(mPaths.size()); }
    QString FileName(int lPosition) const override { return QFileInfo(mPaths.at(lPosition - 1)).fileName(); }
    QString Folder(int lPosition) const override { return QFileInfo(mPaths.at(lPosition - 1)).absolutePath(); }
    QString SubFolder(int) const override { return {}; }
    void Remove(int lPosition) override { mPaths.removeAt(lPosition - 1); }

  private:
    QStringList mPaths;
};

void BM_Save(benchmark::State& state) {
    Application();
    const cPhotoFolder photos(96);
    if (!photos.Made) {
        state.SkipWithError("no photos: run make-photo-corpus or set QUILLET_PHOTOS");
        return;
    }
    cBenchQuestions questions;
    frmQuillet window(&questions);
    window.show();
    window.ImageList().TakeFiles(photos.Paths);
    gSizeIndex = 4;
    const QTemporaryDir out;
    int run = 0;
    for (auto _ : state) {
        // A new folder each time: nothing to replace.
        questions.Folder = QDir(out.path()).filePath(QString::number(++run));
        QDir().mkpath(questions.Folder);
        if (state.range(0) != 0) {
            window.SaveImages();
        } else {
            cPathList list(photos.Paths);
            cSaveObserver quiet;
            cBatchSave save(window.Imaging(), questions, quiet);
            save.Run(list, questions.Folder, window.SaveJob());
        }
    }
    if (QDir(questions.Folder).entryList(QDir::Files).size() != photos.Paths.size())
        state.SkipWithError("not every photo was saved");
    gSizeIndex = 0;
    state.SetItemsProcessed(state.iterations() * photos.Paths.size());
}
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The check of a name template over 2,000 photos, made before the folder is
// asked for (the window) or anything is read (quillet-batch): with {w} and
// {h} every source's size is needed (argument 1), without them none (0).
void BM_NameCheck(benchmark::State& state) {
    Application();
    const cPhotoFolder photos(kListPhotos);
    if (!photos.Made) {
        state.SkipWithError("no photos: run make-photo-corpus or set QUILLET_PHOTOS");
        return;
    }
    const cPathList list(photos.Paths);
    cSaveJob job;
    job.SizeIndex = 4;
    job.NameTemplate = state.range(0) != 0 ? QStringLiteral("{name}-{w}x{h}") : QStringLiteral("{name}-{q}");
    for (auto _ : state)
        if (!NameClashText(list, job).isEmpty())
            state.SkipWithError("the names clash");
    state.SetItemsProcessed(state.iterations() * kListPhotos);
}
BENCHMARK(BM_NameCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Dropping 5,000 names onto the window (the Open command's path for several
// files) and removing them all again. Only the first entry is loaded; the
// others, empty files, are accepted by their names.
void BM_DropAndRemoveFiles(benchmark::State& state) {
    Application();
    QTemporaryDir folder;
    QImage(1024, 768, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("first.png")));
    QStringList paths{folder.filePath(QStringLiteral("first.png"))};
    for (int i = 1; i < state.range(0); ++i) {
        paths.append(folder.filePath(QStringLiteral("photo %1.%2").arg(i).arg(i % 3 == 0 ? "jpg" : "png")));
        QFile(paths.back()).open(QIODevice::WriteOnly);
    }
    frmQuillet window;
    window.show();
    for (auto _ : state) {
        window.ImageList().TakeFiles(paths);
        window.lvwImages->selectAll();
        window.ImageList().mnuRemove_Click();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DropAndRemoveFiles)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace
