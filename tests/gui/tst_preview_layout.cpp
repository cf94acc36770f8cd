// Sizing and placement of the preview window: fit, the 200-pixel minimum,
// the screen clamps, the arrow buttons' gradient colour.

#include "PreviewLayout.h"

#include <QTest>

namespace {

// A 1920 x 1080 screen at 96 DPI, a frameless window with the designed
// client margins (120 each side; 1020 under the picture).
cPreviewMetrics Metrics() {
    return {.ScreenWidth = 1920 * 15, .ScreenHeight = 1080 * 15, .ExtraWidth = 240, .ExtraHeight = 1140,
            .LabelFromBottom = 915, .OKFromBottom = 555};
}

} // namespace

class tst_preview_layout : public QObject {
    Q_OBJECT
private slots:
    void fitsAndCentres() {
        const cPreviewLayout l = ComputePreviewLayout(Metrics(), 640, 480);
        QCOMPARE(l.Window, QRectF(9480, 3930, 9840, 8340));
        QCOMPARE(l.Picture, QRectF(120, 120, 9600, 7200));
        QCOMPARE(l.Label, QPointF(4087.5, 7425));
        QCOMPARE(l.OK, QPointF(4312.5, 7785));
        // The arrows touch the label on either side, centred on it vertically.
        QCOMPARE(l.Previous, QPointF(3712.5, 7335));
        QCOMPARE(l.Next, QPointF(5752.5, 7335));
        // Row 7335 + 187 of 8340: (153 + 91, 198 + 51, 220 + 31).
        QVERIFY(l.ButtonBack.has_value());
        QCOMPARE(*l.ButtonBack, QColor(244, 249, 251));
    }

    void narrowResultKeepsMinimumWidthWithPictureCentred() {
        const cPreviewLayout l = ComputePreviewLayout(Metrics(), 100, 50);
        QCOMPARE(l.Window.width(), 3000.0);
        QCOMPARE(l.Picture, QRectF(750, 120, 1500, 750));
        // The next wide-enough image brings the picture back to the margin.
        QCOMPARE(ComputePreviewLayout(Metrics(), 300, 50).Picture.left(), 120.0);
    }

    void failedLoadFallsToMinimumWidthKeepingHeight() {
        const cPreviewLayout l = ComputePreviewLayout(Metrics(), 0, 480);
        QCOMPARE(l.Window.size(), QSizeF(3000, 8340));
        QCOMPARE(l.Picture.left(), 1500.0);
    }

    void tallerThanScreenTakesFullHeightAtTop() {
        const cPreviewLayout l = ComputePreviewLayout(Metrics(), 640, 2000);
        QCOMPARE(l.Window, QRectF(9480, 0, 9840, 16200));
        QCOMPARE(l.Picture, QRectF(120, 120, 9600, 16200 - 1140));
        QCOMPARE(l.Label.y(), 16200.0 - 915);
    }

    void buttonColourNeedsAWholeRow() {
        cPreviewMetrics m = Metrics();
        m.LabelFromBottom = 915.5;   // the button row falls between two pixel rows
        QVERIFY(!ComputePreviewLayout(m, 640, 480).ButtonBack.has_value());
        // A frame: the gradient covers the client area only.
        m = Metrics();
        m.FrameHeight = 30 * 15;
        m.ExtraHeight += m.FrameHeight;
        m.LabelFromBottom += 6 * 15;
        m.OKFromBottom += 6 * 15;
        QVERIFY(ComputePreviewLayout(m, 640, 480).ButtonBack.has_value());
        // A zero height must not divide by zero.
        QCOMPARE(PreviewGradientColour(0, 0), QColor(153, 198, 220));
    }
};

QTEST_MAIN(tst_preview_layout)
#include "tst_preview_layout.moc"
