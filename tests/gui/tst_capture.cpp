// The screen capture: the grab, the capture file written through the imaging
// objects, and the list replaced by the one capture entry.

#include "ScreenCapture.h"
#include "WindowFixture.h"
#include "cGDIP.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

namespace {

// Pixels with every kind of alpha (to show that the capture is opaque), or
// the same colours opaque.
QImage Pattern(int lWidth, int lHeight, bool bOpaque = false) {
    QImage image(lWidth, lHeight, QImage::Format_ARGB32);
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x)
            image.setPixel(x, y, qRgba(x * 4, y * 5, (x + y) % 256, bOpaque ? 255 : (x * 7) % 256));
    return image;
}

} // namespace

class tst_capture : public QObject {
    Q_OBJECT
  private slots:
    void init() { StartFresh(); }

    void cleanup() { RemoveCaptureFile(); }

    void savedFileHoldsTheScreenPixelsOpaqueAndFailsSafely() {
        QTemporaryDir dir;
        const QString path = dir.filePath("shot.png");
        cGDIP gdip;
        QCOMPARE(SaveCaptureFile(Pattern(64, 48), gdip, path), 0);
        const QImage written(path);
        QCOMPARE(written.convertToFormat(QImage::Format_ARGB32), Pattern(64, 48, true));
        QVERIFY(!QFileInfo::exists(path + ".part"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"shot.png"});
        // A folder that cannot take the file makes the save fail.
        QVERIFY(SaveCaptureFile(Pattern(16, 16), gdip, dir.filePath("gone/shot.png")) != 0);
    }

    // Only the colour counts, in every row: a grab's stored alpha byte varies.
    void blankGrabIsOneColour() {
        QImage image(5, 3, QImage::Format_RGB32);
        image.fill(qRgb(10, 20, 30));
        reinterpret_cast<QRgb*>(image.scanLine(1))[2] &= RGB_MASK;
        QVERIFY(IsBlankGrab(image));
        image.setPixel(4, 2, qRgb(10, 20, 31));
        QVERIFY(!IsBlankGrab(image));
    }

    void captureReplacesTheListWithOneEntry() {
        cTestWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.ImageList().AddToFileList(QDir::tempPath(), QStringLiteral("one.png"));
        window.ImageList().AddToFileList(QDir::tempPath(), QStringLiteral("two.png"));

        bool hiddenWhileWaiting = false;
        QTimer::singleShot(kCaptureDelayMs / 2, &window, [&] { hiddenWhileWaiting = !window.isVisible(); });
        CaptureScreen(window, window.ImageList());
        QVERIFY(hiddenWhileWaiting);
        QVERIFY(window.isVisible());

        QCOMPARE(window.lvwImages->topLevelItemCount(), 1);
        QTreeWidgetItem* entry = window.lvwImages->topLevelItem(0);
        QCOMPARE(EntryText(entry), QStringLiteral("Screen Capture.png"));
        // In a folder of this run's own under the user's runtime folder.
        const QFileInfo folder(EntryTag(entry));
        QVERIFY2(folder.fileName().startsWith("quillet-capture-"), qPrintable(folder.filePath()));
        QCOMPARE(QDir(folder.absolutePath()), QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)));
        QVERIFY(window.SaveButton->isEnabled());
        // The whole primary screen at its pixel size (the offscreen screen here).
        const QSize screen =
            QGuiApplication::primaryScreen()->geometry().size() * QGuiApplication::primaryScreen()->devicePixelRatio();
        QCOMPARE(QImage(CaptureFilePath()).size(), screen);
        QCOMPARE(QSize(gImageWidth, gImageHeight), screen);
        QVERIFY(window.Script.Log.empty());

        // A second capture rewrites the same file; the list again holds one entry.
        CaptureScreen(window, window.ImageList());
        QCOMPARE(window.lvwImages->topLevelItemCount(), 1);
    }
};

QTEST_MAIN(tst_capture)
#include "tst_capture.moc"
