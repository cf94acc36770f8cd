// quillet-batch: its arguments, its answers on a terminal, and the program's
// messages, exit codes and trash end to end.
#include "BatchRun.h"
#include "BatchSaveTest.h"

#include "BatchArguments.h"
#include "cTerminalQuestions.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QProcess>
#include <QThread>

TEST(BatchArguments, OptionsMapToTheWindowsChoicesOrSayWhatIsWrong) {
    const QString tmp = QDir::tempPath();
    const cBatchArguments a =
        ParseBatchArguments({"--size", "large", "--quality", "maximum", "--rotate", "270", "--format", "gif",
                             "--overwrite", "all", "--png-fallback", "no", "-j", "3", "-o", tmp, "a.png", "b.jpg"});
    ASSERT_EQ(a.Error, QString());
    EXPECT_EQ(std::tuple(a.Job.SizeIndex, a.Job.QualityIndex, a.Job.RotationIndex, a.Jobs, a.Job.OutputFormat),
              std::tuple(3, 3, 3, 3, QStringLiteral("GIF")));
    EXPECT_EQ(std::pair(a.Overwrite, a.PngFallback), std::pair(eBatchAnswer::Yes, eBatchAnswer::No));
    EXPECT_EQ(a.Files, (QStringList{"a.png", "b.jpg"}));

    // Like the window: thumbnail, medium quality, original format; asked; all cores.
    const cBatchArguments d = ParseBatchArguments({"-o", tmp, "a.png"});
    const cSaveJob& o = d.Job;
    EXPECT_EQ(std::tuple(o.SizeIndex, o.QualityIndex, d.Jobs, o.OutputFormat, d.Overwrite),
              std::tuple(0, 1, 0, QStringLiteral("DFT"), eBatchAnswer::Ask));
    const cSaveJob custom = ParseBatchArguments({"--size", "1500", "-o", tmp, "a"}).Job;
    EXPECT_EQ(std::tuple(custom.SizeIndex, custom.CustomSize), std::tuple(5, QStringLiteral("1500")));
    EXPECT_EQ(std::tuple(o.NoEnlarge, o.MaxBytes, o.KeepDates), std::tuple(false, 0, true));
    const cSaveJob fit =
        ParseBatchArguments({"--no-enlarge", "--max-size", "1.5M", "--no-keep-dates", "-o", tmp, "a"}).Job;
    EXPECT_EQ(std::tuple(fit.NoEnlarge, fit.MaxBytes, fit.KeepDates), std::tuple(true, 1536 * 1024, false));
    // Several sizes, presets among them, as the custom size box writes them.
    const cSaveJob sizes =
        ParseBatchArguments({"--size", "320,large, 1280", "--size-folders", "--name", "{name}-{w}", "-o", tmp, "a"})
            .Job;
    EXPECT_EQ(std::tuple(sizes.SizeIndex, sizes.CustomSize, sizes.SizeFolders, sizes.NameTemplate),
              std::tuple(5, QStringLiteral("320, 640, 1280"), true, QStringLiteral("{name}-{w}")));

    // Bad usage says what is wrong.
    const std::pair<QStringList, const char*> cases[] = {
        {{"--size", "enormous", "-o", tmp, "a"}, "invalid value 'enormous' for --size"},
        {{"--size", "16385", "-o", tmp, "a"}, "--size 16385 is too large"},
        {{"--size", "-100", "-o", tmp, "a"}, "invalid value '-100' for --size"},
        {{"--size", "1e3", "-o", tmp, "a"}, "invalid value '1e3' for --size"},
        {{"--size", "320,640,320", "-o", tmp, "a"}, "invalid value '320,640,320' for --size: 320 is given twice"},
        {{"--size", "320,,640", "-o", tmp, "a"}, "invalid value '320,,640' for --size: the list has an empty size"},
        {{"--size", "320,16385", "-o", tmp, "a"}, "--size 16385 is too large"},
        {{"--name", "{name}-{s}", "-o", tmp, "a"}, "--name: unknown token {s}"},
        {{"--name", "small/{name}", "-o", tmp, "a"}, "--name: a name cannot contain '/'"},
        {{"--jobs", "0", "--quality", "best", "-o", tmp, "a"},
         "invalid value 'best' for --quality (expected low, medium, high or maximum)"},
        {{"--rotate", "45", "-o", tmp, "a"}, "invalid value '45' for --rotate"},
        {{"--jobs", "0", "-o", tmp, "a"}, "invalid value '0' for --jobs"},
        {{"--format", "tiff", "-o", tmp, "a"},
         "invalid value 'tiff' for --format (expected original, bmp, gif, jpg, png, webp, avif or jxl)"},
        {{"--max-size", "300", "-o", tmp, "a"}, "invalid value '300' for --max-size"},
        {{"--overwrite", "maybe", "-o", tmp, "a"}, "invalid value 'maybe' for --overwrite (expected ask, all or none)"},
        {{"-o", tmp + "/no/such/folder", "a"}, "cannot be used: it does not exist"},
        {{"-o", "/proc", "a"}, "the output folder '/proc' cannot be used: files cannot be made in it"},
        {{"-o", tmp}, "no image files given"},
        {{"a.png"}, "no output folder given"},
    };
    for (const auto& [arguments, expected] : cases) {
        const QString error = ParseBatchArguments(arguments).Error;
        EXPECT_TRUE(error.contains(QLatin1String(expected)))
            << arguments.join(u' ').toStdString() << " -> " << error.toStdString();
    }
}

