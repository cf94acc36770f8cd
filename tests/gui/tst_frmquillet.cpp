// The main window driven offscreen with scripted questions: opening files,
// refused and corrupt files, files given by path, removal, which entry is
// selected after each, the list's right-click menu, the option panels, the
// format menu, the Save button's drop-down zone, the first-run question, the
// web pages, the status band and closing.

#include "FileNames.h"
#include "ImageFormats.h"
#include "OutputOptions.h"
#include "SizeList.h"
#include "WindowFixture.h"
#include "cGDIP.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QSignalSpy>
#include <QSpinBox>

// Records the web pages the window asks the desktop to open.
class cUrlRecorder : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> Opened;
  public slots:
    void Open(const QUrl& url) { Opened.append(url); }
};

// Rows of the tables below.
struct cOpening {
    const char *Row, *Names, *Kept, *Message, *About;
};
struct cSelection {
    const char *Row, *How, *Names, *Before, *After;
};
struct cFormatItem {
    const char *Item, *Code;
    bool Quality;
    const char* Hint;
};
struct cSizeBox {
    const char *Row, *Typed, *Box, *Caption;
    bool Chosen;
    const char* Refusal; // how the message starts; "": none
};

class tst_frmquillet : public QObject {
    Q_OBJECT

    cUrlRecorder mUrls;

    static QPoint RowCentre(const frmQuillet& window, int lRow) {
        return window.lvwImages->visualItemRect(window.lvwImages->topLevelItem(lRow)).center();
    }

  private slots:
    void initTestCase() {
        Picture("wide.png", 1024, 768);
        Picture("tall.png", 300, 400);
        Picture("My Photo.png", 640, 480);
        Picture("big.png", 640, 480);
        for (const char* name : {"a.png", "b.png", "c.png", "d.png"})
            Picture(QLatin1String(name), 40, 30);
        Broken("broken.png");
        WriteFile("readme.txt", "text");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &mUrls, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &mUrls, "Open");
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void init() {
        StartFresh();
        mUrls.Opened.clear();
    }

    void startsAsDesigned() {
        WriteString(SettingsKey, QStringLiteral("OpenFolder"), QStringLiteral("/photos/in"));
        cTestWindow window;
        QVERIFY(window.optQuality[1]->isChecked() && window.optRotation[0]->isChecked() &&
                Child<QAction>(window, "mnuOriginalFormat")->isChecked());
        // Disabled until the first image arrives; Prints stays disabled.
        for (QWidget* widget :
             QList<QWidget*>{window.PreviewButton, window.SaveButton, window.PrintsButton, window.txtSize,
                             window.optSize[0], window.optQuality[2], window.optRotation[3]})
            QVERIFY2(!widget->isEnabled(), qPrintable(widget->objectName()));
        // A stored open folder moves only the open folder.
        QCOMPARE(window.ImageList().OpenFolder(), QStringLiteral("/photos/in"));
        QCOMPARE(window.mSaveFolder, QStringLiteral("/pictures"));
        window.SetProgressWidth(gProgressWidth + 500);
        QCOMPARE(window.shpProgress.Width, gProgressWidth);
        QVERIFY(window.Script.Log.empty());
    }

    // Room beyond the designed size goes to the list; the option panels and
    // the status band's frames keep to the right and the bottom edge.
    void extraRoomGoesToTheList() {
        cTestWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect list = window.lvwImages->geometry();
        const QRect options = window.picSize->geometry();
        const std::vector<cLineElement> before = window.lineLine;
        window.resize(window.size() + QSize(20, 10));
        QTRY_COMPARE(window.lvwImages->geometry(), list.adjusted(0, 0, 20, 10));
        QCOMPARE(window.picSize->geometry(), options.translated(20, 0));
        // The list's frame (top, right, bottom, left), then the options' one.
        const bool endsMove[8][2] = {{false, true}, {true, true}, {false, true}, {false, false},
                                     {true, true},  {true, true}, {true, true},  {true, true}};
        const size_t first = before.size() - 8;
        for (size_t i = 0; i < 8; ++i) {
            const cLineElement& was = before[first + i];
            const cLineElement& is = window.lineLine[first + i];
            QCOMPARE(std::tuple(is.X1, is.X2, is.Y1, is.Y2),
                     std::tuple(was.X1 + (endsMove[i][0] ? 300 : 0), was.X2 + (endsMove[i][1] ? 300 : 0), was.Y1 + 150,
                                was.Y2 + 150));
        }
    }

