// Folders as input: which files a folder gives, in which order, and what
// quillet-batch does with folders on its command line.
#include "BatchRun.h"
#include "BatchSaveTest.h"
#include "cUnprivileged.h"

#include "FileDates.h"
#include "FolderScan.h"
#include "NameBytes.h"

#include <QDirIterator>
#include <QFile>

#include <map>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// root/
//   b.jpg a10.png a2.png notes.txt .secret.png
//   .hidden/x.png
//   Sub/c.png Sub/deeper/d.png Sub/loop -> root
//   Sub/d\xe9j\xe0/caf\xe9.png (Latin-1 names, no valid UTF-8)
//   shared -> elsewhere/ (e.png); again -> elsewhere/
//   locked/ (no permissions) holding f.png
class FolderTree : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mTop.isValid());
        // Walkable by the unprivileged reader of the unreadable-folder row.
        ::chmod(QFile::encodeName(mTop.path()).constData(), 0755);
        for (const char* file :
             {"root/b.jpg", "root/a10.png", "root/a2.png", "root/notes.txt", "root/.secret.png", "root/.hidden/x.png",
              "root/Sub/c.png", "root/Sub/deeper/d.png", "elsewhere/e.png", "root/locked/f.png"})
            Touch(file);
        const QByteArray latin1 = QFile::encodeName(Path("root/Sub")) + "/d\xe9j\xe0";
        ASSERT_EQ(::mkdir(latin1.constData(), 0755), 0);
        ASSERT_EQ(::close(::creat((latin1 + "/caf\xe9.png").constData(), 0644)), 0);
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

    // The Latin-1 image below sPrefix as the scan names it: its stray bytes kept.
    static QString Latin1(const char* sPrefix) { return NameFromBytes(QByteArray(sPrefix) + "d\xe9j\xe0/caf\xe9.png"); }

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
         {"a2.png", "a10.png", "b.jpg", "again/e.png", "Sub/c.png", "Sub/deeper/d.png", Latin1("Sub/")},
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
}

// A name that is not UTF-8 keeps its date when its output keeps dates: the
// time is read and set through the name's own bytes.
TEST_F(FolderTree, DatesOfANameThatIsNotUtf8) {
    const QString latin1 = Latin1((QFile::encodeName(Path("root")) + "/Sub/").constData());
    ASSERT_TRUE(SetModificationTime(latin1, {981'173'045, 5}));
    const std::optional<timespec> time = ModificationTime(latin1);
    ASSERT_TRUE(time);
    EXPECT_EQ(std::pair(time->tv_sec, time->tv_nsec), std::pair(time_t{981'173'045}, 5L));
}

// quillet-batch takes folders, their subfolders with -r, and says how many
// images each gave. (A folder it cannot read: the scan's own test above.)
TEST_F(BatchSave, BatchCommandTakesFolders) {
    for (const char* name : {"top.png", "sub/inner.png", "sub/.hidden/no.png"}) {
        QDir().mkpath(QFileInfo(In(name)).absolutePath());
        ASSERT_TRUE(WriteRamp(mGdip, In(name), 20, 10, QStringLiteral("png")));
    }
    ASSERT_TRUE(WriteAll(In("sub/notes.txt"), "notes"));
    const struct {
        QStringList Arguments;
        QStringList Written;
        QString ErrLines;
    } cases[] = {
        {{mIn.path()}, {"top.png"}, "quillet-batch: 1 images added\n"},
        {{"-r", mIn.path()}, {"inner.png", "top.png"}, "quillet-batch: 2 images added, 1 other files skipped\n"},
        {{"--recursive", "-q", In("sub")}, {"inner.png"}, ""},
    };
    for (const auto& c : cases) {
        QDir(mOut.path()).removeRecursively();
        QDir().mkpath(mOut.path());
        const cRun run = RunBatch(QStringList{"--no-trash", "-o", mOut.path()} + c.Arguments);
        EXPECT_EQ(run.ExitCode, 0) << c.Arguments.join(u' ').toStdString();
        EXPECT_EQ(OutputEntries(), c.Written) << c.Arguments.join(u' ').toStdString();
        EXPECT_EQ(run.Err, c.ErrLines);
    }
}