// On a terminal the reply decides, asked again until it is understood; an
// empty reply answers the default where there is one (No, when the file is
// one of the sources); end of input is No. A PNG offer declined by policy
// names the file it leaves unwritten, on a line of its own after the progress
// line.
TEST(TerminalQuestions, TheReplyOrThePolicyDecides) {
    QString errText;
    QTextStream err(&errText);
    QStringList replies = {"maybe", "A", "n", "yes", "l", "", "", "y"};
    const auto next = [&replies] { return replies.isEmpty() ? std::nullopt : std::optional(replies.takeFirst()); };
    cTerminalQuestions asking(err, next, true, eBatchAnswer::Ask, eBatchAnswer::Ask);
    EXPECT_EQ(asking.ShowCustomMsgBox("x", false), cQuestions::kOverwriteYesToAll); // asks twice
    EXPECT_EQ(asking.ShowCustomMsgBox("x", false), cQuestions::kOverwriteNo);
    EXPECT_EQ(asking.OfferPng("logo.ico", "ICO"), cQuestions::kOverwriteYes);
    EXPECT_EQ(asking.ShowCustomMsgBox("x", false), cQuestions::kOverwriteNoToAll);
    EXPECT_EQ(asking.ShowCustomMsgBox("x", true), cQuestions::kOverwriteNo);
    EXPECT_EQ(asking.ShowCustomMsgBox("x", false), cQuestions::kOverwriteYes); // asks twice
    EXPECT_EQ(asking.ShowCustomMsgBox("x", false), cQuestions::kOverwriteNo);
    EXPECT_TRUE(errText.contains("logo.ico\nQuillet cannot save an image in the ICO format.\nWould you like to "
                                 "save this image as a PNG instead? [y]es / yes to [a]ll / [n]o / no to a[l]l "));
    EXPECT_TRUE(errText.contains("x [y]es / yes to [a]ll / [N]o / no to a[l]l "));

    cTerminalQuestions refusing(
        err, []() -> std::optional<QString> { return "y"; }, true, eBatchAnswer::Ask, eBatchAnswer::No);
    refusing.SetBeforeWriting([&err] { err << "\nSaving (50%)\n"; });
    EXPECT_EQ(refusing.OfferPng("logo.ico", "ICO"), cQuestions::kOverwriteNo);
    EXPECT_TRUE(errText.endsWith("\nSaving (50%)\nquillet-batch: logo.ico: not written: Quillet cannot "
                                 "save an image in the ICO format. (--png-fallback no)\n"))
        << errText.toStdString();
}

