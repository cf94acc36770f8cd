// The screen capture in a real desktop session: a window of a known colour
// is shown, the screen is grabbed as the Capture button grabs it and written
// as the capture file is, and most of the window's pixels must be in it.
// Run by test.sh inside a headless Wayland session with the screenshot portal
// (natively and through XWayland), not by CTest. The last argument is where
// the capture is written, for a person to look at.

#include "ScreenCapture.h"
#include "cGDIP.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <cstdio>

namespace {

const QColor kMarker(221, 17, 153);
constexpr int kMarkerWidth = 320;
constexpr int kMarkerHeight = 240;

qsizetype MarkerPixels(const QImage& oImage) {
    qsizetype count = 0;
    for (int y = 0; y < oImage.height(); ++y)
        for (int x = 0; x < oImage.width(); ++x)
            count += QColor(oImage.pixel(x, y)) == kMarker ? 1 : 0;
    return count;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: portal_capture CAPTURE.png\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[argc - 1]);
    QWidget marker;
    marker.setAutoFillBackground(true);
    QPalette colours = marker.palette();
    colours.setColor(QPalette::Window, kMarker);
    marker.setPalette(colours);
    marker.resize(kMarkerWidth, kMarkerHeight);
    marker.show();
    if (!QTest::qWaitForWindowExposed(&marker)) {
        std::fprintf(stderr, "the marker window was not shown\n");
        return 1;
    }
    QTest::qWait(500);

    const QImage screen = GrabPrimaryScreen();
    cGDIP gdip;
    if (screen.isNull() || SaveCaptureFile(screen, gdip, out) != 0) {
        std::fprintf(stderr, "%s: no capture\n", qPrintable(QGuiApplication::platformName()));
        return 1;
    }
    const qsizetype found = MarkerPixels(QImage(out));
    std::printf("%s: capture %dx%d, %lld marker pixels\n", qPrintable(QGuiApplication::platformName()), screen.width(),
                screen.height(), static_cast<long long>(found));
    return found >= qsizetype{kMarkerWidth} * kMarkerHeight * 9 / 10 ? 0 : 1;
}