// With --keep-folders every image goes into its own subfolder of the output
// folder, made as needed with the user's umask; names collide only within
// one folder, a file standing where a folder is needed fails its images
// alone, and workers write the very same tree.
TEST_F(BatchSave, BatchCommandKeepsTheFolderTree) {
    for (const char* name : {"top.png", "Trip/a.png", "Trip/Day 1/b.png", "Other/a.png", "Blocked/c.png"}) {
        QDir().mkpath(QFileInfo(In(name)).absolutePath());
        ASSERT_TRUE(WriteRamp(mGdip, In(name), 30, 20, QStringLiteral("png")));
    }
    ASSERT_TRUE(WriteRamp(mGdip, In("Trip/a.jpg"), 20, 30, QStringLiteral("jpg")));
    const QStringList tree = {"Blocked", "Other/a.png", "Trip/Day 1/b.png", "Trip/a-2.png", "Trip/a.png", "top.png"};
    std::map<QString, QByteArray> firstRun;
    for (const char* jobs : {"1", "2"}) {
        QDir(mOut.path()).removeRecursively();
        QDir().mkpath(mOut.path());
        ASSERT_TRUE(WriteAll(Out("Blocked"), "a file where a folder should be"));
        const cRun run = RunBatch({"-j", jobs, "-q", "-r", "--keep-folders", "--format", "png", "--overwrite", "none",
                                   "-o", mOut.path(), mIn.path()},
                                  {.Umask = 027});
        const QString& err = run.Err;
        EXPECT_EQ(run.ExitCode, 1) << jobs;
        EXPECT_TRUE(err.contains(QStringLiteral("Blocked/c.png: a file is in the way of its folder")) &&
                    err.contains(QStringLiteral("Trip/a-2.png")))
            << err.toStdString();
        std::map<QString, QByteArray> written;
        for (QDirIterator it(mOut.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            written[QDir(mOut.path()).relativeFilePath(path)] = ReadAll(path);
        }
        QStringList names;
        for (const auto& [name, bytes] : written)
            names.append(name);
        EXPECT_EQ(names, tree) << jobs;
        const QSize first = SizeOf(Out("Trip/a.png"));
        EXPECT_LT(first.width(), first.height()) << "the JPEG, listed first, keeps the plain name";
        struct stat made {};
        ASSERT_EQ(::stat(QFile::encodeName(Out("Trip/Day 1")).constData(), &made), 0);
        EXPECT_EQ(made.st_mode & 0777, 0750u) << jobs;
        if (firstRun.empty())
            firstRun = written;
        else
            EXPECT_TRUE(written == firstRun) << "-j 2 wrote other bytes than -j 1";
    }
}

// Whatever an entry's subfolder says, its output stays below the output
// folder; the question about an existing file names it with its subfolder,
// and a folder is only made for a file that is written.
TEST_F(BatchSave, KeptFoldersStayBelowTheOutputFolder) {
    mJob.KeepFolders = true;
    for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
        AddRamp(QString::fromLatin1(name), 16, 16);
    mList.Entries[0].SubFolder = QStringLiteral("../../up");
    mList.Entries[1].SubFolder = QStringLiteral("/Trip/./Day//");
    mList.Entries[2].SubFolder = QStringLiteral("Old");
    mList.Entries[3].SubFolder = QStringLiteral("New/Skipped");
    ASSERT_TRUE(QDir().mkpath(Out("Old")) && WriteAll(Out("Old/c.png"), "old"));
    ASSERT_TRUE(WriteAll(In("d.png"), "no image"));
    mQuestions.OverwriteAnswers = {cQuestions::kOverwriteNo};
    EXPECT_EQ(Run().Caption(), QStringLiteral("2 Saved,  1 Skipped,  1 Failed"));
    ASSERT_EQ(mQuestions.Asked(eKind::Overwrite).size(), 1u);
    EXPECT_EQ(mQuestions.Asked(eKind::Overwrite)[0].Text,
              QStringLiteral("Old/c.png already exists.  Would you like to overwrite it?"));
    EXPECT_TRUE(QFile::exists(Out("up/a.png")) && QFile::exists(Out("Trip/Day/b.png")));
    EXPECT_EQ(ReadAll(Out("Old/c.png")), "old");
    EXPECT_EQ(OutputEntries(), (QStringList{"Old", "Trip", "up"}));
}

} // namespace
