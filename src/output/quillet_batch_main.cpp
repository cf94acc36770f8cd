// quillet-batch: the batch save from a terminal. The same pipeline, names and
// rules as the window's Save button; questions are answered by options or on
// the terminal.
#include "AtomicFile.h"
#include "BatchArguments.h"
#include "BatchInput.h"
#include "NameBytes.h"
#include "NamePlan.h"
#include "cBatchSave.h"
#include "cTerminalQuestions.h"

#include "cGDIP.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

enum eExit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// The files of the command line as the save's list.
class cPathList : public cSaveList {
  public:
    explicit cPathList(std::vector<cFoundImage> aImages) : mEntries(std::move(aImages)) {}
    int Count() const override { return static_cast<int>(mEntries.size()); }
    QString FileName(int lPosition) const override { return mEntries.at(lPosition - 1).Name; }
    QString Folder(int lPosition) const override { return mEntries.at(lPosition - 1).Folder; }
    QString SubFolder(int lPosition) const override { return mEntries.at(lPosition - 1).SubFolder; }
    void Remove(int lPosition) override { mEntries.erase(mEntries.begin() + (lPosition - 1)); }

  private:
    std::vector<cFoundImage> mEntries;
};

// "Saving (n%)" on one terminal line, overwritten as it goes.
class cTerminalProgress : public cSaveObserver {
  public:
    cTerminalProgress(QTextStream& sErr, bool bShow) : mErr(sErr), mShow(bShow) {}
    // Ends the progress line, if one was shown.
    void Finish() {
        if (mShown)
            mErr << Qt::endl;
        mShown = false;
    }

    // Each line under the file's name, as the command's own messages are.
    void DecoderMessages(const QString& sFileName, const QString& sMessages) override {
        Finish();
        for (const QString& line : sMessages.split(u'\n', Qt::SkipEmptyParts))
            mErr << "quillet-batch: " << sFileName << ": " << line << Qt::endl;
    }

    void Progress(double, const QString& sCaption) override {
        if (!mShow)
            return;
        mErr << '\r' << sCaption << "\x1b[K" << Qt::flush; // clears what a longer line left
        mShown = true;
    }

  private:
    QTextStream& mErr;
    bool mShow;
    bool mShown = false;
};

std::optional<QString> ReadLineFromStdin() {
    QTextStream in(stdin);
    QString line;
    if (!in.readLineInto(&line))
        return std::nullopt;
    return line;
}

// stderr carries the command's own messages, which scripts may read; Qt's
// notes about the desktop session (no runtime folder, fonts) stay out of it.
// Critical and fatal reports still get through.
void QtMessagesToStderr(QtMsgType eType, const QMessageLogContext&, const QString& sMessage) {
    if (eType == QtCriticalMsg || eType == QtFatalMsg)
        QTextStream(stderr) << "quillet-batch: " << sMessage << Qt::endl;
}

} // namespace

int main(int argc, char* argv[]) {
    IgnoreFileSizeSignal(); // a file-size limit fails that image's write, not the run
    qInstallMessageHandler(QtMessagesToStderr);
    // Metafiles draw their text through Qt's font system, which needs a GUI
    // application; a terminal program never shows a window, so it asks for the
    // display-less platform unless the caller chose another.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const cBatchArguments arguments = ParseBatchArguments(ArgumentNames(argc, argv));
    if (arguments.ShowHelp) {
        out << BatchHelpText();
        return kExitOk;
    }
    if (arguments.ShowVersion) {
        out << "quillet-batch " << QUILLET_VERSION << Qt::endl;
        return kExitOk;
    }
    if (!arguments.Error.isEmpty()) {
        err << "quillet-batch: " << arguments.Error << Qt::endl
            << "Try 'quillet-batch --help' for more information." << Qt::endl;
        return kExitUsage;
    }

    const cBatchInput input = GatherBatchInput(arguments.Files, arguments.Recursive, arguments.Quiet, err);
    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    cTerminalQuestions questions(err, ReadLineFromStdin, interactive, arguments.Overwrite, arguments.PngFallback);
    cTerminalProgress progress(err, !arguments.Quiet && isatty(STDERR_FILENO));
    cPathList list(input.Images);
    // Refused before anything is decoded or written.
    if (const QString clash = NameClashText(list, arguments.Job); !clash.isEmpty()) {
        err << "quillet-batch: " << clash << Qt::endl;
        return kExitUsage;
    }
    questions.SetBeforeWriting([&progress] { progress.Finish(); });
    cGDIP gdip;
    QObject::connect(&gdip, cGDIP::ErrorSignal(),
                     [&err, &progress](int32_t lGdiError, const QString& sErrorDesc, const QString& sClassName) {
                         progress.Finish();
                         err << "quillet-batch: imaging error in " << sClassName << ": " << sErrorDesc << " ("
                             << lGdiError << ")" << Qt::endl;
                     });
    cBatchSave save(gdip, questions, progress);
    if (arguments.Jobs > 0)
        save.SetThreads(arguments.Jobs);
    const cSaveSummary summary = save.Run(list, arguments.OutputFolder, arguments.Job);
    progress.Finish();

    if (!arguments.Quiet)
        out << summary.Caption() << Qt::endl;
    const bool allWritten = input.AllRead && summary.Errors == 0 && summary.Skipped == 0 && summary.Removed == 0 &&
                            summary.Failures.empty() && summary.Renamed.empty() && summary.OverLimit.empty();
    return allWritten ? kExitOk : kExitFailed;
}
