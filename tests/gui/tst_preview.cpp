// The preview dialog against a real main window with scripted questions:
// navigation, failures, sizes, rotation, encoders, and that the bytes shown
// are the bytes the batch save writes. Then the window's sizing and placement
// as computed: fit, the 200-pixel minimum, the screen clamps, the arrow
// buttons' gradient colour.

#include "ARButton.h"
#include "PhotoWithDetails.h"
#include "PreviewLayout.h"
#include "WindowFixture.h"

#include "cBitmap.h"

#include <QProcess>

#include <memory>

#include <sys/resource.h>

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

// A 1920 x 1080 screen at 96 DPI, a frameless window with the designed
// client margins (120 each side; 1020 under the picture).
cPreviewMetrics Metrics() {
    return {.ScreenWidth = 1920 * 15,
            .ScreenHeight = 1080 * 15,
            .ExtraWidth = 240,
            .ExtraHeight = 1140,
            .LabelFromBottom = 915,
            .OKFromBottom = 555};
}

} // namespace

class tst_preview : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        StartFresh();
        gSizeIndex = 3; // 640
        mWindow = std::make_unique<cTestWindow>();
    }

    void oneEntryHasNoArrows() {
        Fill({Picture("only.png", 1024, 768)});
        dlgPreview dialog(*mWindow);
        QVERIFY(Child<ARButton>(dialog, "PreviousButton")->isHidden());
        QVERIFY(Child<ARButton>(dialog, "NextButton")->isHidden());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview only.png"));
        QCOMPARE(Child<QLabel>(dialog, "labDimensions")->text(), QStringLiteral("640 x 480"));
        QVERIFY(dialog.EncodedBytes().startsWith(kPngSignature));
        QCOMPARE(Child<QLabel>(dialog, "picImage")->pixmap().size(), QSize(640, 480));
        // The main window's measurement is left alone.
        QCOMPARE(gImageWidth, int16_t{0});
        QVERIFY(mWindow->Script.Log.empty());
        // A fixed-size tool window: no minimize or maximize buttons.
        QVERIFY(!(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog.windowFlags() & Qt::CustomizeWindowHint);
    }

    void navigationWrapsAtBothEnds() {
        Fill({Picture("a.png", 100, 100), Picture("b.png", 100, 100), Picture("c.png", 100, 100)});
        mWindow->lvwImages->clearSelection(); // nothing selected: the first entry
        dlgPreview dialog(*mWindow);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview a.png"));
        QCOMPARE(Selected(), QStringList{"a.png"});
        QVERIFY(!Child<ARButton>(dialog, "NextButton")->isHidden());
        dialog.PreviousButton_Click();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview c.png"));
        QCOMPARE(Selected(), QStringList{"c.png"});
        dialog.NextButton_Click();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview a.png"));
        QTest::mouseClick(Child<ARButton>(dialog, "NextButton"), Qt::LeftButton);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview b.png"));
        QCOMPARE(Selected(), QStringList{"b.png"});
    }

    // Several sizes: the arrows walk through the sizes of an entry, then on
    // to the next entry, and back from the last size of the one before.
    void arrowsWalkThroughEverySize() {
        gSizeIndex = 5;
        mWindow->txtSize->setText(QStringLiteral("200, 100"));
        Fill({Picture("a.png", 400, 300), Picture("b.png", 300, 400)});
        dlgPreview dialog(*mWindow);
        QStringList seen;
        const auto note = [&] { seen << dialog.windowTitle() + u'|' + Child<QLabel>(dialog, "labDimensions")->text(); };
        note();
        for (int step : {1, 1, -1, -1, -1}) {
            step > 0 ? dialog.NextButton_Click() : dialog.PreviousButton_Click();
            note();
        }
        QCOMPARE(seen, (QStringList{"Preview a.png, 1 of 2 sizes|200 x 150", "Preview a.png, 2 of 2 sizes|100 x 75",
                                    "Preview b.png, 1 of 2 sizes|150 x 200", "Preview a.png, 2 of 2 sizes|100 x 75",
                                    "Preview a.png, 1 of 2 sizes|200 x 150", "Preview b.png, 2 of 2 sizes|75 x 100"}));
    }

    void failingFirstOfTwoHidesArrows() {
        Fill({Broken("bad.png"), Picture("good.png", 200, 100)});
        dlgPreview dialog(*mWindow);
        QCOMPARE(mWindow->Script.Log.size(), size_t{1});
        QCOMPARE(mWindow->Script.Log[0].Title, QStringLiteral("Error Showing Image"));
        QVERIFY(mWindow->Script.Log[0].Text.startsWith(QStringLiteral("bad.png ")));
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 1);
        QVERIFY(Child<ARButton>(dialog, "PreviousButton")->isHidden());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Preview"));
    }

    // A sound file too large for the memory there is (a 70 KB arithmetic
    // JPEG that needs 1.6 GB at its own size) is said to be that, not
    // corrupt, and stays listed. Run again as a child under a 1 GiB
    // address-space limit, which AddressSanitizer's shadow memory rules out.
    void tooLargeForMemoryIsNotCorrupt() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("an address-space limit cannot be used with AddressSanitizer");
