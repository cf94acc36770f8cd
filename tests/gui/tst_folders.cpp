// Folders in the window: dropped, handed over by a later start of the
// program or chosen with "Add Folder...", and files handed over while a save
// runs.

#include "WindowFixture.h"
#include "cUnprivileged.h"

#include <QDir>
#include <QDirIterator>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Album(const QString& sRelative = {}) {
    return TestFolder().filePath(QStringLiteral("album/") + sRelative);
}

} // namespace

class tst_folders : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QDir().mkpath(Album("trip/day2"));
        QDir().mkpath(Album(".cache"));
        QDir().mkpath(Album("locked"));
        for (const char* name : {"album/b.png", "album/a.png", "album/trip/c.png", "album/trip/day2/d.png",
                                 "album/.cache/x.png", "album/locked/e.png", "one.png"})
            Picture(QString::fromLatin1(name), 16, 12);
        WriteFile("album/notes.txt", "notes");
        ::chmod(QFile::encodeName(TestFolder().path()).constData(), 0755);
        ::chmod(QFile::encodeName(Album("locked")).constData(), 0);
    }
    void cleanupTestCase() { ::chmod(QFile::encodeName(Album("locked")).constData(), 0755); }
    void init() { StartFresh(); }

    void foldersGiveTheirImages_data() {
        QTest::addColumn<bool>("append");
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("unreadableReports");
        QTest::newRow("dropped") << false << false << QStringList{"a.png", "b.png"}
                                 << "2 images added, 1 other files skipped" << 0;
        QTest::newRow("dropped, with subfolders")
            << false << true << QStringList{"a.png", "b.png", "c.png", "d.png"} << "" << 1;
        QTest::newRow("handed over") << true << false << QStringList{"one.png", "a.png", "b.png"}
                                     << "2 images added, 1 other files skipped" << 0;
    }
    void foldersGiveTheirImages() {
        QFETCH(bool, append);
        QFETCH(bool, subfolders);
        QFETCH(QStringList, entries);
        QFETCH(QString, status);
        QFETCH(int, unreadableReports);
        cTestWindow window;
        window.Open({"one.png"});
        window.Script.MsgBoxAnswers.push_back(subfolders ? cQuestions::eAnswer::Yes : cQuestions::eAnswer::No);
        {
            const cUnprivileged asUser; // the locked folder stays locked for root too
            if (append)
                window.TakeHandedFiles({Album()});
            else
                window.ImageList().TakeFiles({Album()});
        }
        QCOMPARE(window.EntryTexts(), entries);
        if (status.isEmpty())
            status = QStringLiteral("%1 images added, 1 other files skipped").arg(entries.size());
        QCOMPARE(window.labStatus->text(), status);
        const std::vector<cScriptedQuestions::cAsked> asked = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1 + unreadableReports));
        QCOMPARE(asked[0].Text, QStringLiteral("Add the images in its subfolders too?"));
        if (unreadableReports > 0)
            QVERIFY(asked[1].Text.endsWith(Album("locked")));
        QVERIFY(window.SaveButton->isEnabled());
    }

    void addFolderFromTheMenuAppends() {
        cTestWindow window;
        window.Open({"one.png"});
        window.Script.FolderAnswers.push_back(Album("trip/day2"));
        Child<QAction>(window, "mnuAddFolder")->trigger();
        QCOMPARE(window.EntryTexts(), (QStringList{"one.png", "d.png"}));
        // No subfolders there: nothing asked.
        QVERIFY(window.Script.Asked(eKind::MsgBox).empty());
        QCOMPARE(window.labStatus->text(), QStringLiteral("1 images added"));
    }

    // "Keep subfolders": a folder added with its subfolders is saved as the
    // same tree; a file added by itself goes into the chosen folder.
    void keptSubfoldersMirrorTheAddedFolder() {
        QTemporaryDir out;
        cTestWindow window;
        window.Open({"one.png"});
        window.Script.MsgBoxAnswers.push_back(cQuestions::eAnswer::Yes);
        {
            const cUnprivileged asUser;
            window.TakeHandedFiles({Album()});
        }
        Child<QAction>(window, "mnuKeepFolders")->setChecked(true);
        window.Script.FolderAnswers.push_back(out.path());
        window.SaveImages();
        QStringList written;
        for (QDirIterator it(out.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            written.append(QDir(out.path()).relativeFilePath(it.next()));
        written.sort();
        QCOMPARE(written, (QStringList{"a.png", "b.png", "one.png", "trip/c.png", "trip/day2/d.png"}));
    }

    // A name that is no valid UTF-8, found in a folder: listed with a
    // replacement character, saved under its own bytes.
    void latin1NamesAreShownReplacedAndSavedAsTheyAre() {
        const QByteArray folder = QFile::encodeName(TestFolder().filePath("latin"));
        QDir().mkpath(TestFolder().filePath("latin"));
        QVERIFY(::link(QFile::encodeName(TestFolder().filePath("one.png")), folder + "/caf\xe9.png") == 0);
        QTemporaryDir out;
        cTestWindow window;
        window.TakeHandedFiles({TestFolder().filePath("latin")});
        QCOMPARE(window.EntryTexts().size(), 1);
        QCOMPARE(window.lvwImages->topLevelItem(0)->text(0), QStringLiteral("caf\uFFFD.png"));
        window.Script.FolderAnswers.push_back(out.path());
        window.SaveImages();
        QVERIFY(::access(QFile::encodeName(out.path()) + "/caf\xe9.png", F_OK) == 0);
    }

    // Files handed over while a save runs wait for it to end.
    void handedFilesWaitForTheSave() {
        QTemporaryDir out;
        QVERIFY(QFile::copy(TestFolder().filePath("one.png"), out.filePath("one.png")));
        cTestWindow window;
        window.Open({"one.png"});
        int entriesThen = -1;
        QString statusThen;
        window.Script.WhileAsking = [&] {
            window.TakeHandedFiles({Album("a.png"), Album("b.png")});
            entriesThen = window.lvwImages->topLevelItemCount();
            statusThen = window.labStatus->text();
        };
        window.Script.FolderAnswers.push_back(out.path());
        window.Script.OverwriteAnswers.push_back(cQuestions::kOverwriteYes);
        window.SaveImages();
        QCOMPARE(entriesThen, 1);
        QVERIFY2(statusThen.endsWith(QStringLiteral("2 handed files wait for the save to end")),
                 qPrintable(statusThen));
        QTRY_COMPARE(window.EntryTexts(), (QStringList{"one.png", "a.png", "b.png"}));
    }
};

QTEST_MAIN(tst_folders)
#include "tst_folders.moc"
