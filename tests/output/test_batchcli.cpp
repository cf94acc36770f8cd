// quillet-batch: its arguments, its answers without a terminal, and the
// program's messages and exit codes end to end.
#include "SaveFixtures.h"
#include "../imaging/test_metafile_support.h"

#include "BatchArguments.h"
#include "cTerminalQuestions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <deque>

namespace {

struct cRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

// Runs quillet-batch; with sHome, as an account with that HOME and no
// XDG_DATA_HOME (a fresh account's setting), from the working folder
// sWorkDir. lFileBlocks > 0 limits every file it writes to that many 512-byte
// blocks (ulimit -f).
QProcessEnvironment HomeEnvironment(const QString& sHome) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("HOME"), sHome);
    return environment;
}

cRun RunBatch(const QStringList& aArguments, const QString& sHome = {},
              const QString& sWorkDir = {}, int lFileBlocks = 0) {
    QProcess process;
    if (!sHome.isEmpty())
        process.setProcessEnvironment(HomeEnvironment(sHome));
    process.setWorkingDirectory(sWorkDir);
    if (lFileBlocks > 0)
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"),
                                  QStringLiteral("ulimit -f %1 && exec \"$@\"").arg(lFileBlocks),
                                  QStringLiteral("sh"), QStringLiteral(QUILLET_BATCH)} +
                          aArguments);
    else
        process.start(QStringLiteral(QUILLET_BATCH), aArguments);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(BatchArguments, OptionsMapToTheWindowsChoices) {
    const cBatchArguments a = ParseBatchArguments(
        {"--size", "large", "--quality", "maximum", "--rotate", "270", "--format", "gif",
         "--overwrite", "all", "--png-fallback", "no", "-j", "3", "-o", QDir::tempPath(), "a.png",
         "b.jpg"});
    ASSERT_EQ(a.Error, QString());
    EXPECT_EQ(a.Options.SizeIndex, 3);
    EXPECT_EQ(a.Options.QualityIndex, 3);
    EXPECT_EQ(a.Options.RotationIndex, 3);
    EXPECT_EQ(a.Options.OutputFormat, QStringLiteral("GIF"));
    EXPECT_EQ(a.Overwrite, eBatchAnswer::Yes);
    EXPECT_EQ(a.PngFallback, eBatchAnswer::No);
    EXPECT_EQ(a.Jobs, 3);
    EXPECT_EQ(a.Files, (QStringList{"a.png", "b.jpg"}));

    const cBatchArguments defaults = ParseBatchArguments({"-o", QDir::tempPath(), "a.png"});
    EXPECT_EQ(defaults.Options.SizeIndex, 0);    // thumbnail, like the window
    EXPECT_EQ(defaults.Options.QualityIndex, 1); // medium, 66
    EXPECT_EQ(defaults.Options.OutputFormat, QStringLiteral("DFT"));
    EXPECT_EQ(defaults.Overwrite, eBatchAnswer::Ask);
    EXPECT_EQ(defaults.Jobs, 0); // as many as there are cores

    const cBatchArguments custom =
        ParseBatchArguments({"--size", "1500", "-o", QDir::tempPath(), "a"});
    EXPECT_EQ(custom.Options.SizeIndex, 5);
    EXPECT_EQ(custom.Options.CustomSize, QStringLiteral("1500"));
}

TEST(BatchArguments, BadUsageSaysWhatIsWrong) {
    const QString tmp = QDir::tempPath();
    struct cCase {
        QStringList Arguments;
        const char* Expected;
    } cases[] = {
        {{"--size", "enormous", "-o", tmp, "a"}, "invalid value 'enormous' for --size"},
        {{"--size", "40000", "-o", tmp, "a"}, "invalid value '40000' for --size"},
        {{"--size", "16385", "-o", tmp, "a"}, "--size 16385 is too large"},
        {{"--quality", "best", "-o", tmp, "a"}, "invalid value 'best' for --quality"},
        {{"--rotate", "45", "-o", tmp, "a"}, "invalid value '45' for --rotate"},
        {{"--jobs", "0", "-o", tmp, "a"}, "invalid value '0' for --jobs"},
        {{"--format", "tiff", "-o", tmp, "a"}, "invalid value 'tiff' for --format"},
        {{"--overwrite", "maybe", "-o", tmp, "a"}, "invalid value 'maybe' for --overwrite"},
        {{"a.png"}, "no output folder given"},
        {{"-o", tmp}, "no image files given"},
        {{"-o", tmp + "/no/such/folder", "a"}, "does not exist"},
        {{"--frobnicate", "-o", tmp, "a"}, "frobnicate"},
    };
    for (const cCase& c : cases)
        EXPECT_TRUE(
            ParseBatchArguments(c.Arguments).Error.contains(QString::fromLatin1(c.Expected)))
            << c.Arguments.join(u' ').toStdString() << " -> "
            << ParseBatchArguments(c.Arguments).Error.toStdString();
}

