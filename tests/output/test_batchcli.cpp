// quillet-batch: its arguments, its answers without a terminal, and the
// program's messages and exit codes end to end.
#include "SaveFixtures.h"
#include "../imaging/test_metafile_support.h"

#include "BatchArguments.h"
#include "cTerminalQuestions.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>

namespace {

struct cRun {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

cRun RunBatch(const QStringList& aArguments, const QByteArray& stdinText = {}) {
    QProcess process;
    process.start(QStringLiteral(QUILLET_BATCH), aArguments);
    process.write(stdinText);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Runs quillet-batch with HOME sHome and no XDG_DATA_HOME (a fresh account's
// setting), from the working folder sWorkDir. lFileBlocks > 0 limits every
// file it writes to that many 512-byte blocks (ulimit -f).
cRun RunBatchAs(const QString& sHome, const QString& sWorkDir, const QStringList& aArguments,
                int lFileBlocks = 0) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("HOME"), sHome);
    QProcess process;
    process.setProcessEnvironment(environment);
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
         "--overwrite", "all", "--png-fallback", "no", "-o", QDir::tempPath(), "a.png", "b.jpg"});
    ASSERT_EQ(a.Error, QString());
    EXPECT_EQ(a.Options.SizeIndex, 3);
    EXPECT_EQ(a.Options.QualityIndex, 3);
    EXPECT_EQ(a.Options.RotationIndex, 3);
    EXPECT_EQ(a.Options.OutputFormat, QStringLiteral("GIF"));
    EXPECT_EQ(a.Overwrite, eBatchAnswer::Yes);
    EXPECT_EQ(a.PngFallback, eBatchAnswer::No);
    EXPECT_EQ(a.Files, (QStringList{"a.png", "b.jpg"}));

