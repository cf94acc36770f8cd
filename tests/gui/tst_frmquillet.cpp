// The main window driven offscreen with scripted questions: opening files,
// refused and corrupt files, removal, the list's right-click menu, the option
// panels, the format menu, the Save button's drop-down zone, the first-run
// question, the status band and closing.

#include "AppState.h"
#include "FileNames.h"
#include "ImageEntry.h"
#include "QLTMain.h"
#include "Registry.h"
#include "cGDIP.h"
#include "cScriptedQuestions.h"
#include "cImageList.h"
#include "frmQuillet.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using eKind = cScriptedQuestions::eKind;

// Records the web pages the window asks the desktop to open.
class cUrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl& url) { Opened.append(url); }
};

class tst_frmquillet : public QObject {
    Q_OBJECT

    QTemporaryDir mConfigDir;
    QTemporaryDir mImages;
    cUrlRecorder mUrls;

    void WriteImage(const QString& sName, int lWidth, int lHeight) {
        QImage image(lWidth, lHeight, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        QVERIFY(image.save(mImages.filePath(sName), "PNG"));
    }

    void WriteBytes(const QString& sName, const QByteArray& bytes) {
        QFile file(mImages.filePath(sName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QStringList EntryTexts(const frmQuillet& window) const {
        QStringList texts;
        for (int i = 0; i < window.lvwImages->topLevelItemCount(); ++i)
            texts.append(EntryText(window.lvwImages->topLevelItem(i)));
        return texts;
    }

    QStringList SizeCaptions(const frmQuillet& window) const {
        QStringList captions;
        for (const QRadioButton* option : window.optSize)
            captions.append(option->text());
        return captions;
    }

    // Opens sNames from the image folder through the Open button.
    void Open(frmQuillet& window, cScriptedQuestions& questions, const QStringList& aNames) {
        questions.OpenAnswers.push_back(cScriptedQuestions::Chosen(mImages.path(), aNames));
        QTest::mouseClick(window.OpenButton, Qt::LeftButton);
    }

    QPoint RowCentre(const frmQuillet& window, int lRow) const {
        return window.lvwImages->visualItemRect(window.lvwImages->topLevelItem(lRow)).center();
    }

private slots:
    void initTestCase() {
        QVERIFY(mConfigDir.isValid());
        QVERIFY(mImages.isValid());
        qputenv("XDG_CONFIG_HOME", mConfigDir.path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, mConfigDir.path());
        WriteImage(QStringLiteral("wide.png"), 1024, 768);
        WriteImage(QStringLiteral("tall.png"), 300, 400);
        WriteImage(QStringLiteral("My Photo.png"), 640, 480);
        WriteBytes(QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\nnot really a png"));
        WriteBytes(QStringLiteral("readme.txt"), "text");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &mUrls, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &mUrls, "Open");
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void init() {
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        WriteString(SettingsKey, QStringLiteral("FirstTime"), QStringLiteral("N"));
        gSizeIndex = 0;
        gQualityIndex = 1;
        gRotationIndex = 0;
        gImageWidth = 0;
        gImageHeight = 0;
        gOutputFormat = QStringLiteral("DFT");
        gDefaultFolder = QStringLiteral("/pictures");
        mUrls.Opened.clear();
    }

    void startsAsDesigned() {
        WriteString(SettingsKey, QStringLiteral("OpenFolder"), QStringLiteral("/photos/in"));
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        QVERIFY(window.optQuality[1]->isChecked());
        QVERIFY(window.optRotation[0]->isChecked());
        QVERIFY(window.mnuOriginalFormat->isChecked());
        // Disabled until the first image arrives; Prints stays disabled.
        for (QWidget* widget : QList<QWidget*>{window.PreviewButton, window.SaveButton, window.PrintsButton, window.txtSize,
                                               window.optSize[0], window.optQuality[2], window.optRotation[3]})
            QVERIFY2(!widget->isEnabled(), qPrintable(widget->objectName()));
        QVERIFY(window.OpenButton->isEnabled());
        // A stored open folder moves only the open folder.
        QCOMPARE(window.ImageList().OpenFolder(), QStringLiteral("/photos/in"));
        QCOMPARE(window.mSaveFolder, QStringLiteral("/pictures"));
        window.SetProgressWidth(gProgressWidth + 500);
        QCOMPARE(window.shpProgress.Width, gProgressWidth);
        QVERIFY(questions.Log.empty());
    }

    void openingOneFile() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        Open(window, questions, {"wide.png"});

        const std::vector<cScriptedQuestions::cAsked> dialogs = questions.Asked(eKind::OpenFiles);
        QCOMPARE(dialogs.size(), size_t(1));
        QCOMPARE(dialogs[0].StartFolder, QStringLiteral("/pictures"));
        // The dialog offers the new formats, and every kind it offers is one
        // the list accepts.
        const QString all = dialogs[0].Text.section(QStringLiteral(";;"), 0, 0);
        QVERIFY(all.contains(QStringLiteral("*.heic")) && all.contains(QStringLiteral("*.webp")));
        for (const QString& pattern : all.section(u'(', 1).chopped(1).split(u' '))
            QVERIFY2(IsImageFile(QStringLiteral("x") + pattern.mid(1)), qPrintable(pattern));

        QCOMPARE(EntryTexts(window), QStringList({"wide.png"}));
        QCOMPARE(EntryTag(window.lvwImages->topLevelItem(0)), mImages.path());
        QCOMPARE(window.labFileCount->text(), QStringLiteral("1 Images"));
        QCOMPARE(gImageWidth, int16_t(1024));
        QCOMPARE(gImageHeight, int16_t(768));
        QCOMPARE(window.txtSize->text(), QStringLiteral("1024"));
        QCOMPARE(SizeCaptions(window),
                 QStringList({"Thumbnail (100 x 75)", "Small (200 x 150)", "Medium (350 x 262)", "Large (640 x 480)",
                              "Huge (800 x 600)", "Custom (1024 x 768)"}));
        QVERIFY(window.PreviewButton->isEnabled());
        QVERIFY(window.SaveButton->isEnabled());
        QVERIFY(window.optRotation[2]->isEnabled());
        QVERIFY(window.labStatus->isHidden());
        // One file chosen: the stored open folder is left alone.
        QVERIFY(!ValueExists(SettingsKey, QStringLiteral("OpenFolder")));
        QCOMPARE(window.ImageList().OpenFolder(), mImages.path());
        QCOMPARE(questions.Unscripted, 0);
    }

    void openingKeepsWhatLoads_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("about");
        QTest::newRow("a text file among images") << QStringList({"wide.png", "readme.txt", "My Photo.png"})
                                                  << QStringList({"wide.png", "My Photo.png"}) << "Unknown File Format"
                                                  << "readme.txt";
        QTest::newRow("a corrupt first file") << QStringList({"broken.png", "My Photo.png"})
                                              << QStringList({"My Photo.png"}) << "Error Loading Image" << "broken.png";
        QTest::newRow("every name refused") << QStringList({"readme.txt", "notes."}) << QStringList()
                                            << "Unknown File Format" << "notes.";
        QTest::newRow("the only entry is corrupt") << QStringList({"broken.png"}) << QStringList()
                                                   << "Error Loading Image" << "broken.png";
        // A single file is taken whatever its name, then fails to load.
        QTest::newRow("one file that is no image") << QStringList({"readme.txt"}) << QStringList()
                                                   << "Error Loading Image" << "readme.txt";
    }

    void openingKeepsWhatLoads() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, kept);
        QFETCH(QString, message);
        QFETCH(QString, about);
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        Open(window, questions, names);
        QCOMPARE(EntryTexts(window), kept);
        QCOMPARE(window.labFileCount->text(), QStringLiteral("%1 Images").arg(kept.size()));
        QCOMPARE(window.PreviewButton->isEnabled(), !kept.isEmpty());
        QCOMPARE(window.SaveButton->isEnabled(), !kept.isEmpty());
        const std::vector<cScriptedQuestions::cAsked> messages = questions.Asked(eKind::MsgBox);
        QVERIFY(!messages.empty());
        QCOMPARE(messages.back().Title, message);
        QVERIFY2(messages.back().Text.startsWith(about + u' '), qPrintable(messages.back().Text));
        QCOMPARE(messages.back().Icon, cQuestions::eIcon::Exclamation);
        if (kept.size() > 1) { // several opened: the first is measured and the folder stored
            QCOMPARE(gImageWidth, int16_t(1024));
            QCOMPARE(ReadValue(SettingsKey, QStringLiteral("OpenFolder")).toString(), mImages.path());
        }
    }

    void cancelAndFailureKeepTheList() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        Open(window, questions, {"wide.png", "tall.png"});
        window.ShowHideQualityOptions(false);

        questions.OpenAnswers.push_back({});
        QTest::mouseClick(window.OpenButton, Qt::LeftButton);
        QCOMPARE(window.lvwImages->topLevelItemCount(), 2);
        QVERIFY(!window.optQuality[0]->isHidden()); // shown again even when cancelled
        QVERIFY(questions.Asked(eKind::MsgBox).empty());

        questions.OpenAnswers.push_back({cQuestions::cOpenResult::eOutcome::Failed, {}, {}});
        QTest::mouseClick(window.OpenButton, Qt::LeftButton);
        QCOMPARE(window.lvwImages->topLevelItemCount(), 2);
        QCOMPARE(questions.Asked(eKind::MsgBox).size(), size_t(1));
        QCOMPARE(questions.Asked(eKind::MsgBox)[0].Title, QStringLiteral("Open Image Error"));
        QVERIFY(questions.Asked(eKind::MsgBox)[0].Text.startsWith(QStringLiteral("We were unable to open your image(s).")));
        // The second Open starts where the first one chose.
        QCOMPARE(questions.Asked(eKind::OpenFiles)[1].StartFolder, mImages.path());
    }