// On a terminal, a declined PNG offer names the file it leaves unwritten on
// a line of its own after the progress line.
TEST(TerminalQuestions, ADeclinedPngOfferNamesTheFileOnItsOwnLine) {
    QString errText;
    QTextStream err(&errText);
    cTerminalQuestions questions(
        err, [] { return std::optional<QString>("n"); }, true, eBatchAnswer::Ask, eBatchAnswer::No);
    questions.SetBeforeWriting([&err] { err << "Saving (50%)\n"; });
    questions.SetCurrentFile([] { return QStringLiteral("logo.ico"); });
    EXPECT_EQ(questions.MsgBox("Save Error", "Quillet cannot save an image in the ICO format.\n\nPNG?",
                               cQuestions::eIcon::None, cQuestions::eButtons::YesNo),
              cQuestions::eAnswer::No);
    EXPECT_TRUE(errText.startsWith("Saving (50%)\nquillet-batch: logo.ico: not written: Quillet cannot "
                                   "save an image in the ICO format. ("))
        << errText.toStdString();
}

TEST(TerminalQuestions, OnATerminalTheReplyDecides) {
    QString errText;
    QTextStream err(&errText);
    std::deque<QString> replies = {"maybe", "A", "n", "yes"};
    auto next = [&replies]() -> std::optional<QString> {
        if (replies.empty())
            return std::nullopt;
        QString reply = replies.front();
        replies.pop_front();
        return reply;
    };
    cTerminalQuestions questions(err, next, true, eBatchAnswer::Ask, eBatchAnswer::Ask);
    EXPECT_EQ(questions.ShowCustomMsgBox("x"), cQuestions::kOverwriteYesToAll); // asks twice
    EXPECT_EQ(questions.ShowCustomMsgBox("x"), cQuestions::kOverwriteNo);
    EXPECT_EQ(questions.MsgBox("Save Error", "png?", cQuestions::eIcon::None,
                               cQuestions::eButtons::YesNo),
              cQuestions::eAnswer::Yes);
    EXPECT_EQ(questions.ShowCustomMsgBox("x"), cQuestions::kOverwriteNo); // end of input
    EXPECT_EQ(questions.Unanswered(), 0);
}

class BatchCommand : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mIn.isValid() && mOut.isValid());
        // The trash lives under XDG_DATA_HOME; it must exist, or Qt falls back
        // to making the trash folders in the working directory.
        ASSERT_TRUE(QDir().mkpath(mIn.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME", mIn.filePath(QStringLiteral("home")).toLocal8Bit());
    }
    QString In(const QString& sName) const { return mIn.filePath(sName); }
    QString Out(const QString& sName) const { return mOut.filePath(sName); }

    QTemporaryDir mIn, mOut;
    cGDIP mGdip;
};