    const cBatchArguments defaults = ParseBatchArguments({"-o", QDir::tempPath(), "a.png"});
    EXPECT_EQ(defaults.Options.SizeIndex, 0);    // thumbnail, like the window
    EXPECT_EQ(defaults.Options.QualityIndex, 1); // medium, 66
    EXPECT_EQ(defaults.Options.OutputFormat, QStringLiteral("DFT"));
    EXPECT_EQ(defaults.Overwrite, eBatchAnswer::Ask);

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
        {{"--quality", "best", "-o", tmp, "a"}, "invalid value 'best' for --quality"},
        {{"--rotate", "45", "-o", tmp, "a"}, "invalid value '45' for --rotate"},
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

TEST(TerminalQuestions, WithoutATerminalAskingMeansNoAndIsReported) {
    QString errText;
    QTextStream err(&errText);
    cTerminalQuestions questions(
        err, [] { return std::optional<QString>("y"); }, false, eBatchAnswer::Ask,
        eBatchAnswer::Ask);
    EXPECT_EQ(questions.ShowCustomMsgBox("a.png already exists.  Would you like to overwrite it?"),
              cQuestions::kOverwriteNo);
    EXPECT_EQ(questions.MsgBox("Save Error", "cannot save", cQuestions::eIcon::None,
                               cQuestions::eButtons::YesNo),
              cQuestions::eAnswer::No);
    EXPECT_EQ(questions.Unanswered(), 2);
    EXPECT_TRUE(errText.contains("a.png already exists."));
    EXPECT_TRUE(errText.contains("--png-fallback"));
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

TEST_F(BatchCommand, WritesTheSameFilesAsTheWindowAndExitsZero) {
    ASSERT_TRUE(WriteRamp(mGdip, In("My Photo.png"), 1024, 768));
    const cRun run = RunBatch({"--size", "large", "--rotate", "90", "--format", "jpg", "-o",
                               mOut.path(), In("My Photo.png")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out, QStringLiteral("1 Images Saved\n"));
    EXPECT_EQ(run.Err, QString()); // no terminal: no progress
    cBitmap written;
    ASSERT_EQ(written.LoadFromFile(Out("My_Photo.jpg")), 0);
    EXPECT_EQ(written.Width(), 480);
    EXPECT_EQ(written.Height(), 640);
}

TEST_F(BatchCommand, DeclinedAndFailedImagesExitOne) {
    ASSERT_TRUE(WriteRamp(mGdip, In("a.png"), 32, 32));
    ASSERT_TRUE(WriteAll(Out("a.png"), "old"));
    cRun run = RunBatch({"-o", mOut.path(), In("a.png")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, QStringLiteral("0 Images Saved,  1 Images Skipped\n"));
    EXPECT_TRUE(run.Err.contains("a.png already exists.")) << run.Err.toStdString();
    EXPECT_EQ(ReadAll(Out("a.png")), QByteArray("old"));

    run = RunBatch({"--overwrite", "all", "-o", mOut.path(), In("a.png")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(ReadAll(Out("a.png")), QByteArray("old"));

    ASSERT_TRUE(WriteAll(In("broken.jpg"), "not an image"));
    run = RunBatch({"--overwrite", "all", "-o", mOut.path(), In("broken.jpg"), In("missing.png"),
                    In("a.png")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, QStringLiteral("1 Images Saved\n"));
    EXPECT_TRUE(run.Err.contains("missing.png: no such file")) << run.Err.toStdString();
    EXPECT_TRUE(run.Err.contains(
        "Error Loading Image: broken.jpg is corrupt, or in a file format that cannot be opened."));
}

TEST_F(BatchCommand, ThePngFallbackFollowsItsOption) {
    ASSERT_TRUE(WriteAll(In("logo.ico"), MakeIcon(mGdip, 16)));
    cRun run = RunBatch({"-o", mOut.path(), In("logo.ico")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, QStringLiteral("Errors occurred during save.\n"));
    EXPECT_TRUE(run.Err.contains("cannot save an image in the ICO format"));
    EXPECT_FALSE(QFileInfo::exists(Out("logo.png")));

    run = RunBatch({"--png-fallback", "yes", "-o", mOut.path(), In("logo.ico")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(Out("logo.png")));
}

TEST_F(BatchCommand, UsageErrorsExitTwoAndHelpExitsZero) {
    cRun run = RunBatch({"--rotate", "45", "-o", mOut.path(), "x.png"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(run.Err.startsWith("quillet-batch: invalid value '45' for --rotate"));
    EXPECT_TRUE(run.Out.isEmpty());

    run = RunBatch({"x.png"});
    EXPECT_EQ(run.ExitCode, 2);

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
// managers make it, and nothing appears in the working folder. --no-trash
// replaces outright and makes no trash at all.
TEST_F(BatchCommand, ReplacedFilesGoToTheHomeTrashOrWithNoTrashNowhere) {
    for (const bool noTrash : {false, true}) {
        SCOPED_TRACE(noTrash ? "--no-trash" : "trash");
        QTemporaryDir home, workDir;
        ASSERT_TRUE(WriteRamp(mGdip, In("a.png"), 32, 32));
        ASSERT_TRUE(WriteAll(Out("a.png"), "old"));
        QStringList arguments{"--overwrite", "all", "-o", mOut.path(), In("a.png")};
        if (noTrash)
            arguments.prepend("--no-trash");
        const cRun run = RunBatchAs(home.path(), workDir.path(), arguments);
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_NE(ReadAll(Out("a.png")), QByteArray("old"));
        EXPECT_TRUE(QDir(workDir.path()).isEmpty());
        EXPECT_EQ(QDir(mOut.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"a.png"});
        const QString trash = home.filePath(QStringLiteral(".local/share/Trash"));
        if (noTrash) {
            EXPECT_FALSE(QFileInfo::exists(trash));
            continue;
        }
        EXPECT_EQ(ReadAll(trash + QStringLiteral("/files/a.png")), QByteArray("old"));
        const QByteArray info = ReadAll(trash + QStringLiteral("/info/a.png.trashinfo"));
        EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(Out("a.png")) +
                                    "\nDeletionDate="))
            << info.toStdString();
        EXPECT_EQ(QFileInfo(home.filePath(QStringLiteral(".local"))).permissions() & 0077, 0);
    }
}

// A file-size limit fails the image that passes it with the system's reason;
// the file it would have replaced stays in place, and the run goes on.
TEST_F(BatchCommand, AFileSizeLimitFailsOneImageAndTheRunGoesOn) {
    QTemporaryDir home;
    ASSERT_TRUE(WriteRamp(mGdip, In("big.png"), 400, 300));
    ASSERT_TRUE(WriteRamp(mGdip, In("tiny.png"), 4, 4));
    ASSERT_TRUE(WriteAll(Out("big.png"), "old"));
    const cRun run = RunBatchAs(home.path(), mIn.path(),
                                {"--size", "0", "--overwrite", "all", "-o", mOut.path(),
                                 In("big.png"), In("tiny.png")},
                                2);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, QStringLiteral("Errors occurred during save.\n"));
    EXPECT_TRUE(run.Err.contains("big.png: the file could not be written: File too large"))
        << run.Err.toStdString();
    EXPECT_EQ(ReadAll(Out("big.png")), QByteArray("old"));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral(".local/share/Trash/files/big.png"))));
    EXPECT_TRUE(QFileInfo(Out("tiny.png")).size() > 0);
}
