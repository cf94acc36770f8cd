// The batch save never loses a file, never reports a failure as success, and
// copes with sources it cannot load.
#include "BatchSaveTest.h"

#include "SafeWrite.h"

#include <QImage>
#include <QProcess>

#include <sys/stat.h>

namespace {

// Makes sFolder unwritable: by its permissions, or for a user whom they do
// not stop (root), by the immutable attribute. False when neither works here.
bool MakeUnwritable(const QString& sFolder) {
    QFile::setPermissions(sFolder, QFile::ReadOwner | QFile::ExeOwner);
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), sFolder});
    QFile probe(sFolder + QStringLiteral("/.probe"));
    if (!probe.open(QIODevice::WriteOnly))
        return true;
    probe.remove();
    return false;
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
    mQuestions.OverwriteAnswers.assign(3, cQuestions::kOverwriteYes);

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

// Where the old file cannot go to the trash (a name too long for the trash's
// record, a trash that cannot be written to) or the folder cannot be written
// to, the old file stays, the image is not written, and one message at the
// end names every file and why.
TEST_F(SaveMends, FilesThatCannotBeReplacedAreKeptAndListed) {
    const QString longName = QString(242, u'x') + QStringLiteral(".png"); // 246 bytes
    const struct {
        QStringList Names;
        QString Locked; // "info": the trash's records; "out": the output folder
    } cases[] = {{{longName}, ""}, {{"a.png"}, "info"}, {{"a.png", "b.png"}, "out"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Locked.toStdString());
        mList.Entries.clear();
        mQuestions = cScriptedQuestions{};
        for (const QString& name : c.Names)
            AddRamp(name);
        ASSERT_TRUE(WriteAll(Out(c.Names[0]), "old"));
        const QString trash = EmptiedTestTrash();
        ASSERT_TRUE(QDir().mkpath(trash + "/info") && QDir().mkpath(trash + "/files"));
        const QString locked = c.Locked == "out" ? mOut.path() : trash + "/info";
        if (!c.Locked.isEmpty() && !MakeUnwritable(locked))
            GTEST_SKIP() << "cannot make a folder unwritable here";
        mQuestions.OverwriteAnswers = {cQuestions::kOverwriteYes};
        const cSaveSummary summary = Run();
        MakeWritable(locked);

        EXPECT_EQ(std::pair(summary.Saved, summary.Errors), std::pair(0, int(c.Names.size())));
        ASSERT_EQ(summary.Failures.size(), size_t(c.Names.size()));
        const QString reason = summary.Failures[0].Reason;
        EXPECT_TRUE(c.Locked == "out" || (reason.startsWith("the existing file could not be moved to the trash: ") &&
                                          reason.endsWith("; it was kept")))
            << reason.toStdString();
        EXPECT_EQ(ReadAll(Out(c.Names[0])), QByteArray("old"));
        EXPECT_EQ(OutputEntries(), QStringList{c.Names[0]}); // nothing else left behind
        EXPECT_TRUE(TrashedFiles().isEmpty());
        const auto asked = mQuestions.Asked(eKind::MsgBox);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].Title, QStringLiteral("Images Not Saved"));
        for (const QString& name : c.Names)
            EXPECT_TRUE(asked[0].Text.contains(name + ": ")) << name.toStdString();
        QFile::remove(Out(c.Names[0]));
    }
}

// Sources that fail to load are listed at the end and removed, the progress
// counts what is left, and the run goes on: a PNG without its image, one beyond
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
    const cSaveSummary summary = Run();

    const auto asked = mQuestions.Asked(eKind::MsgBox);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Title, QStringLiteral("Images Not Saved"));
    EXPECT_EQ(asked[0].Icon, cQuestions::eIcon::Exclamation);
    const QString reason =
        QStringLiteral(": corrupt, or in a file format that cannot be opened; removed from the list");
    EXPECT_EQ(asked[0].Text, "These images could not be saved:\n\nbroken.png" + reason + "\nwide.png" + reason +
                                 "\nfifo.png" + reason + "\nbroken.jpg" + reason);
    EXPECT_EQ(summary.Removed, 4);
    EXPECT_EQ(mList.Count(), 2);
    EXPECT_EQ(summary.Caption(), QStringLiteral("2 Saved,  4 Failed"));
    EXPECT_EQ(OutputEntries(), (QStringList{"one.png", "three.png"}));
    // 1 of 6 done, then 1 of 5 (the broken one left), ..., then 2 of 2.
    EXPECT_EQ(mObserver.Captions,
              (QStringList{"Saving (17%)  1 of 6", "Saving (20%)  1 of 5", "Saving (25%)  1 of 4",
                           "Saving (33%)  1 of 3", "Saving (50%)  1 of 2", "Saving (100%)  2 of 2"}));
}