using BatchCommand = BatchSave;

// Scripts rely on the exit code: any input that was not saved under its own
// name makes it 1, whichever the reason; a usage error makes it 2. Two inputs
// of one output name both stay, the later one numbered, whatever the workers. Without a terminal every
// question is answered no, and the message says which option answers it. A
// write that fails once the new file is open (here at a file-size limit) fails
// that image with the system's reason, and the run goes on. An old file that
// was replaced is in the trash (--no-trash: gone, no trash made); any other is
// still in its place, also where there is no home and so no trash, and where
// --no-trash meets a write or a last rename that fails.
TEST_F(BatchCommand, ExitCodeSaysWhetherEveryInputWasSaved) {
    ASSERT_TRUE(WriteRamp(mGdip, In("a.png"), 32, 32));
    ASSERT_TRUE(WriteRamp(mGdip, In("a.jpg"), 32, 32, "jpg"));
    ASSERT_TRUE(WriteRamp(mGdip, In("big.png"), 400, 300));
    ASSERT_TRUE(WriteRamp(mGdip, In("tiny.png"), 4, 4));
    ASSERT_TRUE(WriteAll(In("broken.jpg"), "not an image"));
    ASSERT_TRUE(WriteAll(In("logo.ico"), MakeIcon(16)));
    const struct {
        const char *Options, *Inputs; // words
        const char* Old;              // a file of that name already in the output folder; "": none
        int ExitCode;
        const char* Out;             // the standard output (for --help, how it starts)
        const char* Written;         // words
        const char* Err;             // part of the messages; "": none (no terminal, no progress)
        int FileBlocks = 0;          // limit of every file written, in 512-byte blocks
        bool NoHome = false;         // run with a HOME that does not exist
        const char* FileSystem = ""; // what the file system lacks (FileSystemShim.c)
    } cases[] = {
        {"", "a.png", "", 0, "1 Images Saved\n", "a.png", ""},
        {"", "broken.jpg", "", 1, "0 Saved,  1 Failed\n", "",
         "Images Not Saved: This image could not be saved: broken.jpg: corrupt, or in a file format that "
         "cannot be opened"},
        {"", "missing.png", "", 1, "0 Images Saved\n", "", "missing.png: no such file"},
        {"", "a.png", "a.png", 1, "0 Images Saved,  1 Images Skipped\n", "",
         "a.png already exists.  Would you like to overwrite it? -> no (no terminal to ask; see --overwrite)"},
        {"--overwrite all", "a.png", "a.png", 0, "1 Images Saved\n", "a.png", ""},
        {"--overwrite all --no-trash", "a.png", "a.png", 0, "1 Images Saved\n", "a.png", ""},
        {"--overwrite all", "a.png", "a.png", 1, "0 Saved,  1 Failed\n", "",
         "a.png: the existing file could not be moved to the trash: there is no home folder", 0, true},
        {"", "logo.ico", "", 1, "0 Saved,  1 Failed\n", "",
         "logo.ico: not written: Quillet cannot save an image in the ICO format. (no terminal to ask; see "
         "--png-fallback)"},
        {"--png-fallback yes", "logo.ico", "", 0, "1 Images Saved\n", "logo.png", ""},
        {"--format png --jobs 3", "a.jpg a.png", "", 1, "2 Images Saved\n", "a-2.png a.png",
         "Images Saved Under New Names: An earlier image of this save had the same name; so as not to replace "
         "it, these were saved under a numbered name: a.png: saved as a-2.png"},
        {"--size 0 --overwrite all", "big.png tiny.png", "big.png", 1, "1 Saved,  1 Failed\n", "tiny.png",
         "big.png: the file could not be written: File too large", 2},
        {"--size 0 --overwrite all --no-trash", "big.png tiny.png", "big.png", 1, "1 Saved,  1 Failed\n", "tiny.png",
         "big.png: the file could not be written: File too large", 2},
        {"--overwrite all --no-trash", "a.png", "a.png", 1, "0 Saved,  1 Failed\n", "",
         "a.png: the file could not take its name: Input/output error", 0, false, "renamefails"},
        {"--max-size 1K --size 0", "big.png", "", 1, "1 Images Saved\n", "big.png",
         "larger than the 1 KB limit even at its smallest: big.png: 2 KB"},
        {"--rotate 45", "a.png", "", 2, "", "", "quillet-batch: invalid value '45' for --rotate"},
        {"--size 16,32", "a.png tiny.png", "", 0, "4 Images Saved\n", "a-16.png a-32.png tiny-16.png tiny-32.png", ""},
        {"--name {w}x{h} --format png", "a.jpg big.png a.png", "", 2, "", "",
         "quillet-batch: The name template \"{w}x{h}\" gives two images the same name, 100x100.png: a.jpg "
         "and a.png. Add {name} or {n} to the template."},
        {"--help", "", "", 0, "Usage: quillet-batch [options] -o DIR FILE...\n", "", ""},
        {"--version", "", "", 0, "quillet-batch " QUILLET_VERSION "\n", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Options) + " " + c.Inputs);
        QTemporaryDir out, work;
        const QString trash = EmptiedTestTrash();
        ASSERT_TRUE(!*c.Old || WriteAll(out.filePath(c.Old), "old"));
        const QStringList options = Words(c.Options), written = Words(c.Written);
        QStringList arguments = options + QStringList{"-o", out.path()};
        for (const QString& name : Words(c.Inputs))
            arguments << In(name);
        const cRun run = RunBatch(arguments, {.Home = c.NoHome ? work.filePath("gone") : QString(),
                                              .FileBlocks = c.FileBlocks,
                                              .FileSystem = QString::fromLatin1(c.FileSystem)});
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Err.toStdString();
        EXPECT_EQ(run.Out.left(options.contains("--help") ? qsizetype(strlen(c.Out)) : -1), c.Out);
        EXPECT_TRUE(*c.Err ? run.Err.contains(QString::fromLatin1(c.Err)) : run.Err.isEmpty()) << run.Err.toStdString();
        const bool replaced = *c.Old && written.contains(c.Old);
        const bool trashed = replaced && !options.contains("--no-trash");
        QStringList entries = written + (*c.Old && !replaced ? QStringList{c.Old} : QStringList{});
        entries.sort();
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), entries);
        EXPECT_EQ(QFileInfo::exists(trash), trashed); // made only for what goes there
        EXPECT_EQ(ReadAll(out.filePath(c.Old)) == "old", *c.Old && !replaced);
        EXPECT_EQ(ReadAll(trash + "/files/" + c.Old) == "old", trashed);
        EXPECT_TRUE(QDir(work.path()).isEmpty()); // nothing in the working folder
    }
}