    void openingOneFile() {
        cTestWindow window;
        window.Open({"wide.png"});
        const std::vector<cScriptedQuestions::cAsked> dialogs = window.Script.Asked(eKind::OpenFiles);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].StartFolder, QStringLiteral("/pictures"));
        // The dialog offers the new formats, and every kind it offers is one
        // the list accepts.
        const QString all = dialogs[0].Text.section(QStringLiteral(";;"), 0, 0);
        QVERIFY(all.contains(QStringLiteral("*.heic")) && all.contains(QStringLiteral("*.webp")));
        for (const QString& pattern : all.section(u'(', 1).chopped(1).split(u' '))
            QVERIFY2(IsImageFile(QStringLiteral("x") + pattern.mid(1)), qPrintable(pattern));

        QCOMPARE(window.EntryTexts(), QStringList({"wide.png"}));
        QCOMPARE(EntryTag(window.lvwImages->topLevelItem(0)), TestFolder().path());
        QCOMPARE(window.labFileCount->text(), QStringLiteral("1 Images"));
        QCOMPARE(QSize(gImageWidth, gImageHeight), QSize(1024, 768));
        QCOMPARE(window.txtSize->text(), QStringLiteral("1024"));
        QStringList captions;
        for (const QRadioButton* option : window.optSize)
            captions.append(option->text());
        QCOMPARE(captions, QStringList({"Thumbnail (100 x 75)", "Small (200 x 150)", "Medium (350 x 262)",
                                        "Large (640 x 480)", "Huge (800 x 600)", "Custom (1024 x 768)"}));
        QVERIFY(window.PreviewButton->isEnabled() && window.SaveButton->isEnabled());
        QVERIFY(window.labStatus->isHidden());
        // One file chosen: the stored open folder is left alone.
        QVERIFY(!ValueExists(SettingsKey, QStringLiteral("OpenFolder")));
        QCOMPARE(window.ImageList().OpenFolder(), TestFolder().path());
        QCOMPARE(window.Script.Unscripted, 0);
    }

    void openingKeepsWhatLoads_data() {
        QTest::addColumn<cOpening>("row");
        const cOpening rows[] = {
            {"a text file among images", "wide.png readme.txt big.png", "wide.png big.png", "Unknown File Format",
             "readme.txt"},
            {"a corrupt first file", "broken.png big.png", "big.png", "Error Loading Image", "broken.png"},
            {"every name refused", "readme.txt notes.", "", "Unknown File Format", "notes."},
            {"the only entry is corrupt", "broken.png", "", "Error Loading Image", "broken.png"},
            // A single file is taken whatever its name, then fails to load.
            {"one file that is no image", "readme.txt", "", "Error Loading Image", "readme.txt"},
        };
        for (const cOpening& r : rows)
            QTest::newRow(r.Row) << r;
    }

    void openingKeepsWhatLoads() {
        QFETCH(cOpening, row);
        const QStringList kept = Words(row.Kept);
        cTestWindow window;
        window.Open(Words(row.Names));
        QCOMPARE(window.EntryTexts(), kept);
        QCOMPARE(window.labFileCount->text(), QStringLiteral("%1 Images").arg(kept.size()));
        QCOMPARE(window.PreviewButton->isEnabled(), !kept.isEmpty());
        QCOMPARE(window.SaveButton->isEnabled(), !kept.isEmpty());
        const std::vector<cScriptedQuestions::cAsked> messages = window.Script.Asked(eKind::MsgBox);
        QVERIFY(!messages.empty());
        QCOMPARE(messages.back().Title, row.Message);
        QVERIFY2(messages.back().Text.startsWith(row.About + QLatin1Char(' ')), qPrintable(messages.back().Text));
        QCOMPARE(messages.back().Icon, cQuestions::eIcon::Exclamation);
        if (kept.size() > 1) { // several opened: the first is measured and the folder stored
            QCOMPARE(gImageWidth, int16_t(1024));
            QCOMPARE(ReadValue(SettingsKey, QStringLiteral("OpenFolder")).toString(), TestFolder().path());
        }
    }

    void cancelAndFailureKeepTheList() {
        cTestWindow window;
        window.Open({"wide.png", "tall.png"});
        window.Script.OpenAnswers.push_back({}); // cancelled
        QTest::mouseClick(window.OpenButton, Qt::LeftButton);
        QCOMPARE(window.lvwImages->topLevelItemCount(), 2);
        QVERIFY(window.Script.Asked(eKind::MsgBox).empty());

        window.Script.OpenAnswers.push_back({cQuestions::cOpenResult::eOutcome::Failed, {}, {}});
        QTest::mouseClick(window.OpenButton, Qt::LeftButton);
        QCOMPARE(window.lvwImages->topLevelItemCount(), 2);
        const std::vector<cScriptedQuestions::cAsked> messages = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].Title, QStringLiteral("Open Image Error"));
        QVERIFY(messages[0].Text.startsWith(QStringLiteral("We were unable to open your image(s).")));
        // The second Open starts where the first one chose.
        QCOMPARE(window.Script.Asked(eKind::OpenFiles)[1].StartFolder, TestFolder().path());
    }

    void selectionAfterAddingAndRemoving_data() {
        QTest::addColumn<cSelection>("row");
        const cSelection rows[] = {
            {"open several", "open", "a.png b.png c.png", "", "a.png"},
            {"files by path", "paths", "c.png a.png", "", "c.png"},
            {"capture", "one", "d.png", "", "d.png"},
            {"corrupt first entry", "open", "broken.png a.png b.png", "", "a.png"},
            {"remove from the middle", "remove", "a.png b.png c.png d.png", "b.png c.png", "d.png"},
            {"remove the last", "remove", "a.png b.png c.png", "c.png", "b.png"},
            {"Delete key", "delete", "a.png b.png", "a.png", "b.png"},
            {"a clicked entry fails to load", "load", "a.png broken.png c.png", "broken.png", "c.png"}};
        for (const cSelection& r : rows)
            QTest::newRow(r.Row) << r;
    }

    void selectionAfterAddingAndRemoving() {
        QFETCH(cSelection, row);
        const QString how = QString::fromLatin1(row.How), selectedAfter = QString::fromLatin1(row.After);
        const QStringList names = Words(row.Names), selectedBefore = Words(row.Before);
        cTestWindow window;
        cImageList& images = window.ImageList();
        QTreeWidget& list = *images.lvwImages;
        if (how == QLatin1String("paths")) {
            QStringList paths;
            for (const QString& name : names)
                paths.append(TestFolder().filePath(name));
            images.TakeFiles(paths);
        } else if (how == QLatin1String("one")) {
            images.ReplaceWithOne(TestFolder().path(), names.front());
        } else {
            window.Open(names);
        }
        if (!selectedBefore.isEmpty()) {
            list.clearSelection();
            for (int i = 0; i < list.topLevelItemCount(); ++i)
                if (selectedBefore.contains(EntryText(list.topLevelItem(i))))
                    list.setCurrentItem(list.topLevelItem(i), 0, QItemSelectionModel::Select);
            if (how == QLatin1String("remove"))
                images.mnuRemove->trigger();
            else if (how == QLatin1String("delete"))
                QTest::keyClick(&list, Qt::Key_Delete);
            else
                images.LoadImage(list.currentItem());
        }
        QCOMPARE(Texts(list.selectedItems()), QStringList{selectedAfter});
        QCOMPARE(EntryText(list.currentItem()), selectedAfter);
        QVERIFY(window.PreviewButton->isEnabled());
    }

    void filesByPathThatNameNothingAreReported() {
        cTestWindow window;
        window.Open({"b.png"});
        // Dropped files replace the list, like several opened.
        const QTemporaryDir& folder = TestFolder();
        window.ImageList().TakeFiles(
            {folder.filePath("gone.png"), folder.filePath("a.png"), folder.filePath(WriteFile("notes.txt", "x"))});
        QCOMPARE(window.EntryTexts(), QStringList{"a.png"});
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("OpenFolder")).toString(), folder.path());
        const std::vector<cScriptedQuestions::cAsked> asked = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(asked[0].Title, QStringLiteral("Error Loading Image"));
        QVERIFY(asked[0].Text.startsWith(QStringLiteral("gone.png cannot be found")));
        QCOMPARE(asked[1].Title, QStringLiteral("Unknown File Format"));
    }
    void rightClickMenuRules() {
        cTestWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Open({"wide.png", "My Photo.png", "broken.png"});
        QWidget* viewport = window.lvwImages->viewport();
        QMenu* menu = window.ImageList().mnuPopup;

        // One entry: it is measured and the menu offers Properties.
        window.lvwImages->clearSelection();
        QTest::mouseClick(viewport, Qt::RightButton, {}, RowCentre(window, 1));
        QCOMPARE(window.lvwImages->selectedItems().size(), 1);
        QVERIFY(menu->isVisible() && window.ImageList().mnuProperties->isEnabled());
        QCOMPARE(gImageWidth, int16_t(640));
        menu->hide();

        // Two entries: the menu without Properties.
        window.lvwImages->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(viewport, Qt::RightButton, {}, RowCentre(window, 0));
        QCOMPARE(window.lvwImages->selectedItems().size(), 2);
        QVERIFY(menu->isVisible() && !window.ImageList().mnuProperties->isEnabled());
        menu->hide();

        // Empty space: adding is offered; Remove only with a selection.
        for (const bool selected : {true, false}) {
            window.lvwImages->clearSelection();
            window.lvwImages->topLevelItem(0)->setSelected(selected);
            QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, viewport->height() - 5));
            QVERIFY(menu->isVisible() && window.ImageList().mnuAddImages->isEnabled());
            QCOMPARE(window.ImageList().mnuRemove->isEnabled(), selected);
            QVERIFY(!window.ImageList().mnuProperties->isEnabled());
            menu->hide();
        }

        // An entry that fails to load is removed and gets no menu.
        window.lvwImages->clearSelection();
        QTest::mouseClick(viewport, Qt::RightButton, {}, RowCentre(window, 2));
        QVERIFY(!menu->isVisible());
        QCOMPARE(window.EntryTexts(), QStringList({"wide.png", "My Photo.png"}));
    }

    // The quality options and the Save button's hint follow the chosen
    // format, whatever the list does afterwards.
    void formatMenuShowsAndHidesTheQualityOptions_data() {
        QTest::addColumn<cFormatItem>("row");
        const cFormatItem rows[] = {
            {"mnuGIFFormat", "GIF", false, "GIF Format"},   {"mnuBMPFormat", "BMP", false, "BMP Format"},
            {"mnuPNGFormat", "PNG", false, "PNG Format"},   {"mnuJPGFormat", "JPG", true, "JPG Format"},
            {"mnuWEBPFormat", "WEBP", true, "WebP Format"}, {"mnuOriginalFormat", "DFT", true, "Original Format"}};
        for (const cFormatItem& r : rows)
            QTest::newRow(r.Code) << r;
    }

    void formatMenuShowsAndHidesTheQualityOptions() {
        QFETCH(cFormatItem, row);
        cTestWindow window;
        Child<QAction>(window, "mnuGIFFormat")->trigger(); // start from a hidden state
        Child<QAction>(window, row.Item)->trigger();
        window.Script.OpenAnswers.push_back({}); // cancelled
        QTest::mouseClick(window.OpenButton, Qt::LeftButton);
        window.Open({"wide.png"});
        window.ImageList().TakeFiles({TestFolder().filePath("tall.png")});
        QCOMPARE(gOutputFormat, row.Code);
        for (QAction* action : window.mnuDropDown->actions()) // one format checked
            if (action->objectName().endsWith(u"Format"))
                QCOMPARE(action->isChecked(), action->objectName() == row.Item);
        for (QRadioButton* option : window.optQuality)
            QCOMPARE(!option->isHidden(), row.Quality);
        QCOMPARE(window.labNoQuality->isHidden(), row.Quality);
        QCOMPARE(window.SaveButton->toolTip(), QStringLiteral("Save your new images (%1)").arg(row.Hint));
    }

    // The details choice is its own exclusive group, kept apart from the
    // format; never enlarging, file dates, subfolders and the size limit start
    // as the defaults say. All come back as they were left; the limit's
    // number is kept while the limit is off.
    void menuChoicesAreRememberedPerUser() {
        auto window = std::make_unique<cTestWindow>();
        const auto item = [&window](const char* sName) { return Child<QAction>(*window, sName); };
        const auto checked = [&window, &item] {
            return std::tuple(item("mnuKeepDetails")->isChecked(), item("mnuKeepLocation")->isChecked(),
                              item("mnuNoEnlarge")->isChecked(), item("mnuKeepDates")->isChecked(),
                              item("mnuKeepFolders")->isChecked(), window->mnuSizeLimit->isChecked(), gMaxBytes);
        };
        QCOMPARE(checked(), std::tuple(true, false, false, true, false, false, int64_t{0}));
        item("mnuPNGFormat")->trigger();
        item("mnuRemoveDetails")->trigger();
        QVERIFY(item("mnuPNGFormat")->isChecked());
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("PhotoDetails")).toString(), QStringLiteral("strip"));
        for (const char* name : {"mnuKeepLocation", "mnuNoEnlarge", "mnuKeepDates", "mnuKeepFolders"})
            item(name)->trigger();
        Child<QSpinBox>(*window, "txtSizeLimit")->setValue(150);
        QCOMPARE(gMaxBytes, int64_t{0});
        window->mnuSizeLimit->trigger();
        QCOMPARE(std::tuple(gPhotoDetails, gNoEnlarge, gKeepDates, gKeepFolders, gMaxBytes),
                 std::tuple(ePhotoDetails::KeepLocation, true, false, true, int64_t{150 * 1024}));
        window = std::make_unique<cTestWindow>();
        QCOMPARE(checked(), std::tuple(false, true, true, false, true, true, int64_t{150 * 1024}));
        QCOMPARE(gPhotoDetails, ePhotoDetails::KeepLocation);
        window->mnuSizeLimit->trigger();
        window = std::make_unique<cTestWindow>();
        QCOMPARE(std::tuple(gMaxBytes, Child<QSpinBox>(*window, "txtSizeLimit")->value()), std::tuple(int64_t{0}, 150));
    }

    // "Name:" names the saved files and comes back at the next start; a
    // template that cannot name a file is refused at once, one that gives two
    // outputs one name when the Save button is pressed, before the folder.
    void nameEntryNamesTheSavedFiles() {
        QTemporaryDir out;
        auto window = std::make_unique<cTestWindow>();
        window->Open({"wide.png", "tall.png"});
        const auto type = [&window](const char* sText) {
            QLineEdit* entry = Child<QLineEdit>(*window, "txtNameTemplate");
            entry->clear();
            QTest::keyClicks(entry, QLatin1String(sText));
            QTest::keyClick(entry, Qt::Key_Return);
        };
        type("{name}-{w}");
        type("{name}-{size}");
        QCOMPARE(Child<QLineEdit>(*window, "txtNameTemplate")->text(), QStringLiteral("{name}-{w}"));
        std::vector<cScriptedQuestions::cAsked> asked = window->Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QVERIFY(asked[0].Text.startsWith(QStringLiteral("This name cannot be used: unknown token {size}")));
        window->Script.FolderAnswers.push_back(out.path());
        window->SaveImages();
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), (QStringList{"tall-75.png", "wide-100.png"}));

        window = std::make_unique<cTestWindow>();
        QCOMPARE(Child<QLineEdit>(*window, "txtNameTemplate")->text(), QStringLiteral("{name}-{w}"));
        window->Open({"wide.png", "My Photo.png"});
        type("{w}");
        window->SaveImages();
        QVERIFY(window->Script.Asked(eKind::BrowseForFolder).empty());
        asked = window->Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Title, QStringLiteral("Output Names"));
        QVERIFY2(asked[0].Text.contains(QStringLiteral("gives two images the same name, 100.png")),
                 qPrintable(asked[0].Text));
    }

    // One number or a list of sizes; what the box refuses is said and the
    // box goes back to what it held.
    void customSizeBoxOnLeaving_data() {
        QTest::addColumn<cSizeBox>("row");
        const cSizeBox rows[] = {
            {"letters are not taken", "abc", "1024", "Custom (1024 x 768)", false, ""},
            {"nor signs or points", "-12.5", "125", "Custom (125 x 94)", true, ""},
            {"beyond the largest", "16385", "1024", "Custom (1024 x 768)", false, "16385 pixels is too large"},
            {"far beyond", "50000", "1024", "Custom (1024 x 768)", false, "50000 pixels is too large"},
            {"the largest", "16384", "16384", "Custom (16384 x 12288)", true, ""},
            {"zero keeps the size", "0", "0", "Custom (1024 x 768)", true, ""},
            {"a number", "512", "512", "Custom (512 x 384)", true, ""},
            {"passing through", "", "1024", "Custom (1024 x 768)", false, ""}, // nothing typed
            {"several sizes", "640,320 ,1600", "640, 320, 1600", "Custom (3 sizes)", true, ""},
            {"a size twice", "320,640,320", "1024", "Custom (1024 x 768)", false,
             "These sizes cannot be used: 320 is given twice."},
            {"a size missing", "320,,640", "1024", "Custom (1024 x 768)", false, "These sizes cannot be used: a size"},
            {"a listed size too large", "320,16385", "1024", "Custom (1024 x 768)", false,
             "These sizes cannot be used: 16385 pixels"},
        };
        for (const cSizeBox& r : rows)
            QTest::newRow(r.Row) << r;
    }

    void customSizeBoxOnLeaving() {
        QFETCH(cSizeBox, row);
        const QString typed = QString::fromLatin1(row.Typed), refusal = QString::fromLatin1(row.Refusal);
        const bool chosen = row.Chosen;
        cTestWindow window;
        window.Open({"wide.png"});
        QCOMPARE(gSizeIndex, int16_t(0));
        if (!typed.isEmpty()) {
            window.txtSize->selectAll();
            QTest::keyClick(window.txtSize, Qt::Key_Backspace);
            QTest::keyClicks(window.txtSize, typed);
        }
        QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(window.txtSize, &leaving);
        QCOMPARE(window.txtSize->text(), row.Box);
        QCOMPARE(window.optSize[5]->text(), row.Caption);
        QCOMPARE(window.optSize[5]->isChecked(), chosen);
        QCOMPARE(gSizeIndex, int16_t(chosen ? 5 : 0));
        const std::vector<cScriptedQuestions::cAsked> asked = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(refusal.isEmpty() ? 0 : 1));
        QVERIFY(refusal.isEmpty() || (asked[0].Title == "Image Size" && asked[0].Text.startsWith(refusal)));
        // What the save would make is what the caption says.
        const cSaveJob job = window.SaveJob();
        QCOMPARE(TargetSizes(job.SizeIndex, job.CustomSize),
                 chosen ? ParseSizeList(row.Box).Sizes : std::vector<int16_t>{100});
    }

    // A file that cannot be read never leaves the size options unmeasured
    // or describing an image no longer listed.
    void sizesAreMeasuredFromAListedImage_data() {
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<bool>("removeFirst");
        QTest::addColumn<QString>("largeCaption");
        QTest::newRow("corrupt first") << Words("broken.png wide.png") << false << "Large (640 x 480)";
        QTest::newRow("two corrupt first") << Words("broken.png broken.png tall.png") << false << "Large (480 x 640)";
        QTest::newRow("measured one removed") << Words("wide.png tall.png") << true << "Large (480 x 640)";
        QTest::newRow("next one corrupt") << Words("wide.png broken.png tall.png") << true << "Large (480 x 640)";
    }

    void sizesAreMeasuredFromAListedImage() {
        QFETCH(QStringList, opened);
        QFETCH(bool, removeFirst);
        QFETCH(QString, largeCaption);
        cTestWindow window;
        window.Open(opened);
        if (removeFirst) {
            window.ImageList().SelectOnly(1);
            window.ImageList().mnuRemove_Click();
        }
        QCOMPARE(window.optSize[3]->text(), largeCaption);
        QVERIFY(window.optSize[3]->isEnabled());
        QVERIFY(!window.EntryTexts().contains("broken.png"));
    }

    // Size, custom size, quality, rotation and format come back at the next
    // start.
    void choicesComeBackAtTheNextStart_data() {
        QTest::addColumn<bool>("custom");
        QTest::newRow("a preset size") << false;
        QTest::newRow("the custom size") << true;
    }

    void choicesComeBackAtTheNextStart() {
        QFETCH(bool, custom);
        {
            cTestWindow window;
            window.Open({"wide.png"});
            window.txtSize->selectAll();
            QTest::keyClicks(window.txtSize, QStringLiteral("300"));
            QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
            QCoreApplication::sendEvent(window.txtSize, &leaving);
            if (!custom)
                window.optSize[3]->click();
            window.optQuality[3]->click();
            window.optRotation[2]->click();
            Child<QAction>(window, "mnuGIFFormat")->trigger();
        }
        const QMap<QString, QString> expected = {{"Size", custom ? "Custom" : "640"},
                                                 {"CustomSize", "300"},
                                                 {"Quality", "100"},
                                                 {"Rotation", "180"},
                                                 {"Format", "GIF"}};
        for (auto value = expected.begin(); value != expected.end(); ++value)
            QCOMPARE(ReadValue(SettingsKey, value.key()).toString(), value.value());
        // A new run: the start values, then the window reads the store.
        gSizeIndex = gRotationIndex = 0;
        gQualityIndex = 1;
        gOutputFormat = QStringLiteral("DFT");
        cTestWindow window;
        QVERIFY(window.optSize[custom ? 5 : 3]->isChecked() && window.optQuality[3]->isChecked() &&
                window.optRotation[2]->isChecked() && Child<QAction>(window, "mnuGIFFormat")->isChecked());
        QCOMPARE(std::tuple(gSizeIndex, gQualityIndex, gRotationIndex, gOutputFormat),
                 std::tuple(int16_t(custom ? 5 : 3), int16_t(3), int16_t(2), QStringLiteral("GIF")));
        QVERIFY(window.optQuality[0]->isHidden());
        // The chosen custom size outlasts measuring an image; otherwise the
        // box starts at the image's own size.
        window.Open({"wide.png"});
        QCOMPARE(window.txtSize->text(), QLatin1String(custom ? "300" : "1024"));
    }

    void saveButtonDropDownZone() {
        cTestWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.EnableForm();
        QSignalSpy saves(window.SaveButton, &ARButton::clicked);
        const int width = window.SaveButton->width();

        // A press in the last 16 pixels opens the format menu and saves nothing.
        QTest::mouseClick(window.SaveButton, Qt::LeftButton, {}, QPoint(width - 16, 10));
        QVERIFY(window.mnuDropDown->isVisible());
        QCOMPARE(saves.count(), 0);
        QCOMPARE(window.mnuDropDown->pos().x(), window.mapToGlobal(QPoint(window.SaveButton->x(), 0)).x());
        window.mnuDropDown->hide();

        // One pixel further left is the button itself.
        QTest::mouseClick(window.SaveButton, Qt::LeftButton, {}, QPoint(width - 17, 10));
        QCOMPARE(saves.count(), 1);
        QVERIFY(!window.mnuDropDown->isVisible());
    }

    void webPages_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("address");
        QTest::newRow("Help") << "HelpButton"
                              << "help/index.html";
        QTest::newRow("Friend") << "FriendButton" << frmQuillet::kMakerSite + "/QLTFriend.aspx";
    }

    void webPages() {
        QFETCH(QString, button);
        QFETCH(QString, address);
        cTestWindow window;
        ARButton* target = Child<ARButton>(window, qPrintable(button));
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(mUrls.Opened.size(), 1);
        QVERIFY2(mUrls.Opened[0].toString().endsWith(address), qPrintable(mUrls.Opened[0].toString()));
    }

    // The welcome question, then the offer of the file managers' menus,
    // which is left out while they are installed; the Help button's
    // right-click menu takes them out again.
    void firstRunQuestionIsAskedOnce() {
        const QString helper = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/quillet/resize-to-large-jpg");
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        cTestWindow window;
        window.Script.MsgBoxAnswers = {cQuestions::eAnswer::Yes, cQuestions::eAnswer::Yes};
        window.FormActivate();
        window.FormActivate();
        std::vector<cScriptedQuestions::cAsked> asked = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(3));
        QCOMPARE(std::pair(asked[0].Buttons, asked[1].Buttons),
                 std::pair(cQuestions::eButtons::YesNo, cQuestions::eButtons::YesNo));
        QVERIFY(asked[1].Text.contains(QStringLiteral("right-click menu of your file manager")));
        QCOMPARE(asked[2].Icon, cQuestions::eIcon::Information);
        QVERIFY(QFileInfo(helper).isExecutable());
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("FirstTime")).toString(), QStringLiteral("N"));
        QCOMPARE(mUrls.Opened.size(), 1); // Yes opens the help
        QVERIFY(mUrls.Opened[0].toString().endsWith(QStringLiteral("help/index.html")));

        // Answering No stores the marker as well and opens nothing; menus
        // already there are not offered again; a later window asks nothing.
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        cTestWindow declined;
        declined.FormActivate();
        QCOMPARE(declined.Script.Log.size(), size_t(1));
        QVERIFY(ValueExists(SettingsKey, QStringLiteral("FirstTime")));
        QCOMPARE(mUrls.Opened.size(), 1);
        cTestWindow later;
        later.FormActivate();
        QVERIFY(later.Script.Log.empty());

        emit later.HelpButton->customContextMenuRequested({5, 5});
        QVERIFY(later.mnuRemoveActions->isEnabled() && !later.mnuInstallActions->isEnabled());
        later.mnuHelpPopup->close();
        later.mnuRemoveActions->trigger();
        QVERIFY(!QFileInfo::exists(helper));
        asked = later.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Icon, cQuestions::eIcon::Information);
    }

    // Failures of the imaging objects show the "GDIP Error" box; closing
    // releases the imaging instance and removes the capture file.
    void imagingFailuresAndClosing() {
        const QString capture = CaptureFilePath();
        QVERIFY(QFile(capture).open(QIODevice::WriteOnly));
        cTestWindow window;
        window.gdip->Error(7, QStringLiteral("cBitmap"));
        const std::vector<cScriptedQuestions::cAsked> asked = window.Script.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Title + u'|' + asked[0].Text,
                 QStringLiteral("GDIP Error|GDIP Error in: cBitmap\tError Number: 7\tError Description: Win32 Error"));
        QCOMPARE(asked[0].Icon, cQuestions::eIcon::Critical);
        window.show();
        QVERIFY(window.close());
        QVERIFY(!window.gdip);
        QVERIFY(!QFileInfo::exists(capture) && !QFileInfo::exists(QFileInfo(capture).path()));
    }
};

QTEST_MAIN(tst_frmquillet)
#include "tst_frmquillet.moc"
