// The main window's list with thousands of files: dropping 5,000 names onto
// the window (the Open command's path for several files) and removing them
// all again. Runs on the offscreen platform unless QT_QPA_PLATFORM says else.
#include "Registry.h"
#include "cImageList.h"
#include "frmQuillet.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench_filelist";
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

void BM_DropAndRemoveFiles(benchmark::State& state) {
    Application();
    QTemporaryDir folder;
    QImage(1024, 768, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("first.png")));
    // Only the first entry is loaded; the others, empty files, are accepted
    // by their names.
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
