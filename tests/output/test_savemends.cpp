// The batch save never loses a file, never reports a failure as success, asks
// before the PNG fallback replaces a file and copes with sources it cannot
// load.
#include "BatchSaveTest.h"

#include "SafeWrite.h"

#include <QImage>
#include <QProcess>

#include <sys/stat.h>


namespace {

// Makes sFolder unwritable: by its permissions, or for a user whom
// permissions do not stop (root), by the immutable attribute. False when
// neither works here.
bool MakeUnwritable(const QString& sFolder) {
    QFile::setPermissions(sFolder, QFile::ReadOwner | QFile::ExeOwner);
    auto writable = [&sFolder] {
        QFile probe(sFolder + QStringLiteral("/.probe"));
        const bool ok = probe.open(QIODevice::WriteOnly);
        probe.remove();
        return ok;
    };
    if (!writable())
        return true;
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), sFolder});
    return !writable();
}

void MakeWritable(const QString& sFolder) {
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), sFolder});
    QFile::setPermissions(sFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class SaveMends : public BatchSave {
  protected:
    void TearDown() override { MakeWritable(mOut.path()); }
};

// A replaced file goes to the trash. A link at the output name is an existing
// entry: the user is asked, and the link itself goes to the trash; the file
// or folder it points to is untouched. A folder in the way is a failure, not
// a file to replace.
TEST_F(SaveMends, LinksAreAskedAboutAndMovedNotFollowedFoldersFail) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(WriteAll(elsewhere.filePath(QStringLiteral("target.png")), "linked file"));
    for (const char* name : {"file.png", "link.png", "dangling.png", "folder.png"})
        AddRamp(QString::fromLatin1(name));
    ASSERT_TRUE(WriteAll(Out("file.png"), "old"));
    ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("target.png")), Out("link.png")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("missing.png")), Out("dangling.png")));
    ASSERT_TRUE(QDir(mOut.path()).mkdir(QStringLiteral("folder.png")));
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes, cQuestions::kOverwriteYes,
                                   cQuestions::kOverwriteYes};

    const cSaveSummary summary = Run();
    EXPECT_EQ(std::tuple(summary.Saved, summary.Errors), std::tuple(3, 1));
    EXPECT_EQ(mQuestions.Asked(eKind::Overwrite).size(), 3u);
    for (const char* name : {"file.png", "link.png", "dangling.png"}) {
        const QFileInfo written(Out(QString::fromLatin1(name)));
        EXPECT_TRUE(written.isFile() && !written.isSymLink()) << name;
        EXPECT_TRUE(TrashedFiles().contains(QString::fromLatin1(name))) << name;
    }
    EXPECT_EQ(ReadAll(mTrash + QStringLiteral("/files/file.png")), QByteArray("old"));
    EXPECT_TRUE(QFileInfo(mTrash + QStringLiteral("/files/link.png")).isSymLink());
    ASSERT_EQ(summary.Failures.size(), 1u);
    EXPECT_EQ(summary.Failures[0].FileName + QStringLiteral(": ") + summary.Failures[0].Reason,
              QStringLiteral("folder.png: a folder of that name is in the way"));
    EXPECT_TRUE(QFileInfo(Out("folder.png")).isDir());
    EXPECT_EQ(OutputEntries().size(), 4); // no temporary file left
    EXPECT_EQ(ReadAll(elsewhere.filePath(QStringLiteral("target.png"))), QByteArray("linked file"));
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"target.png"});
}

// Where the old file cannot go to the trash, it stays and the image is not
// written: a name too long for the trash's record, or a trash that cannot be
// written to.
TEST_F(SaveMends, AFileThatCannotGoToTheTrashIsKeptAndListed) {
    const QString longName = QString(242, u'x') + QStringLiteral(".png"); // 246 bytes
    struct cCase {
        QString Name;
        bool LockTrash;
    } cases[] = {{longName, false}, {QStringLiteral("a.png"), true}};
    for (const cCase& c : cases) {
        SCOPED_TRACE(c.Name.size());
        mList.Entries.clear();
        const QString trash = EmptiedTestTrash();
        if (c.LockTrash) {
            ASSERT_TRUE(QDir().mkpath(trash + QStringLiteral("/info")) &&
                        QDir().mkpath(trash + QStringLiteral("/files")));
            if (!MakeUnwritable(trash + QStringLiteral("/info")))
                GTEST_SKIP() << "cannot make a folder unwritable here";
        }
        AddRamp(c.Name);
        ASSERT_TRUE(WriteAll(Out(c.Name), "old"));
        mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes};
        const cSaveSummary summary = Run();
        if (c.LockTrash)
            MakeWritable(trash + QStringLiteral("/info"));

        EXPECT_EQ(summary.Saved, 0);
        ASSERT_EQ(summary.Failures.size(), 1u);
        EXPECT_TRUE(summary.Failures[0].Reason.startsWith(
            QStringLiteral("the existing file could not be moved to the trash: ")));
        EXPECT_TRUE(summary.Failures[0].Reason.endsWith(QStringLiteral("; it was kept")));
        EXPECT_EQ(ReadAll(Out(c.Name)), QByteArray("old"));
        EXPECT_EQ(OutputEntries(), QStringList{c.Name}); // nothing else left behind
        QFile::remove(Out(c.Name));
    }
}

