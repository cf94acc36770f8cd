// The preview dialog against a real main window with scripted questions:
// navigation, failures, sizes, rotation, encoders, and that the bytes shown
// are the bytes the batch save writes.

#include "AppState.h"
#include "ModernImages.h"
#include "ARButton.h"
#include "ImageEntry.h"
#include "cBatchSave.h"
#include "cGDIP.h"
#include "cSaveList.h"
#include "cScriptedQuestions.h"
#include "dlgPreview.h"
#include "cImageList.h"
#include "frmQuillet.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

// A colourful test picture: smooth gradients, so encoders and the palette
// reduction have work to do.
QImage TestPicture(int lWidth, int lHeight) {
    QImage image(lWidth, lHeight, QImage::Format_RGB32);
    for (int y = 0; y < lHeight; ++y)
        for (int x = 0; x < lWidth; ++x)
            image.setPixel(x, y, qRgb(x * 255 / lWidth, y * 255 / lHeight, (x * y) % 256));
    return image;
}

// The batch save's view of one file.
class cOneEntry : public cSaveList {
public:
    cOneEntry(QString sFolder, QString sName) : mFolder(std::move(sFolder)), mName(std::move(sName)) {}
    int Count() const override { return mRemoved ? 0 : 1; }
    QString FileName(int) const override { return mName; }
    QString Folder(int) const override { return mFolder; }
    void Remove(int) override { mRemoved = true; }

private:
    QString mFolder;
    QString mName;
    bool mRemoved = false;
};

} // namespace