    void removingEverySelectedEntry() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        Open(window, questions, {"wide.png", "tall.png", "My Photo.png"});
        window.lvwImages->selectAll();
        QTest::keyClick(window.lvwImages, Qt::Key_Delete);
        QCOMPARE(window.lvwImages->topLevelItemCount(), 0);
        QCOMPARE(window.labFileCount->text(), QStringLiteral("0 Images"));
        QVERIFY(!window.PreviewButton->isEnabled());
        QVERIFY(!window.SaveButton->isEnabled());
        QVERIFY(window.optSize[0]->isEnabled()); // the options stay enabled
        // Nothing selected: Delete only refreshes the count.
        QTest::keyClick(window.lvwImages, Qt::Key_Delete);
        QCOMPARE(window.labFileCount->text(), QStringLiteral("0 Images"));
    }

    void rightClickMenuRules() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Open(window, questions, {"wide.png", "My Photo.png", "broken.png"});
        QWidget* viewport = window.lvwImages->viewport();

        // One entry: it is measured and the menu offers Properties.
        window.lvwImages->clearSelection();
        QTest::mouseClick(viewport, Qt::RightButton, {}, RowCentre(window, 1));
        QCOMPARE(window.lvwImages->selectedItems().size(), 1);
        QVERIFY(window.ImageList().mnuPopup->isVisible());
        QVERIFY(window.ImageList().mnuProperties->isEnabled());
        QCOMPARE(gImageWidth, int16_t(640));
        window.ImageList().mnuPopup->hide();

        // Two entries: the menu without Properties.
        window.lvwImages->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(viewport, Qt::RightButton, {}, RowCentre(window, 0));
        QCOMPARE(window.lvwImages->selectedItems().size(), 2);
        QVERIFY(window.ImageList().mnuPopup->isVisible());
        QVERIFY(!window.ImageList().mnuProperties->isEnabled());
        window.ImageList().mnuPopup->hide();

        // One selected, click on empty space: no menu.
        window.lvwImages->clearSelection();
        window.lvwImages->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, viewport->height() - 5));
        QVERIFY(!window.ImageList().mnuPopup->isVisible());

        // An entry that fails to load is removed and gets no menu.
        window.lvwImages->clearSelection();
        QTest::mouseClick(viewport, Qt::RightButton, {}, RowCentre(window, 2));
        QVERIFY(!window.ImageList().mnuPopup->isVisible());
        QCOMPARE(EntryTexts(window), QStringList({"wide.png", "My Photo.png"}));

        // A plain left click measures the entry; with Ctrl it does not.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, RowCentre(window, 0));
        QCOMPARE(gImageWidth, int16_t(1024));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, RowCentre(window, 1));
        QCOMPARE(gImageWidth, int16_t(1024));
    }

    void formatMenuShowsAndHidesTheQualityOptions_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("qualityShown");
        QTest::newRow("GIF") << "mnuGIFFormat" << "GIF" << false;
        QTest::newRow("BMP") << "mnuBMPFormat" << "BMP" << false;
        QTest::newRow("PNG") << "mnuPNGFormat" << "PNG" << false;
        QTest::newRow("JPG") << "mnuJPGFormat" << "JPG" << true;
        QTest::newRow("WebP") << "mnuWEBPFormat" << "WEBP" << true;
        QTest::newRow("Original") << "mnuOriginalFormat" << "DFT" << true;
    }

    void formatMenuShowsAndHidesTheQualityOptions() {
        QFETCH(QString, item);
        QFETCH(QString, code);
        QFETCH(bool, qualityShown);
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        window.mnuGIFFormat->trigger(); // start from a hidden state
        window.findChild<QAction*>(item)->trigger();
        QCOMPARE(gOutputFormat, code);
        int checked = 0;
        for (QAction* action : window.mnuDropDown->actions())
            checked += action->isChecked() && action->objectName().endsWith(u"Format") ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(window.findChild<QAction*>(item)->isChecked());
        for (QRadioButton* option : window.optQuality)
            QCOMPARE(!option->isHidden(), qualityShown);
        QCOMPARE(window.labNoQuality->isHidden(), qualityShown);
    }

    // The details choice is its own exclusive group, kept apart from the
    // format, and a new window starts with the stored choice.
    void detailsMenuIsRememberedPerUser() {
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        cScriptedQuestions questions;
        auto window = std::make_unique<frmQuillet>(&questions);
        QVERIFY(window->mnuKeepDetails->isChecked());
        window->mnuPNGFormat->trigger();
        window->mnuRemoveDetails->trigger();
        QVERIFY(window->mnuPNGFormat->isChecked() && !window->mnuKeepDetails->isChecked());
        QCOMPARE(gPhotoDetails, ePhotoDetails::Strip);
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("PhotoDetails")).toString(), QStringLiteral("strip"));
        window->mnuKeepLocation->trigger();
        window = std::make_unique<frmQuillet>(&questions);
        QVERIFY(window->mnuKeepLocation->isChecked() && !window->mnuRemoveDetails->isChecked());
        QCOMPARE(gPhotoDetails, ePhotoDetails::KeepLocation);
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        gPhotoDetails = ePhotoDetails::Keep;
    }

    void optionClicksSetTheState() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        window.EnableForm();
        window.optQuality[3]->click();
        window.optRotation[2]->click();
        QCOMPARE(gQualityIndex, int16_t(3));
        QCOMPARE(gRotationIndex, int16_t(2));
    }

    void customSizeBoxOnLeaving_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("boxAfter");
        QTest::addColumn<QString>("customCaption");
        QTest::newRow("letters") << "abc" << "1024" << "Custom (1024 x 768)";
        QTest::newRow("beyond 16 bits") << "40000" << "1024" << "Custom (1024 x 768)";
        QTest::newRow("a half goes to even") << "12.5" << "12.5" << "Custom (12 x 9)";
        QTest::newRow("zero keeps the size") << "0" << "0" << "Custom (1024 x 768)";
        QTest::newRow("negative keeps the size") << "-5" << "-5" << "Custom (1024 x 768)";
        QTest::newRow("a number") << "512" << "512" << "Custom (512 x 384)";
        // Passing through the box (nothing typed) chooses nothing.
        QTest::newRow("passing through") << "" << "1024" << "Custom (1024 x 768)";
    }

    void customSizeBoxOnLeaving() {
        QFETCH(QString, typed);
        QFETCH(QString, boxAfter);
        QFETCH(QString, customCaption);
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        Open(window, questions, {"wide.png"});
        QCOMPARE(gSizeIndex, int16_t(0));
        if (!typed.isEmpty()) {
            window.txtSize->clear();
            QTest::keyClicks(window.txtSize, typed);
        }
        QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(window.txtSize, &leaving);
        QCOMPARE(window.txtSize->text(), boxAfter);
        QCOMPARE(window.optSize[5]->text(), customCaption);
        const bool accepted = boxAfter == typed;
        QCOMPARE(window.optSize[5]->isChecked(), accepted);
        QCOMPARE(gSizeIndex, int16_t(accepted ? 5 : 0));
    }

    void saveButtonDropDownZone() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
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

    void webPagesAndHelp() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        // Hovering a button explains it in the status band.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(window.FriendButton, &enter);
        QVERIFY(!window.labStatus->isHidden());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(window.FriendButton, &leave);
        QVERIFY(window.labStatus->isHidden());
        QTest::mouseClick(window.FriendButton, Qt::LeftButton);
        QTest::mouseClick(window.HelpButton, Qt::LeftButton);
        QCOMPARE(mUrls.Opened.size(), 2);
        QCOMPARE(mUrls.Opened[0], QUrl(frmQuillet::kMakerSite + "/QLTFriend.aspx"));
        QVERIFY(mUrls.Opened[1].isLocalFile());
        QVERIFY(mUrls.Opened[1].toLocalFile().endsWith(QStringLiteral("help/index.html")));
    }

    void firstRunQuestionIsAskedOnce() {
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        cScriptedQuestions questions;
        questions.MsgBoxAnswers.push_back(cQuestions::eAnswer::Yes);
        frmQuillet window(&questions);
        window.FormActivate();
        window.FormActivate();
        const std::vector<cScriptedQuestions::cAsked> asked = questions.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Buttons, cQuestions::eButtons::YesNo);
        QCOMPARE(mUrls.Opened, QList<QUrl>({QUrl(frmQuillet::kMakerSite + "/GettingStarted.aspx")}));
        QCOMPARE(ReadValue(SettingsKey, QStringLiteral("FirstTime")).toString(), QStringLiteral("N"));

        // Answering No stores the marker as well; a later window asks nothing.
        QSettings(QStringLiteral("Norvane"), QStringLiteral("Quillet")).clear();
        cScriptedQuestions declined;
        declined.MsgBoxAnswers.push_back(cQuestions::eAnswer::No);
        frmQuillet second(&declined);
        second.FormActivate();
        QVERIFY(ValueExists(SettingsKey, QStringLiteral("FirstTime")));
        QCOMPARE(mUrls.Opened.size(), 1);
        cScriptedQuestions later;
        frmQuillet third(&later);
        third.FormActivate();
        QVERIFY(later.Log.empty());
    }

    void imagingFailuresShowTheGdipErrorBox() {
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        window.gdip->Error(7, QStringLiteral("cBitmap"));
        const std::vector<cScriptedQuestions::cAsked> asked = questions.Asked(eKind::MsgBox);
        QCOMPARE(asked.size(), size_t(1));
        QCOMPARE(asked[0].Title, QStringLiteral("GDIP Error"));
        QCOMPARE(asked[0].Text,
                 QStringLiteral("GDIP Error in: cBitmap\tError Number: 7\tError Description: Win32 Error"));
        QCOMPARE(asked[0].Icon, cQuestions::eIcon::Critical);
    }

    void getPathAsksForTheSaveFolder() {
        cScriptedQuestions questions;
        questions.FolderAnswers.push_back(QStringLiteral("/out"));
        frmQuillet window(&questions);
        QCOMPARE(window.GetPath(), QStringLiteral("/out"));
        QCOMPARE(window.GetPath(), QString()); // cancelled
    }

    void closingReleasesImagingAndTheCaptureFile() {
        QFile capture(CaptureFilePath());
        QVERIFY(capture.open(QIODevice::WriteOnly));
        capture.close();
        cScriptedQuestions questions;
        frmQuillet window(&questions);
        window.show();
        QVERIFY(window.close());
        QVERIFY(!window.gdip);
        QVERIFY(!QFile::exists(CaptureFilePath()));
    }
};

QTEST_MAIN(tst_frmquillet)
#include "tst_frmquillet.moc"
