// The Save button's run in the window: folder choice and setting, the status
// band during and after the run, the list after a failed entry, and the ways
// to stop.
#include "WindowFixture.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTimer>

class tst_saveimages : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        StartFresh();
        gOutputFormat = QStringLiteral("PNG");
        mOut = std::make_unique<QTemporaryDir>();
        mWindow = std::make_unique<cTestWindow>();
    }

    void cleanup() { mWindow.reset(); }

    // Cancelling the folder changes nothing; then a run saves, removes the
    // broken entry and shows the summary.
    void aRunSavesRemovesTheBrokenEntryAndShowsTheSummary() {
        for (const char* name : {"a.png", "bad.png", "c.png"})
            AddEntry(QString::fromLatin1(name));
        WriteString(SettingsKey, QStringLiteral("SaveFolder"), QStringLiteral("/before"));
        const QString status = mWindow->labStatus->text();
        mWindow->SaveImages();
        QCOMPARE(mWindow->Script.Asked(eKind::BrowseForFolder).size(), size_t(1));
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("SaveFolder")).toString(), QStringLiteral("/before"));
        QCOMPARE(mWindow->labStatus->text(), status);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 3);

        const QString chosen = mOut->path() + u'/';
        mWindow->Script.FolderAnswers = {chosen};
        mWindow->SaveImages();
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("SaveFolder")).toString(), chosen);
        QCOMPARE(mWindow->mSaveFolder, chosen);
        QCOMPARE(mWindow->labStatus->text(), QStringLiteral("2 Saved,  1 Failed"));
        const auto asked = mWindow->Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1)); // one list at the end, not a box per file
        QVERIFY(asked[0].Text.contains(QStringLiteral("bad.png: corrupt")));
        QVERIFY(!mWindow->shpProgress.Visible);
        QVERIFY(mWindow->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 2);
        QCOMPARE(mWindow->labFileCount->text(), QStringLiteral("2 Images"));
        QCOMPARE(QDir(mOut->path()).entryList(QDir::Files), (QStringList{"a.png", "c.png"}));
    }

    // A folder that cannot take files is refused as soon as it is chosen,
    // before any image is read or any question asked, and the chooser comes
    // back; cancelling it then saves nothing.
    void aFolderThatCannotBeWrittenIsRefusedAtOnce_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("thenChosen");
        QTest::newRow("read-only") << "/proc"
                                   << "files cannot be made in it" << true;
        QTest::newRow("missing") << "/no/such/folder"
                                 << "it does not exist" << true;
        QTest::newRow("a file, then cancelled") << "/etc/hostname"
                                                << "it is not a folder" << false;
    }
    void aFolderThatCannotBeWrittenIsRefusedAtOnce() {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        QFETCH(bool, thenChosen);
        AddEntry(QStringLiteral("a.png"));
        QVERIFY(QFile::copy(TestFolder().filePath("a.png"), mOut->filePath("a.png")));
        WriteString(SettingsKey, QStringLiteral("SaveFolder"), QStringLiteral("/before"));
        mWindow->Script.FolderAnswers = {folder, thenChosen ? mOut->path() : QString()};
        mWindow->Script.OverwriteAnswers = {cQuestions::kOverwriteYes};
        mWindow->SaveImages();

        QCOMPARE(mWindow->Script.Log.size(), size_t(thenChosen ? 4 : 3));
        QCOMPARE(mWindow->Script.Log[1].Title, QStringLiteral("Folder Cannot Be Used"));
        QCOMPARE(mWindow->Script.Log[1].Text,
                 "Quillet cannot save into " + folder + ": " + reason + ".\n\nPlease choose another folder.");
        QCOMPARE(mWindow->Script.Log[2].Kind, eKind::BrowseForFolder);
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("SaveFolder")).toString(),
                 thenChosen ? mOut->path() : QStringLiteral("/before"));
        QCOMPARE(mWindow->Script.Asked(eKind::Overwrite).size(), size_t(thenChosen ? 1 : 0));
    }

    // Escape, closing the window or the Save button (reading Stop) during a
    // run asks first. Yes: the run stops after the current image; a close
    // then closes the window (and only then lets go of its imaging instance).
    // No: the run goes on and the window stays.
    void stoppingMidRunAsksFirst_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("stop");
        QTest::newRow("escape, yes") << "escape" << true;
        QTest::newRow("close, yes") << "close" << true;
        QTest::newRow("close, no") << "close" << false;
        QTest::newRow("Stop button, yes") << "button" << true;
        QTest::newRow("Stop button by Space, no") << "space" << false;
    }
    void stoppingMidRunAsksFirst() {
        QFETCH(QString, how);
        QFETCH(bool, stop);
        const bool close = how == "close";
        for (const char* name : {"a.png", "b.png", "c.png"})
            AddEntry(QString::fromLatin1(name));
        mWindow->EnableForm();
        mWindow->show();
        QVERIFY(QTest::qWaitForWindowExposed(mWindow.get()));
        mWindow->Script.FolderAnswers = {mOut->path()};
        mWindow->Script.MsgBoxAnswers = {stop ? cQuestions::eAnswer::Yes : cQuestions::eAnswer::No};
        // Delivered at the run's first pending-events point: the window
        // manager's close, a key press, a press of the Stop button.
        ARButton* button = mWindow->SaveButton;
        if (close)
            QCoreApplication::postEvent(mWindow->windowHandle(), new QCloseEvent);
        else if (how == "escape")
            QCoreApplication::postEvent(mWindow.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        else if (how == "button")
            QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
        else
            QTimer::singleShot(0, button, [button] {
                button->setFocus();
                QTest::keyClick(button, Qt::Key_Space);
            });
        mWindow->SaveImages();

        const auto asked = mWindow->Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Text, QStringLiteral("Stop saving?"));
        QCOMPARE(asked[0].Buttons, cQuestions::eButtons::YesNo);
        QCOMPARE(mWindow->labStatus->text(),
                 stop ? QStringLiteral("Stopped: 1 Images Saved") : QStringLiteral("3 Images Saved"));
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 3);
        QVERIFY(mWindow->gdip);
        // Afterwards the button saves again.
        QCOMPARE(button->text(), QString());
        QCOMPARE(button->DropDownWidth(), frmQuillet::kDropDownZone);
        if (close && stop) {
            QTRY_VERIFY(!mWindow->isVisible());
            QVERIFY(!mWindow->gdip);
        } else {
            QTest::qWait(50);
            QVERIFY(mWindow->isVisible());
        }
    }

  private:
    // A 64 x 48 image, or for "bad.png" a file that is none.
    void AddEntry(const QString& sName) {
        mWindow->ImageList().AddToFileList(TestFolder().path(),
                                           sName == "bad.png" ? Broken(sName) : Picture(sName, 64, 48));
    }

    std::unique_ptr<QTemporaryDir> mOut;
    std::unique_ptr<cTestWindow> mWindow;
};

QTEST_MAIN(tst_saveimages)
#include "tst_saveimages.moc"
