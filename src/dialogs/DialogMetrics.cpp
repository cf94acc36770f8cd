#include "DialogMetrics.h"

#include "Numbers.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwipsPerInch = 1440.0;
// Used when no screen exists (or it reports no resolution): 96 DPI.
constexpr double kDefaultTwipsPerPixel = 15.0;

// The desktop font size the designed layout is drawn for, in points.
constexpr double kOrdinaryFontPoints = 9.0;

// Texts on the fixed light backgrounds: near black, and a grey that still
// reads (about 5 : 1 on white) for disabled ones.
const QColor kDarkText(0, 0, 0);
const QColor kDarkDisabledText(100, 100, 100);

double TwipsPerPixel(double dotsPerInch) {
    return (dotsPerInch > 0.0 ? kTwipsPerInch / dotsPerInch : kDefaultTwipsPerPixel) / LayoutScale();
}

const QScreen* OrPrimary(const QScreen* oScreen) {
    return oScreen != nullptr ? oScreen : QGuiApplication::primaryScreen();
}

} // namespace

double LayoutScale() {
    const double points = QGuiApplication::font().pointSizeF();
    return points > kOrdinaryFontPoints ? points / kOrdinaryFontPoints : 1.0;
}

void UseDarkText(QWidget& oWidget) {
    QPalette colours = oWidget.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        colours.setColor(group, QPalette::WindowText, kDarkText);
    colours.setColor(QPalette::Disabled, QPalette::WindowText, kDarkDisabledText);
    oWidget.setPalette(colours);
}

double TwipsPerPixelX(const QScreen* oScreen) {
    const QScreen* screen = OrPrimary(oScreen);
    return screen != nullptr ? TwipsPerPixel(screen->logicalDotsPerInchX()) : kDefaultTwipsPerPixel;
}

double TwipsPerPixelY(const QScreen* oScreen) {
    const QScreen* screen = OrPrimary(oScreen);
    return screen != nullptr ? TwipsPerPixel(screen->logicalDotsPerInchY()) : kDefaultTwipsPerPixel;
}

const QScreen* ScreenOf(const QWidget* oWidget) {
    if (oWidget != nullptr && oWidget->window()->screen() != nullptr)
        return oWidget->window()->screen();
    return QGuiApplication::primaryScreen();
}

int TwipsToPixelsX(double sngTwips, const QScreen* oScreen) {
    return static_cast<int>(RoundHalfEven(sngTwips / TwipsPerPixelX(oScreen)));
}

int TwipsToPixelsY(double sngTwips, const QScreen* oScreen) {
    return static_cast<int>(RoundHalfEven(sngTwips / TwipsPerPixelY(oScreen)));
}

int PixelsToTwipsX(int lPixels, const QScreen* oScreen) {
    return static_cast<int>(RoundHalfEven(lPixels * TwipsPerPixelX(oScreen)));
}

int PixelsToTwipsY(int lPixels, const QScreen* oScreen) {
    return static_cast<int>(RoundHalfEven(lPixels * TwipsPerPixelY(oScreen)));
}

QRect TwipsRect(const cDesign& oPlace, const QScreen* oScreen) {
    return {TwipsToPixelsX(oPlace.Left, oScreen), TwipsToPixelsY(oPlace.Top, oScreen),
            TwipsToPixelsX(oPlace.Width, oScreen), TwipsToPixelsY(oPlace.Height, oScreen)};
}

void PlaceTwips(QWidget* oWidget, const cDesign& oPlace) {
    oWidget->setGeometry(TwipsRect(oPlace, ScreenOf(oWidget)));
}

int LastBandOverPixelRow(int lPixelRow, double sngTwipsPerPixel, int lLastRow) {
    // The band of row y covers twips y - 1 .. y + 1; the pixel row ends at
    // (lPixelRow + 1) * sngTwipsPerPixel, so the last band to touch it starts
    // just before that end.
    const double rowEnd = (lPixelRow + 1) * sngTwipsPerPixel;
    const int lastRow = static_cast<int>(std::ceil(rowEnd + 1.0)) - 1;
    return std::clamp(lastRow, 0, std::max(lLastRow, 0));
}

void PaintBands(QPainter& painter, const QWidget& oWidget, QColor (*fColour)(int lRow, int lLastRow)) {
    const QScreen* screen = ScreenOf(&oWidget);
    const double twipsPerPixel = TwipsPerPixelY(screen);
    const int lastRow = PixelsToTwipsY(oWidget.height(), screen);
    // A widget of height 0 (a minimised window) has no bands.
    if (lastRow <= 0)
        return;
    for (int y = 0; y < oWidget.height(); ++y)
        painter.fillRect(0, y, oWidget.width(), 1, fColour(LastBandOverPixelRow(y, twipsPerPixel, lastRow), lastRow));
}

QFont BoldSansFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25 * LayoutScale());
    font.setBold(true);
    return font;
}
