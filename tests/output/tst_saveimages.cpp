// The Save button's run in the window: folder choice and setting, the status
// band during and after the run, the list after a failed entry, and Escape.
#include "SaveFixtures.h"
#include "cScriptedQuestions.h"

#include "AppState.h"
#include "Registry.h"
#include "cImageList.h"
#include "frmQuillet.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using eKind = cScriptedQuestions::eKind;

class tst_saveimages : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        EmptiedTestTrash();
        WriteString(SettingsKey, QStringLiteral("FirstTime"), QStringLiteral("N"));
    }

    void init() {
        mIn = std::make_unique<QTemporaryDir>();
        mOut = std::make_unique<QTemporaryDir>();
        QVERIFY(mIn->isValid() && mOut->isValid());
        mQuestions = std::make_unique<cScriptedQuestions>();
        mWindow = std::make_unique<frmQuillet>(mQuestions.get());
        gOutputFormat = QStringLiteral("PNG");
        gSizeIndex = 0;
        gRotationIndex = 0;
    }

    void cleanup() {
        mWindow.reset();
        mQuestions.reset();
    }

    // Cancelling the folder changes nothing; then a run saves, removes the
    // broken entry and shows the summary.
    void aRunSavesRemovesTheBrokenEntryAndShowsTheSummary() {
        AddEntry(QStringLiteral("a.png"));
        QVERIFY(WriteAll(mIn->filePath(QStringLiteral("bad.png")), "broken"));
        mWindow->ImageList().AddToFileList(mIn->path(), QStringLiteral("bad.png"));
        AddEntry(QStringLiteral("c.png"));
        WriteString(SettingsKey, QStringLiteral("SaveFolder"), QStringLiteral("/before"));
        const QString status = mWindow->labStatus->text();
        mWindow->SaveImages();
        QCOMPARE(mQuestions->Asked(eKind::BrowseForFolder).size(), size_t(1));
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("SaveFolder")).toString(), QStringLiteral("/before"));
        QCOMPARE(mWindow->labStatus->text(), status);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 3);

        const QString chosen = mOut->path() + u'/';
        mQuestions->FolderAnswers = {chosen};
        mWindow->SaveImages();
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("SaveFolder")).toString(), chosen);
        QCOMPARE(mWindow->mSaveFolder, chosen);
        QCOMPARE(mWindow->labStatus->text(), QStringLiteral("2 Images Saved"));
        QVERIFY(!mWindow->shpProgress.Visible);
        QVERIFY(mWindow->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 2);
        QCOMPARE(mWindow->labFileCount->text(), QStringLiteral("2 Images"));
        QCOMPARE(QDir(mOut->path()).entryList(QDir::Files), (QStringList{"a.png", "c.png"}));
        QCOMPARE(gImageWidth, 64); // the last image the save measured
    }

    // Escape, or closing the window, during a run asks first. Yes: the run
    // stops after the current image; a close then closes the window (and only
    // then lets go of its imaging instance). No: the run goes on and the
    // window stays.
    void stoppingMidRunAsksFirst_data() {
        QTest::addColumn<bool>("close");
        QTest::addColumn<bool>("stop");
        QTest::newRow("escape, yes") << false << true;
        QTest::newRow("close, yes") << true << true;
        QTest::newRow("close, no") << true << false;
    }
    void stoppingMidRunAsksFirst() {
        QFETCH(bool, close);
        QFETCH(bool, stop);
        for (const char* name : {"a.png", "b.png", "c.png"})
            AddEntry(QString::fromLatin1(name));
        mWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(mWindow.get()));
        mQuestions->FolderAnswers = {mOut->path()};
        mQuestions->MsgBoxAnswers = {stop ? cQuestions::eAnswer::Yes : cQuestions::eAnswer::No};
        // Delivered at the run's first pending-events point: the window
        // manager's close, or a key press on the disabled window.
        if (close)
            QCoreApplication::postEvent(mWindow->windowHandle(), new QCloseEvent);
        else
            QCoreApplication::postEvent(
                mWindow.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        mWindow->SaveImages();

        const auto asked = mQuestions->Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Text, QStringLiteral("Stop saving?"));
        QCOMPARE(asked[0].Buttons, cQuestions::eButtons::YesNo);
        QCOMPARE(mWindow->labStatus->text(),
                 stop ? QStringLiteral("Stopped: 1 Images Saved") : QStringLiteral("3 Images Saved"));
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 3);
        QVERIFY(mWindow->isEnabled());
        QVERIFY(mWindow->gdip);
        if (close && stop) {
            QTRY_VERIFY(!mWindow->isVisible());
            QVERIFY(!mWindow->gdip);
        } else {
            QTest::qWait(50);
            QVERIFY(mWindow->isVisible());
        }
    }

  private:
    void AddEntry(const QString& sName) {
        QVERIFY(WriteRamp(mGdip, mIn->filePath(sName), 64, 48));
        mWindow->ImageList().AddToFileList(mIn->path(), sName);
    }

    std::unique_ptr<QTemporaryDir> mIn, mOut;
    cGDIP mGdip;
    std::unique_ptr<cScriptedQuestions> mQuestions;
    std::unique_ptr<frmQuillet> mWindow;
};

QTEST_MAIN(tst_saveimages)
#include "tst_saveimages.moc"
