// Folders as input: which files a folder gives, in which order, and what
// quillet-batch does with folders on its command line.
#include "BatchSaveTest.h"
#include "cUnprivileged.h"

#include "FolderScan.h"

#include <QFile>
#include <QProcess>

#include <sys/stat.h>

namespace {

// root/
//   b.jpg a10.png a2.png notes.txt .secret.png
//   .hidden/x.png
//   Sub/c.png Sub/deeper/d.png Sub/loop -> root
//   shared -> elsewhere/ (e.png); again -> elsewhere/
//   locked/ (no permissions) holding f.png
class FolderTree : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mTop.isValid());
        // Walkable by the unprivileged reader of the unreadable-folder row.
        ::chmod(QFile::encodeName(mTop.path()).constData(), 0755);
        for (const char* file : {"root/b.jpg", "root/a10.png", "root/a2.png", "root/notes.txt",
                                 "root/.secret.png", "root/.hidden/x.png", "root/Sub/c.png",
                                 "root/Sub/deeper/d.png", "elsewhere/e.png", "root/locked/f.png"})
            Touch(file);
        ASSERT_TRUE(QFile::link(Path("root"), Path("root/Sub/loop")));
        ASSERT_TRUE(QFile::link(Path("elsewhere"), Path("root/shared")));
        ASSERT_TRUE(QFile::link(Path("elsewhere"), Path("root/again")));
        ::chmod(QFile::encodeName(Path("root/locked")).constData(), 0);
    }
    void TearDown() override { ::chmod(QFile::encodeName(Path("root/locked")).constData(), 0755); }

    QString Path(const QString& sRelative) const { return mTop.filePath(sRelative); }
    void Touch(const QString& sRelative) {
        QDir().mkpath(QFileInfo(Path(sRelative)).absolutePath());
        QFile file(Path(sRelative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // "SubFolder/Name" of every image found.
    static QStringList Found(const cFolderScan& scan) {
        QStringList found;
        for (const cFoundImage& image : scan.Images)
            found.append(image.SubFolder.isEmpty() ? image.Name : image.SubFolder + u'/' + image.Name);
        return found;
    }

    QTemporaryDir mTop;
};

TEST_F(FolderTree, GivesItsImagesSortedAndSkipsTheRest) {
    struct cCase {
        bool Subfolders;
        QStringList Images;
        int OtherFiles;
        QStringList Unreadable;
    };
    // The link back to root and the second link to elsewhere are not read again.
    const cCase cases[] = {
        {false, {"a2.png", "a10.png", "b.jpg"}, 1, {}},
        {true,
         {"a2.png", "a10.png", "b.jpg", "again/e.png", "Sub/c.png", "Sub/deeper/d.png"},
         1,
         {"locked"}},
    };
    for (const cCase& c : cases) {
        cFolderScan scan;
        {
            const cUnprivileged asUser;
            ScanFolder(Path("root"), c.Subfolders, scan);
        }
        EXPECT_EQ(Found(scan), c.Images) << c.Subfolders;
        EXPECT_EQ(scan.OtherFiles, c.OtherFiles) << c.Subfolders;
        QStringList unreadable;
        for (const QString& folder : scan.Unreadable)
            unreadable.append(QDir(Path("root")).relativeFilePath(folder));
        EXPECT_EQ(unreadable, c.Unreadable) << c.Subfolders;
    }
    EXPECT_TRUE(HasSubfolders(Path("root")));
    EXPECT_FALSE(HasSubfolders(Path("root/Sub/deeper")));
    EXPECT_EQ(FolderScanText(2000, 0), QStringLiteral("2000 images added"));
    EXPECT_EQ(FolderScanText(312, 4), QStringLiteral("312 images added, 4 other files skipped"));
    // Entered through its own link, root is read once more, from there.
    cFolderScan scan;
    {
        const cUnprivileged asUser;
        ScanFolder(Path("root/Sub"), true, scan);
    }
    EXPECT_EQ(scan.Images.front().Folder, Path("root/Sub"));
    EXPECT_EQ(Found(scan), (QStringList{"c.png", "deeper/d.png", "loop/a2.png", "loop/a10.png", "loop/b.jpg",
                                        "loop/again/e.png"}));
}

// quillet-batch takes folders, their subfolders with -r, and goes on past a
// folder it cannot read, which it reports and counts as a failure.
TEST_F(BatchSave, BatchCommandTakesFolders) {
    for (const char* name : {"top.png", "sub/inner.png", "sub/.hidden/no.png", "locked/no.png"}) {
        QDir().mkpath(QFileInfo(In(name)).absolutePath());
        ASSERT_TRUE(WriteRamp(mGdip, In(name), 20, 10, QStringLiteral("png")));
    }
    ASSERT_TRUE(WriteAll(In("sub/notes.txt"), "notes"));
    ::chmod(QFile::encodeName(In("locked")).constData(), 0);
    ::chmod(QFile::encodeName(mIn.path()).constData(), 0755);
    struct cCase {
        QStringList Arguments;
        int ExitCode;
        QStringList Written;
        QString ErrLines;
    };
    const cCase cases[] = {
        {{mIn.path()}, 0, {"top.png"}, "quillet-batch: 1 images added\n"},
        {{"-r", mIn.path()},
         1,
         {"inner.png", "top.png"},
         "quillet-batch: " + In("locked") + ": folder cannot be read\n" +
             "quillet-batch: 2 images added, 1 other files skipped\n"},
        {{"--recursive", "-q", In("sub")}, 0, {"inner.png"}, ""},
    };
    // Run as an ordinary user would be, so that the locked folder stays
    // locked; root reads it anyway, so where the build folder lets no
    // ordinary user in, the row that needs the lock is left out.
    const auto asUser = [] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(127);
    };
    QProcess probe;
    probe.setChildProcessModifier(asUser);
    probe.start(QStringLiteral(QUILLET_BATCH), {QStringLiteral("--help")});
    const bool locksHold = probe.waitForFinished(60000) && probe.exitCode() == 0;
    for (const cCase& c : cases) {
        if (!locksHold && c.Arguments.contains(QStringLiteral("-r")))
            continue;
        QDir(mOut.path()).removeRecursively();
        QDir().mkpath(mOut.path());
        QProcess batch;
        if (locksHold)
            batch.setChildProcessModifier(asUser);
        ::chmod(QFile::encodeName(mOut.path()).constData(), 0777);
        batch.start(QStringLiteral(QUILLET_BATCH), QStringList{"--no-trash", "-o", mOut.path()} + c.Arguments);
        ASSERT_TRUE(batch.waitForFinished(60000));
        EXPECT_EQ(batch.exitCode(), c.ExitCode) << c.Arguments.join(u' ').toStdString();
        EXPECT_EQ(OutputEntries(), c.Written) << c.Arguments.join(u' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(batch.readAllStandardError()), c.ErrLines);
    }
    ::chmod(QFile::encodeName(In("locked")).constData(), 0755);
}

} // namespace
