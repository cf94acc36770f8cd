#pragma once
// Designed geometry of the main window, in twips (1/1440 inch), placed in
// pixels. The conversions themselves are the dialogs' (DialogMetrics.h:
// 1440 / logical DPI twips per pixel, 15 at 96 DPI); these helpers apply them
// to whole rectangles and widgets.

#include "DialogMetrics.h"

#include <QRect>

class QScreen;
class QWidget;

// Pixels to twips on oScreen (the primary screen when null).
int PixelsToTwipsX(int lPixels, const QScreen* oScreen);
int PixelsToTwipsY(int lPixels, const QScreen* oScreen);

// A rectangle given as left, top, width and height in twips, in pixels; each
// of the four values is converted on its own.
QRect TwipsRect(int lLeft, int lTop, int lWidth, int lHeight, const QScreen* oScreen);

// Places oWidget at a designed position within its parent (all in twips).
void PlaceTwips(QWidget* oWidget, int lLeft, int lTop, int lWidth, int lHeight);