// Scripts rely on the exit code: any input that was not saved makes it 1,
// whichever the reason. Without a terminal every question is answered no,
// and the message says which option answers it.
TEST_F(BatchCommand, ExitCodeSaysWhetherEveryInputWasSaved) {
    ASSERT_TRUE(WriteRamp(mGdip, In("a.png"), 32, 32));
    ASSERT_TRUE(WriteAll(In("broken.jpg"), "not an image"));
    ASSERT_TRUE(WriteAll(In("logo.ico"), MakeIcon(mGdip, 16)));
    const struct {
        const char* Name;
        QStringList Options;
        QStringList Inputs;
        bool OldOutput; // a.png already in the output folder
        int ExitCode;
        const char* Out;
        const char* Err; // part of the messages; "": none (no terminal, no progress)
        QStringList Written;
    } cases[] = {
        {"clean", {}, {"a.png"}, false, 0, "1 Images Saved\n", "", {"a.png"}},
        {"only a corrupt file", {}, {"broken.jpg"}, false, 1, "0 Images Saved\n",
         "Error Loading Image: broken.jpg is corrupt, or in a file format that cannot be opened.", {}},
        {"only a missing file", {}, {"missing.png"}, false, 1, "0 Images Saved\n",
         "missing.png: no such file", {}},
        {"overwrite declined", {}, {"a.png"}, true, 1, "0 Images Saved,  1 Images Skipped\n",
         "a.png already exists.  Would you like to overwrite it? -> no (no terminal to ask; see "
         "--overwrite)", {}},
        {"overwrite all", {"--overwrite", "all"}, {"a.png"}, true, 0, "1 Images Saved\n", "", {"a.png"}},
        {"no PNG fallback", {}, {"logo.ico"}, false, 1, "Errors occurred during save.\n",
         "logo.ico: not written: Quillet cannot save an image in the ICO format. (no terminal to "
         "ask; see --png-fallback)", {}},
        {"PNG fallback", {"--png-fallback", "yes"}, {"logo.ico"}, false, 0, "1 Images Saved\n", "",
         {"logo.png"}},
    };
    for (const auto& c : cases) {
        QTemporaryDir out;
        if (c.OldOutput) {
            ASSERT_TRUE(WriteAll(out.filePath("a.png"), "old"));
        }
        QStringList arguments = c.Options + QStringList{"-o", out.path()};
        for (const QString& name : c.Inputs)
            arguments << In(name);
        const cRun run = RunBatch(arguments);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Name << ": " << run.Err.toStdString();
        EXPECT_EQ(run.Out, QString::fromLatin1(c.Out)) << c.Name;
        EXPECT_TRUE(*c.Err ? run.Err.contains(QString::fromLatin1(c.Err)) : run.Err.isEmpty())
            << c.Name << ": " << run.Err.toStdString();
        QStringList written;
        for (const QString& name : QDir(out.path()).entryList(QDir::Files))
            if (ReadAll(out.filePath(name)) != "old")
                written << name;
        EXPECT_EQ(written, c.Written) << c.Name;
    }
}

TEST_F(BatchCommand, UsageErrorsExitTwoAndHelpExitsZero) {
    cRun run = RunBatch({"--rotate", "45", "-o", mOut.path(), "x.png"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(run.Err.startsWith("quillet-batch: invalid value '45' for --rotate"));
    EXPECT_TRUE(run.Out.isEmpty());

    run = RunBatch({"--help"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Out.startsWith("Usage: quillet-batch [options] -o DIR FILE..."));

    run = RunBatch({"--version"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out, QStringLiteral("quillet-batch " QUILLET_VERSION "\n"));
}

TEST_F(BatchCommand, AMetafileWithTextIsDrawnWithItsText) {
    using namespace mftest;
    EmfBuilder emf(200, 100);
    ByteWriter font;
    font.U32(1);
    font.U32(uint32_t(-40)); font.U32(0); font.U32(0); font.U32(0); font.U32(700);
    font.U32(0); font.U32(0);
    for (int i = 0; i < 32; ++i) font.U16(0);
    emf.Raw(82, font.bytes).Record(37, {1});
    emf.Record(24, {Rgb(0, 0, 0)});
    emf.TextW(10, 10, u"HH");
    const std::vector<uint8_t> bytes = emf.Finish();
    ASSERT_TRUE(WriteAll(In("drawing.emf"),
                         QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<qsizetype>(bytes.size()))));

    const cRun run = RunBatch({"--size", "200", "--format", "png", "-o", mOut.path(),
                               In("drawing.emf")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QImage written(Out("drawing.png"));
    ASSERT_FALSE(written.isNull());
    EXPECT_GT(CountDark(written, 0, 0, 100, 60), 100);
}

// A fresh account has no ~/.local/share: the trash is made there, as the file
// managers make it, and nothing appears in the working folder. Without a home
// there is no trash: the old file is kept and the image not written.
// --no-trash replaces outright and makes no trash at all.
TEST_F(BatchCommand, ReplacedFilesGoToTheHomeTrashOrAreKept) {
    enum class eHome { Fresh, Missing, NoTrash };
    for (const eHome home : {eHome::Fresh, eHome::Missing, eHome::NoTrash}) {
        SCOPED_TRACE(static_cast<int>(home));
        QTemporaryDir homeDir, workDir;
        ASSERT_TRUE(WriteRamp(mGdip, In("a.png"), 32, 32));
        ASSERT_TRUE(WriteAll(Out("a.png"), "old"));
        QStringList arguments{"--overwrite", "all", "-o", mOut.path(), In("a.png")};
        if (home == eHome::NoTrash)
            arguments.prepend("--no-trash");
        const QString homePath =
            home == eHome::Missing ? homeDir.filePath(QStringLiteral("gone")) : homeDir.path();
        const cRun run = RunBatch(arguments, homePath, workDir.path());
        EXPECT_TRUE(QDir(workDir.path()).isEmpty());
        EXPECT_EQ(QDir(mOut.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"a.png"});
        const QString trash = homeDir.filePath(QStringLiteral(".local/share/Trash"));
        if (home == eHome::Missing) {
            EXPECT_EQ(run.ExitCode, 1);
            EXPECT_TRUE(run.Err.contains("a.png: the existing file could not be moved to the "
                                         "trash: there is no home folder"))
                << run.Err.toStdString();
            EXPECT_EQ(ReadAll(Out("a.png")), QByteArray("old"));
            continue;
        }
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_NE(ReadAll(Out("a.png")), QByteArray("old"));
        if (home == eHome::NoTrash) {
            EXPECT_FALSE(QFileInfo::exists(trash));
            continue;
        }
        EXPECT_EQ(ReadAll(trash + QStringLiteral("/files/a.png")), QByteArray("old"));
        const QByteArray info = ReadAll(trash + QStringLiteral("/info/a.png.trashinfo"));
        EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(Out("a.png")) +
                                    "\nDeletionDate="))
            << info.toStdString();
        EXPECT_EQ(QFileInfo(homeDir.filePath(QStringLiteral(".local"))).permissions() & 0077, 0);
    }
}

// A file-size limit fails the image that passes it with the system's reason;
// the file it would have replaced stays in place, and the run goes on.
TEST_F(BatchCommand, AFileSizeLimitFailsOneImageAndTheRunGoesOn) {
    QTemporaryDir home;
    ASSERT_TRUE(WriteRamp(mGdip, In("big.png"), 400, 300));
    ASSERT_TRUE(WriteRamp(mGdip, In("tiny.png"), 4, 4));
    ASSERT_TRUE(WriteAll(Out("big.png"), "old"));
    const cRun run = RunBatch({"--size", "0", "--overwrite", "all", "-o", mOut.path(),
                               In("big.png"), In("tiny.png")},
                              home.path(), mIn.path(), 2);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, QStringLiteral("Errors occurred during save.\n"));
    EXPECT_TRUE(run.Err.contains("big.png: the file could not be written: File too large"))
        << run.Err.toStdString();
    EXPECT_EQ(ReadAll(Out("big.png")), QByteArray("old"));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral(".local/share/Trash/files/big.png"))));
    EXPECT_TRUE(QFileInfo(Out("tiny.png")).size() > 0);
}

