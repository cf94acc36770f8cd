// The main window used by keyboard and in the long run: the tab order, the
// format menu from the keyboard, the status band during and after a save,
// and the messages for things that used to fail silently.

#include "SaveTexts.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QContextMenuEvent>

// Notes the properties the window is asked to show instead of showing them.
class cPropertiesWindow : public cTestWindow {
  public:
    QStringList Shown;
    void ShowProperties(const QString& sName, const QString&) override { Shown.append(sName); }
};

class tst_windowuse : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        Picture("one.png", 64, 48);
        Picture("two.png", 64, 48);
        Picture("tall.png", 30, 60);
    }

    void init() { StartFresh(); }

    void tabReachesEveryControlForward() {
        cTestWindow window;
        window.Open({"one.png", "two.png"});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.OpenButton->setFocus(Qt::TabFocusReason);
        // An option group is one stop, at its chosen option; arrows move within.
        const QList<QWidget*> expected = {window.OpenButton,
                                          window.CaptureButton,
                                          window.PreviewButton,
                                          window.SaveButton,
                                          window.FriendButton,
                                          window.HelpButton,
                                          window.lvwImages,
                                          window.optSize[gSizeIndex],
                                          window.txtSize,
                                          window.optQuality[gQualityIndex],
                                          window.optRotation[gRotationIndex],
                                          window.OpenButton};
        QList<QWidget*> visited = {QApplication::focusWidget()};
        while (visited.size() < expected.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget());
        }
        QCOMPARE(visited, expected);
        // Arrows choose within a group, and the group's tab stop follows.
        window.optSize[0]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window.optSize[0], Qt::Key_Down);
        QCOMPARE(gSizeIndex, int16_t(1));
        QCOMPARE(window.optSize[1]->focusPolicy(), Qt::StrongFocus);
        for (QWidget* control : expected)
            QVERIFY2(!control->accessibleName().isEmpty() || !control->property("text").toString().isEmpty(),
                     qPrintable(control->objectName()));
    }

    // Keys in the list: an arrow measures the entry it reaches, the Menu key
    // opens the right-click menu there.
    void listKeysDoWhatTheMouseDoes() {
        cTestWindow window;
        window.Open({"one.png", "tall.png"});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.lvwImages->setFocus();
        QTest::keyClick(window.lvwImages, Qt::Key_Down);
        QCOMPARE(gImageHeight, int16_t(60));
        QCOMPARE(window.txtSize->text(), QStringLiteral("60")); // a portrait fills the box with its height
        QCOMPARE(window.optSize[0]->text(), QStringLiteral("Thumbnail (50 x 100)"));
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QCoreApplication::sendEvent(window.lvwImages, &menuKey);
        QVERIFY(window.ImageList().mnuPopup->isVisible() && window.ImageList().mnuProperties->isEnabled());
        window.ImageList().mnuPopup->hide();
    }

    void statusStaysReadableDuringASave() {
        QTemporaryDir out;
        QVERIFY(QFile::copy(TestFolder().filePath("one.png"), out.filePath("one.png")));
        cTestWindow window;
        window.Open({"one.png", "two.png"});
        window.show();
        const auto colour = [&window] { return window.labStatus->palette().color(window.labStatus->foregroundRole()); };
        const QColor normal = colour();
        QStringList midSave; // while the overwrite box is up: a hint, the band's colour, the Save caption
        window.Script.WhileAsking = [&] {
            emit window.OpenButton->MouseEnter();
            midSave << window.labStatus->text();
            emit window.OpenButton->MouseLeave();
            midSave << colour().name() << window.SaveButton->text();
            QVERIFY(!window.lvwImages->isEnabled() && !window.OpenButton->isEnabled());
        };
        window.Script.FolderAnswers.push_back(out.path());
        window.Script.OverwriteAnswers.push_back(cQuestions::kOverwriteYes);
        window.SaveImages();
        QCOMPARE(midSave, (QStringList{"Saving (0%)  0 of 2", normal.name(), "Stop"}));
        // Afterwards the controls are as they were (Prints stays disabled),
        // and a hint gives the summary back when the pointer leaves.
        QCOMPARE(window.labStatus->text(), QStringLiteral("2 Images Saved"));
        QCOMPARE(window.SaveButton->text(), QString());
        QVERIFY(window.lvwImages->isEnabled() && window.OpenButton->isEnabled() && !window.PrintsButton->isEnabled());
        emit window.HelpButton->MouseEnter();
        QCOMPARE(window.labStatus->text(), QStringLiteral("Get help!"));
        emit window.HelpButton->MouseLeave();
        QCOMPARE(window.labStatus->text(), QStringLiteral("2 Images Saved"));
    }

    // "Add Images…" appends to the list; the measured entry stays.
    void addingImagesKeepsTheList() {
        cTestWindow window;
        window.Script.OpenAnswers.push_back(cScriptedQuestions::Chosen(TestFolder().path(), {"one.png"}));
        window.ImageList().mnuAddImages->trigger();
        QVERIFY(window.SaveButton->isEnabled());
        window.Script.OpenAnswers.push_back(cScriptedQuestions::Chosen(TestFolder().path(), {"tall.png", "two.png"}));
        window.ImageList().mnuAddImages->trigger();
        QCOMPARE(window.EntryTexts(), QStringList({"one.png", "tall.png", "two.png"}));
        QCOMPARE(gImageHeight, int16_t(48));
        QCOMPARE(window.Script.Asked(eKind::OpenFiles).back().Title, QStringLiteral("Add Images"));
    }

    void keysDoWhatTheButtonsDo_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("asked"); // the dialog's title, or "" for a closed window
        QTest::newRow("Ctrl+O") << int(Qt::Key_O) << int(Qt::ControlModifier) << "Select Images";
        QTest::newRow("Ctrl+Shift+O") << int(Qt::Key_O) << int(Qt::ControlModifier | Qt::ShiftModifier) << "Add Images";
        QTest::newRow("Ctrl+S") << int(Qt::Key_S) << int(Qt::ControlModifier) << kSaveFolderTitle;
        // The display-less test platform has no browser: the page fails to open.
        QTest::newRow("F1") << int(Qt::Key_F1) << int(Qt::NoModifier) << frmQuillet::kPageNotOpenedTitle;
        QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << int(Qt::AltModifier) << "Properties";
        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << int(Qt::ControlModifier) << "";
    }

    void keysDoWhatTheButtonsDo() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, asked);
        cPropertiesWindow window;
        window.Open({"one.png"});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.lvwImages->setFocus();
        window.Script.Log.clear();
        QTest::keyClick(window.lvwImages, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (asked.isEmpty())
            QVERIFY(!window.isVisible());
        else if (asked == "Properties")
            QCOMPARE(window.Shown, QStringList{"one.png"});
        else
            QCOMPARE(window.Script.Log.at(0).Title, asked);
    }
};

QTEST_MAIN(tst_windowuse)
#include "tst_windowuse.moc"