TEST_F(SaveMends, AReadOnlyFolderFailsEveryImageOnceAndKeepsTheOldFiles) {
    AddRamp(QStringLiteral("a.png"));
    AddRamp(QStringLiteral("b.png"));
    ASSERT_TRUE(WriteAll(Out("a.png"), "old"));
    if (!MakeUnwritable(mOut.path()))
        GTEST_SKIP() << "cannot make a folder unwritable here";
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes};
    const cSaveSummary summary = Run();
    MakeWritable(mOut.path());

    EXPECT_EQ(summary.Saved, 0);
    EXPECT_EQ(summary.Errors, 2);
    EXPECT_EQ(summary.Caption(), QStringLiteral("Errors occurred during save."));
    EXPECT_EQ(ReadAll(Out("a.png")), QByteArray("old"));
    EXPECT_EQ(OutputEntries(), QStringList{"a.png"});
    EXPECT_TRUE(TrashedFiles().isEmpty());

    // One message at the end, naming both files and why.
    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Title, QStringLiteral("Images Not Saved"));
    EXPECT_TRUE(asked[0].Text.contains(QStringLiteral("a.png: ")));
    EXPECT_TRUE(asked[0].Text.contains(QStringLiteral("b.png: ")));
    ASSERT_EQ(summary.Failures.size(), 2u);
    EXPECT_FALSE(summary.Failures[1].Reason.isEmpty());
}

// Sources that fail to load are reported and removed, the progress counts
// what is left, and the run goes on: a PNG without its image, one beyond
// 16-bit sizes, a FIFO put where a source was (refused at once, as no writer
// will ever come), and a JPEG whose scan names a Huffman table the file lacks
// (it fails only once decoding starts).
TEST_F(SaveMends, UnloadableSourcesAreRemovedWithoutWaiting) {
    AddRamp(QStringLiteral("one.png"));
    AddFile(QStringLiteral("broken.png"), "\x89PNG\r\n\x1a\n garbage");
    QImage wide(40000, 1, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    ASSERT_TRUE(wide.save(In("wide.png")));
    mList.Add(In("wide.png"));
    mList.Add(In("fifo.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(In("fifo.png")).constData(), 0600), 0);
    ASSERT_TRUE(WriteRamp(mGdip, In("broken.jpg"), 64, 48, QStringLiteral("jpg")));
    QByteArray jpeg = ReadAll(In("broken.jpg"));
    ASSERT_GT(jpeg.indexOf("\xFF\xDA"), 0);
    jpeg[jpeg.indexOf("\xFF\xDA") + 6] = char(0x33);
    AddFile(QStringLiteral("broken.jpg"), jpeg);
    AddRamp(QStringLiteral("three.png"));
    mOptions.OutputFormat = QStringLiteral("JPG");
    const cSaveSummary summary = Run();

    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 4u);
    for (const auto& question : asked)
        EXPECT_EQ(question.Title, QStringLiteral("Error Loading Image"));
    EXPECT_EQ(asked[0].Text,
              QStringLiteral("broken.png is corrupt, or in a file format that cannot be opened.\n\n"
                             "It has been removed from list of files to work with, and will not "
                             "be saved."));
    EXPECT_EQ(asked[0].Icon, cQuestions::eIcon::Exclamation);
    EXPECT_TRUE(asked[3].Text.startsWith(QStringLiteral("broken.jpg is corrupt")));
    EXPECT_EQ(summary.Removed, 4);
    EXPECT_EQ(mList.Count(), 2);
    EXPECT_EQ(summary.Caption(), QStringLiteral("2 Images Saved"));
    EXPECT_EQ(OutputEntries(), (QStringList{"one.jpg", "three.jpg"}));
    // 1 of 6 done, then 1 of 5 (the broken one left), ..., then 2 of 2.
    EXPECT_EQ(mObserver.Captions, (QStringList{"Saving (17%)", "Saving (20%)", "Saving (25%)",
                                               "Saving (33%)", "Saving (50%)", "Saving (100%)"}));
}

// a.jpg and a.png both become a.png: the second replaces the first's file
// (after the usual question), which is listed and counted once.
TEST_F(SaveMends, TwoEntriesWithOneOutputNameAreCountedOnceAndListed) {
    AddRamp(QStringLiteral("a.png"));
    ASSERT_TRUE(WriteRamp(mGdip, In("a.jpg"), 64, 48, QStringLiteral("jpg")));
    mList.Add(In("a.jpg"));
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes};
    const cSaveSummary summary = Run();
    EXPECT_EQ(summary.Caption(), QStringLiteral("1 Images Saved"));
    EXPECT_EQ(mQuestions.Asked(eKind::Overwrite).size(), 1u);
    ASSERT_EQ(summary.Failures.size(), 1u);
    EXPECT_EQ(summary.Failures[0].FileName + QStringLiteral(": ") + summary.Failures[0].Reason,
              QStringLiteral("a.png: written for both a.png and a.jpg; the later one replaced the "
                             "earlier (now in the trash)"));
    EXPECT_EQ(TrashedFiles(), QStringList{"a.png"});
    EXPECT_EQ(OutputEntries(), QStringList{"a.png"});
}

TEST(SafeWrite, NeverReplacesWithoutConsentAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.bin"));
    ASSERT_TRUE(WriteAll(path, "old"));
    const cWriteResult refused = WriteFileSafely(path, "new", eReplace::No);
    EXPECT_FALSE(refused.Ok);
    EXPECT_EQ(ReadAll(path), QByteArray("old"));

    const QString fresh = dir.filePath(QStringLiteral("y.bin"));
    EXPECT_TRUE(WriteFileSafely(fresh, "new", eReplace::No).Ok);
    EXPECT_EQ(ReadAll(fresh), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    const cWriteResult noFolder =
        WriteFileSafely(dir.filePath(QStringLiteral("missing/z.bin")), "new", eReplace::No);
    EXPECT_FALSE(noFolder.Ok);
    EXPECT_EQ(noFolder.Reason, QStringLiteral("the folder does not exist"));
}