class tst_preview : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(mDir.isValid());
        gSizeIndex = 3;   // 640
        gQualityIndex = 1;
        gRotationIndex = 0;
        gOutputFormat = QStringLiteral("DFT");
        gImageWidth = 0;
        gImageHeight = 0;
        mQuestions = std::make_unique<cScriptedQuestions>();
        mWindow = std::make_unique<frmQuillet>(mQuestions.get());
    }

    void cleanup() {
        mWindow.reset();
        mQuestions.reset();
    }

    void oneEntryHasNoArrows() {
        Fill({Picture("only.png", 1024, 768)});
        dlgPreview dialog(*mWindow);
        QVERIFY(Find<ARButton>(dialog, "PreviousButton")->isHidden());
        QVERIFY(Find<ARButton>(dialog, "NextButton")->isHidden());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview only.png"));
        QCOMPARE(Find<QLabel>(dialog, "labDimensions")->text(), QStringLiteral("640 x 480"));
        QVERIFY(dialog.EncodedBytes().startsWith(kPngSignature));
        QCOMPARE(Find<QLabel>(dialog, "picImage")->pixmap().size(), QSize(640, 480));
        // The main window's measurement is left alone.
        QCOMPARE(gImageWidth, int16_t{0});
        QVERIFY(mQuestions->Log.empty());
    }

    void navigationWrapsAtBothEnds() {
        Fill({Picture("a.png", 100, 100), Picture("b.png", 100, 100), Picture("c.png", 100, 100)});
        dlgPreview dialog(*mWindow);
        QVERIFY(!Find<ARButton>(dialog, "NextButton")->isHidden());
        dialog.PreviousButton_Click();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview c.png"));
        QCOMPARE(SelectedText(), QStringLiteral("c.png"));
        dialog.NextButton_Click();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview a.png"));
        QTest::mouseClick(Find<ARButton>(dialog, "NextButton"), Qt::LeftButton);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview b.png"));
        QCOMPARE(mWindow->lvwImages->selectedItems().size(), 1);
    }

    void failingFirstOfTwoHidesArrows() {
        Fill({Broken("bad.png"), Picture("good.png", 200, 100)});
        dlgPreview dialog(*mWindow);
        QCOMPARE(mQuestions->Log.size(), size_t{1});
        QCOMPARE(mQuestions->Log[0].Title, QStringLiteral("Error Showing Image"));
        QVERIFY(mQuestions->Log[0].Text.startsWith(QStringLiteral("bad.png ")));
        QCOMPARE(mQuestions->Log[0].Icon, cQuestions::eIcon::Exclamation);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 1);
        QVERIFY(Find<ARButton>(dialog, "PreviousButton")->isHidden());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Preview"));
    }

    void failingOnlyEntryEmptiesTheList() {
        Fill({Broken("bad.jpg")});
        mWindow->EnableForm();
        dlgPreview dialog(*mWindow);
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 0);
        QVERIFY(!mWindow->PreviewButton->isEnabled());
        QVERIFY(!mWindow->SaveButton->isEnabled());
        QCOMPARE(mWindow->labFileCount->text(), QStringLiteral("0 Images"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Preview"));
        QVERIFY(Find<QLabel>(dialog, "picImage")->pixmap().isNull());
        // The arrows stay: the list no longer holds exactly one entry. Using
        // them on the empty list does nothing.
        QVERIFY(!Find<ARButton>(dialog, "NextButton")->isHidden());
        dialog.NextButton_Click();
        dialog.PreviousButton_Click();
        QCOMPARE(mQuestions->Log.size(), size_t{1});
        // Failed load: 200 pixels wide.
        QCOMPARE(dialog.width(), 200);
    }

    void navigationWithoutSelectionAfterRemoval() {
        Fill({Picture("a.png", 100, 100), Broken("bad.png"), Picture("c.png", 100, 100)});
        dlgPreview dialog(*mWindow);
        dialog.NextButton_Click();   // bad.png fails and leaves the list
        QCOMPARE(mWindow->lvwImages->topLevelItemCount(), 2);
        mWindow->lvwImages->clearSelection();
        dialog.NextButton_Click();   // the entry that moved up into its place
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview c.png"));
        mWindow->ImageList().RemoveEntry(mWindow->lvwImages->topLevelItem(1));
        mWindow->lvwImages->clearSelection();
        dialog.PreviousButton_Click();   // position beyond the list: the last one
        QCOMPARE(SelectedText(), QStringLiteral("a.png"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Preview a.png"));
    }

    void resultLargerThanScreenIsClampedNotScaled() {
        // The offscreen screen is 800 x 800; custom 1024 makes 1024 x 256.
        gSizeIndex = 5;
        mWindow->txtSize->setText(QStringLiteral("1024"));
        Fill({Picture("wide.png", 2048, 512)});
        dlgPreview dialog(*mWindow);
        const QRect screen = dialog.screen()->geometry();
        QCOMPARE(dialog.width(), screen.width());
        QCOMPARE(dialog.x(), screen.x());
        const auto* picture = Find<QLabel>(dialog, "picImage");
        QCOMPARE(picture->width(), screen.width() - 16);
        QCOMPARE(picture->pixmap().width(), 1024);   // shown at full size, cut off
        // Vertically it fits and is centred.
        QCOMPARE(dialog.y(), screen.y() + (screen.height() - dialog.height()) / 2);
    }

    void quarterTurnIsClockwise() {
        gRotationIndex = 1;
        Fill({Picture("turn.png", 1024, 768)});
        dlgPreview dialog(*mWindow);
        QCOMPARE(Find<QLabel>(dialog, "labDimensions")->text(), QStringLiteral("480 x 640"));
        // Red grows to the right, green downwards: the bottom-left corner
        // (green) is now top left, the top-left one (black) top right.
        const QImage shown = Find<QLabel>(dialog, "picImage")->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(480, 640));
        const QRgb topLeft = shown.pixel(0, 0);
        const QRgb topRight = shown.pixel(479, 0);
        QVERIFY2(qRed(topLeft) < 16 && qGreen(topLeft) > 240, qPrintable(QString::number(topLeft, 16)));
        QVERIFY2(qRed(topRight) < 16 && qGreen(topRight) < 16, qPrintable(QString::number(topRight, 16)));
    }

    // A format without an encoder (HEIC, ICO) is previewed as PNG, unasked.
    void turnedHeicIsPreviewedUprightAsPng() {
        const std::vector<uint8_t> heic =
            modern::EncodeHeif(heif_compression_HEVC, 63, 47, false, heif_orientation_rotate_90_cw, 0);
        QFile file(mDir.filePath("turned.heic"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(heic.data()), qint64(heic.size()));
        file.close();
        Fill({QStringLiteral("turned.heic")});
        dlgPreview dialog(*mWindow);
        QCOMPARE(dialog.EncodedBytes().left(8), kPngSignature);
        QCOMPARE(Find<QLabel>(dialog, "labDimensions")->text(), QStringLiteral("477 x 640"));
        const QImage shown = Find<QLabel>(dialog, "picImage")->pixmap().toImage();
        QCOMPARE(shown.pixel(20, 20) & 0xFFE0E0E0u, 0xFF0000E0u); // blue, the stored bottom left
        QVERIFY(mQuestions->Log.empty());
    }

    void shownBytesAreTheSavedFile_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("written");
        QTest::newRow("jpg") << "JPG" << "shot.jpg";
        QTest::newRow("gif") << "GIF" << "shot.gif";
        QTest::newRow("png") << "PNG" << "shot.png";
        QTest::newRow("bmp") << "BMP" << "shot.bmp";
        QTest::newRow("webp") << "WEBP" << "shot.webp";
    }

    void shownBytesAreTheSavedFile() {
        QFETCH(QString, format);
        QFETCH(QString, written);
        gOutputFormat = format;
        gRotationIndex = 3;
        Fill({Picture("shot.png", 500, 400)});
        dlgPreview dialog(*mWindow);

        QTemporaryDir out;
        cGDIP gdip;
        cSaveObserver observer;
        cBatchSave save(gdip, *mQuestions, observer);
        cOneEntry list(mDir.path(), QStringLiteral("shot.png"));
        const cSaveSummary summary = save.Run(list, out.path(), cSaveOptions::FromAppState(mWindow->txtSize->text()));
        QCOMPARE(summary.Saved, 1);
        QFile file(out.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(dialog.EncodedBytes(), file.readAll());
    }

    void encodedSizeReadsWell() {
        QCOMPARE(dlgPreview::EncodedSizeText(512), QStringLiteral("512 bytes"));
        QCOMPARE(dlgPreview::EncodedSizeText(49152), QStringLiteral("48 KB"));
        QCOMPARE(dlgPreview::EncodedSizeText(1536), QStringLiteral("2 KB"));   // 1.5 -> 2, halves to even
        QCOMPARE(dlgPreview::EncodedSizeText(2560), QStringLiteral("2 KB"));   // 2.5 -> 2
        QCOMPARE(dlgPreview::EncodedSizeText(2516582), QStringLiteral("2.4 MB"));
        Fill({Picture("sized.png", 300, 200)});
        dlgPreview dialog(*mWindow);
        QCOMPARE(Find<QLabel>(dialog, "labEncodedSize")->text(),
                 dlgPreview::EncodedSizeText(dialog.EncodedBytes().size()));
        QVERIFY(Find<QLabel>(dialog, "picImage")->toolTip().contains(QStringLiteral("PNG")));
    }

private:
    template <class T>
    static T* Find(const QWidget& oParent, const char* sName) {
        T* found = oParent.findChild<T*>(QLatin1String(sName));
        if (found == nullptr)
            qFatal("no child %s", sName);
        return found;
    }

    QString Picture(const QString& sName, int lWidth, int lHeight) {
        if (!TestPicture(lWidth, lHeight).save(mDir.filePath(sName)))
            qFatal("cannot write %s", qPrintable(sName));
        return sName;
    }

    QString Broken(const QString& sName) {
        QFile file(mDir.filePath(sName));
        if (!file.open(QIODevice::WriteOnly) || file.write("not an image at all") < 0)
            qFatal("cannot write %s", qPrintable(sName));
        return sName;
    }

    // Replaces the list with aNames from the test folder; the first is selected.
    void Fill(const QStringList& aNames) {
        mWindow->lvwImages->clear();
        for (const QString& name : aNames)
            mWindow->ImageList().AddToFileList(mDir.path(), name);
        mWindow->lvwImages->setCurrentItem(mWindow->lvwImages->topLevelItem(0));
    }

    QString SelectedText() const {
        const QList<QTreeWidgetItem*> selected = mWindow->lvwImages->selectedItems();
        return selected.size() == 1 ? EntryText(selected.front()) : QString();
    }

    QTemporaryDir mDir;
    std::unique_ptr<cScriptedQuestions> mQuestions;
    std::unique_ptr<frmQuillet> mWindow;
};

QTEST_MAIN(tst_preview)
#include "tst_preview.moc"