// Killed at any moment, a run leaves each output name with its old file or a
// complete new image, or empty with the old file in the trash under a valid
// record; no temporary file ever takes an output name. A fresh account has no
// ~/.local/share: the trash is made there, private, as the file managers make
// it, and nothing appears in the working folder.
TEST_F(BatchCommand, AKilledRunLeavesOldOrNewFilesOrTheOldInTheTrash) {
    QTemporaryDir work;
    const QString home = work.filePath("home"), trash = home + QStringLiteral("/.local/share/Trash/");
    ASSERT_TRUE(QDir().mkpath(home));
    QStringList names, arguments{"--size", "0", "--overwrite", "all", "-o", mOut.path()};
    for (int i = 0; i < 40; ++i) {
        names << QStringLiteral("p%1.png").arg(i);
        ASSERT_TRUE(WriteRamp(mGdip, In(names.back()), 300, 200));
        ASSERT_TRUE(WriteAll(Out(names.back()), "old"));
        arguments << In(names.back());
    }
    QProcess process;
    StartBatch(process, arguments, {.Home = home});
    ASSERT_TRUE(process.waitForStarted());
    // Killed as soon as the first old file has gone to the trash.
    const QDeadlineTimer deadline(30000);
    while (process.state() == QProcess::Running && !deadline.hasExpired() && QDir(trash + "files").isEmpty())
        QThread::usleep(200);
    process.kill();
    process.waitForFinished();

    const QStringList trashed = QDir(trash + "files").entryList(QDir::Files);
    EXPECT_FALSE(trashed.isEmpty());
    for (const QString& name : trashed) {
        EXPECT_EQ(ReadAll(trash + "files/" + name), QByteArray("old"));
        const QByteArray path = QFile::encodeName(Out(name));
        EXPECT_TRUE(ReadAll(trash + "info/" + name + ".trashinfo")
                        .startsWith("[Trash Info]\nPath=" + path + "\nDeletionDate="));
    }
    for (const QString& name : names)
        EXPECT_TRUE(QFileInfo::exists(Out(name)) ? ReadAll(Out(name)) == "old" || SizeOf(Out(name)) == QSize(300, 200)
                                                 : trashed.contains(name))
            << name.toStdString();
    for (const QString& entry : OutputEntries())
        EXPECT_TRUE(names.contains(entry) || (entry.startsWith(".quillet-") && entry.endsWith(".part")))
            << entry.toStdString();
    EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"home"});
    EXPECT_EQ(QFileInfo(home + QStringLiteral("/.local")).permissions() & 0077, 0);
}

