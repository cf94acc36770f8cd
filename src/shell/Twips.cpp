#include "Twips.h"

#include "Numbers.h"

#include <QWidget>

int PixelsToTwipsX(int lPixels, const QScreen* oScreen) {
    return static_cast<int>(RoundHalfEven(lPixels * TwipsPerPixelX(oScreen)));
}

int PixelsToTwipsY(int lPixels, const QScreen* oScreen) {
    return static_cast<int>(RoundHalfEven(lPixels * TwipsPerPixelY(oScreen)));
}

QRect TwipsRect(int lLeft, int lTop, int lWidth, int lHeight, const QScreen* oScreen) {
    return {TwipsToPixelsX(lLeft, oScreen), TwipsToPixelsY(lTop, oScreen), TwipsToPixelsX(lWidth, oScreen),
            TwipsToPixelsY(lHeight, oScreen)};
}

void PlaceTwips(QWidget* oWidget, int lLeft, int lTop, int lWidth, int lHeight) {
    oWidget->setGeometry(TwipsRect(lLeft, lTop, lWidth, lHeight, ScreenOf(oWidget)));
}