#endif
        if (!qEnvironmentVariableIsSet("QUILLET_LIMITED_CHILD")) {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QUILLET_LIMITED_CHILD"), QStringLiteral("1"));
            child.setProcessEnvironment(environment);
            child.setChildProcessModifier([] {
                const rlimit limit{rlim_t{1} << 30, rlim_t{1} << 30};
                ::setrlimit(RLIMIT_AS, &limit);
            });
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("tooLargeForMemoryIsNotCorrupt")});
            QVERIFY(child.waitForFinished(120000));
            QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
            return;
        }
        QFile::remove(TestFolder().filePath("bomb.jpg"));
        QVERIFY(QFile::copy(QStringLiteral(QUILLET_TEST_DATA "/field-faults/bomb_arith_70KB.jpg"),
                            TestFolder().filePath("bomb.jpg")));
        Fill({"bomb.jpg"});
        gSizeIndex = 5;
        mWindow->txtSize->setText(QStringLiteral("0"));
        dlgPreview dialog(*mWindow);
        QCOMPARE(mWindow->Script.Log.size(), size_t{1});
        QCOMPARE(mWindow->Script.Log[0].Text,
                 QStringLiteral("There is not enough memory to show bomb.jpg at this size."));
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 1);
    }

    void failingOnlyEntryEmptiesTheList() {
        Fill({Broken("bad.jpg")});
        mWindow->EnableForm();
        dlgPreview dialog(*mWindow);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 0);
        QVERIFY(!mWindow->SaveButton->isEnabled());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Preview"));
        QVERIFY(Child<QLabel>(dialog, "picImage")->pixmap().isNull());
        // The arrows stay: the list no longer holds exactly one entry. Using
        // them on the empty list does nothing.
        QVERIFY(!Child<ARButton>(dialog, "NextButton")->isHidden());
        dialog.NextButton_Click();
        dialog.PreviousButton_Click();
        QCOMPARE(mWindow->Script.Log.size(), size_t{1});
        // Failed load: 200 pixels wide.
        QCOMPARE(dialog.width(), 200);
    }

    void navigationWithoutSelectionAfterRemoval() {
        Fill({Picture("a.png", 100, 100), Broken("bad.png"), Picture("c.png", 100, 100)});
        dlgPreview dialog(*mWindow);
        dialog.NextButton_Click(); // bad.png fails and leaves the list
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 2);
        mWindow->lvwImages->clearSelection();
        dialog.NextButton_Click(); // the entry that moved up into its place
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview c.png"));
        mWindow->ImageList().RemoveEntry(mWindow->lvwImages->topLevelItem(1));
        mWindow->lvwImages->clearSelection();
        dialog.PreviousButton_Click(); // position beyond the list: the last one
        QCOMPARE(Selected(), QStringList{"a.png"});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview a.png"));
    }

    // A camera's photo (details, a profile, an EXIF turn) in every output
    // format: the preview shows the very bytes the save writes.
    void shownBytesAreTheSavedFile_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("limit");    // file-size limit in KB; 0: none
        QTest::addColumn<QString>("note"); // how the size shown starts
        QTest::addColumn<bool>("details"); // the format carries the photo details
        for (const char* format : {"DFT", "JPG", "GIF", "PNG", "BMP", "WEBP", "AVIF", "JXL"}) {
            const QString code = QString::fromLatin1(format);
            QTest::newRow(format) << code << 0 << QString() << (code != "GIF" && code != "BMP");
        }
        // Under a limit: the quality chosen and the one reached, or fewer pixels.
        QTest::newRow("JPG within 12 KB") << QStringLiteral("JPG") << 12 << QStringLiteral("66 \u2192 ") << true;
        QTest::newRow("PNG within 200 KB") << QStringLiteral("PNG") << 200 << QString() << true;
    }

    void shownBytesAreTheSavedFile() {
        QFETCH(QString, format);
        QFETCH(int, limit);
        QFETCH(QString, note);
        QFETCH(bool, details);
        gOutputFormat = format;
        gRotationIndex = 3;
        gMaxBytes = int64_t{limit} * 1024;
        Fill({WriteFile("shot.jpg", PhotoWithDetails(500, 400))});
        dlgPreview dialog(*mWindow);
        QTemporaryDir out;
        mWindow->Script.FolderAnswers.push_back(out.path());
        mWindow->SaveImages();
        QFile file(out.filePath(format == "DFT" ? "shot.jpg" : "shot." + format.toLower()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QCOMPARE(dialog.EncodedBytes(), saved);
        QCOMPARE(saved.contains("Canon"), details);
        const QString shown = Child<QLabel>(dialog, "labEncodedSize")->text();
        QVERIFY2(shown.startsWith(note) && shown.endsWith(dlgPreview::EncodedSizeText(saved.size())),
                 qPrintable(shown));
        QVERIFY(limit == 0 || dialog.EncodedBytes().size() <= gMaxBytes);
        QByteArray bytes = dialog.EncodedBytes();
        cBitmap written;
        QCOMPARE(written.CreateFromStream(bytes), 0);
        QCOMPARE(Child<QLabel>(dialog, "labDimensions")->text(),
                 QStringLiteral("%1 x %2").arg(written.Width()).arg(written.Height()));
    }

    void encodedSizeReadsWell() {
        const std::pair<int, const char*> sizes[] = {{512, "512 bytes"},
                                                     {49152, "48 KB"},
                                                     {1536, "2 KB"},
                                                     {2560, "2 KB"},
                                                     {2516582, "2.4 MB"}}; // halves to even
        for (const auto& [bytes, text] : sizes)
            QCOMPARE(dlgPreview::EncodedSizeText(bytes), QLatin1String(text));
    }

    // The window and the picture in it, in twips: fitted and centred on the
    // screen; a narrow result at the 200-pixel minimum with the picture
    // centred, a wide-enough one back at the margin; a failed load as wide as
    // that, keeping its height; a tall one the screen's height, at the top.
    void layoutFitsTheScreen_data() {
        QTest::addColumn<QSize>("result");
        QTest::addColumn<QRectF>("window");
        QTest::addColumn<QRectF>("picture");
        QTest::newRow("fits") << QSize(640, 480) << QRectF(9480, 3930, 9840, 8340) << QRectF(120, 120, 9600, 7200);
        QTest::newRow("narrow") << QSize(100, 50) << QRectF(12900, 7155, 3000, 1890) << QRectF(750, 120, 1500, 750);
        QTest::newRow("wide enough") << QSize(300, 50) << QRectF(12030, 7155, 4740, 1890)
                                     << QRectF(120, 120, 4500, 750);
        QTest::newRow("failed load") << QSize(0, 480) << QRectF(12900, 3930, 3000, 8340) << QRectF(1500, 120, 0, 7200);
        QTest::newRow("taller than the screen")
            << QSize(640, 2000) << QRectF(9480, 0, 9840, 16200) << QRectF(120, 120, 9600, 16200 - 1140);
    }

    void layoutFitsTheScreen() {
        QFETCH(QSize, result);
        QFETCH(QRectF, window);
        QFETCH(QRectF, picture);
        const cPreviewLayout l = ComputePreviewLayout(Metrics(), result.width(), result.height());
        QCOMPARE(l.Window, window);
        QCOMPARE(l.Picture, picture);
        QCOMPARE(l.Label.y(), window.height() - 915);
    }

  private:
    // Replaces the list with aNames from the test folder; the first is selected.
    void Fill(const QStringList& aNames) {
        mWindow->lvwImages->clear();
        for (const QString& name : aNames)
            mWindow->ImageList().AddToFileList(TestFolder().path(), name);
        mWindow->lvwImages->setCurrentItem(mWindow->lvwImages->topLevelItem(0));
    }

    QStringList Selected() const {
        return Texts(mWindow->lvwImages->selectedItems());
    }

    std::unique_ptr<cTestWindow> mWindow;
};

QTEST_MAIN(tst_preview)
#include "tst_preview.moc"