// File systems without hard links, nameless files or renames that refuse to
// replace (FAT and exFAT through FUSE, many network shares): photos replaced
// in their own folder, and a new one beside them, are all written, each old
// photo in the trash (--no-trash: gone). Where the last rename fails even so,
// every old photo is back in its place, untouched, each is reported, and no
// new or temporary file is left.
TEST_F(BatchCommand, FileSystemsWithoutLinksKeepEveryPhoto) {
    const struct {
        const char *FileSystem, *Options;
        int ExitCode;
        const char* Reason; // "": all written
    } cases[] = {
        {"nolinks", "--overwrite all", 0, ""},
        {"nolinks", "--overwrite all --no-trash", 0, ""},
        {"nolinks", "--overwrite all -j 3", 0, ""},
        {"nolinks,renamefails", "--overwrite all", 1,
         "the file could not take its name: Input/output error; the earlier file was put back"},
        {"nolinks,renamefails", "--overwrite all --no-trash", 1,
         "the file could not take its name: Input/output error"},
    };
    ASSERT_TRUE(WriteRamp(mGdip, In("fresh.png"), 64, 48));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.FileSystem) + " " + c.Options);
        QTemporaryDir photos;
        const QString trash = EmptiedTestTrash();
        QStringList names, arguments = Words(c.Options) + QStringList{"-o", photos.path()};
        for (int i = 0; i < 4; ++i) {
            names << QStringLiteral("p%1.png").arg(i);
            ASSERT_TRUE(WriteRamp(mGdip, photos.filePath(names.back()), 300, 200));
            arguments << photos.filePath(names.back());
        }
        const QByteArray original = ReadAll(photos.filePath(names[0]));
        const cRun run = RunBatch(arguments << In("fresh.png"), {.FileSystem = QString::fromLatin1(c.FileSystem)});
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Err.toStdString();
        const bool written = !*c.Reason;
        const bool trashed = written && !QByteArray(c.Options).contains("--no-trash");
        for (const QString& name : names) {
            EXPECT_EQ(SizeOf(photos.filePath(name)), written ? QSize(100, 67) : QSize(300, 200));
            EXPECT_EQ(ReadAll(trash + "/files/" + name) == original, trashed) << name.toStdString();
            EXPECT_TRUE(written || run.Err.contains(name + ": " + c.Reason)) << run.Err.toStdString();
        }
        EXPECT_EQ(QDir(trash + "/files").entryList(QDir::Files).size(), trashed ? 4 : 0);
        EXPECT_EQ(QDir(photos.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  (written ? QStringList{"fresh.png"} : QStringList{}) + names);
    }
}