// Killed at any moment, a run leaves each output name with its old file or a
// complete new image, or empty with the old file in the trash under a valid
// record; no temporary file ever takes an output name.
TEST_F(BatchCommand, AKilledRunLeavesOldOrNewFilesOrTheOldInTheTrash) {
    QTemporaryDir home;
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names << QStringLiteral("p%1.png").arg(i);
        ASSERT_TRUE(WriteRamp(mGdip, In(names.back()), 300, 200));
        ASSERT_TRUE(WriteAll(Out(names.back()), "old"));
    }
    QProcess process;
    process.setProcessEnvironment(HomeEnvironment(home.path()));
    QStringList arguments{"--size", "0", "--overwrite", "all", "-o", mOut.path()};
    for (const QString& name : names)
        arguments << In(name);
    process.start(QStringLiteral(QUILLET_BATCH), arguments);
    ASSERT_TRUE(process.waitForStarted());
    // Killed as soon as the first old file has gone to the trash.
    const QString trash = home.filePath(QStringLiteral(".local/share/Trash"));
    QElapsedTimer waited;
    waited.start();
    while (process.state() == QProcess::Running && waited.elapsed() < 30000 &&
           QDir(trash + QStringLiteral("/files")).isEmpty())
        QThread::usleep(200);
    process.kill();
    process.waitForFinished();

    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        if (QFileInfo::exists(Out(name))) {
            cBitmap written;
            EXPECT_TRUE(ReadAll(Out(name)) == "old" ||
                        (written.LoadFromFile(Out(name)) == 0 && written.Width() == 300));
            continue;
        }
        EXPECT_EQ(ReadAll(trash + QStringLiteral("/files/") + name), QByteArray("old"));
        EXPECT_TRUE(ReadAll(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"))
                        .startsWith("[Trash Info]\nPath=" + QFile::encodeName(Out(name)) +
                                    "\nDeletionDate="));
    }
    for (const QString& entry :
         QDir(mOut.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        EXPECT_TRUE(names.contains(entry) ||
                    (entry.startsWith(QStringLiteral(".quillet-")) && entry.endsWith(".part")))
            << entry.toStdString();
}
