#pragma once
// Window geometry of the dialogs is designed in twips (1/1440 inch). These
// helpers convert with the screen's logical resolution, so that the designed
// layout keeps its proportions to the fonts (15 twips per pixel at 96 DPI).

#include <QFont>
#include <QRect>

class QPainter;
class QScreen;
class QWidget;

// A designed place: left, top, width and height in twips.
struct cDesign {
    int Left, Top, Width, Height;
};

// How much larger than designed the windows are laid out: the desktop font's
// size over the ordinary 9 points, never below 1. The designed twips are the
// 100 % case; a 14-point desktop font makes every window 14/9 as large, so
// that the texts keep the room they were given.
double LayoutScale();

// Gives oWidget and its children a dark text colour (and a darker grey for
// disabled texts) for the fixed light backgrounds they are drawn on, whatever
// the desktop's palette. Texts in boxes that take the palette's own
// background (lists, text boxes) keep the palette's text colour.
void UseDarkText(QWidget& oWidget);

// Twips per pixel across and down on oScreen (the primary screen when null),
// at the layout scale.
double TwipsPerPixelX(const QScreen* oScreen);
double TwipsPerPixelY(const QScreen* oScreen);

// The screen oWidget is on (its top-level window's screen, else the primary).
const QScreen* ScreenOf(const QWidget* oWidget);

// Twips to whole pixels, and pixels to whole twips, halves to even.
int TwipsToPixelsX(double sngTwips, const QScreen* oScreen);
int TwipsToPixelsY(double sngTwips, const QScreen* oScreen);
int PixelsToTwipsX(int lPixels, const QScreen* oScreen);
int PixelsToTwipsY(int lPixels, const QScreen* oScreen);

// oPlace in pixels; each of its four values is converted on its own.
QRect TwipsRect(const cDesign& oPlace, const QScreen* oScreen);

// Places oWidget at oPlace within its parent, on oWidget's screen.
void PlaceTwips(QWidget* oWidget, const cDesign& oPlace);

// The backgrounds are painted as bands: for each twips row y = 0..lLastRow a
// band from y - 1 to y + 1, later bands over earlier ones. This gives the row
// y whose band ends up on top over pixel row lPixelRow (rows of
// sngTwipsPerPixel twips each), clamped to 0..lLastRow.
int LastBandOverPixelRow(int lPixelRow, double sngTwipsPerPixel, int lLastRow);

// Paints oWidget's background so: each pixel row in the colour fColour gives
// the band on top of it, of the rows 0 .. lLastRow the widget's height spans.
void PaintBands(QPainter& painter, const QWidget& oWidget, QColor (*fColour)(int lRow, int lLastRow));

// The dialogs' label font: bold sans serif of 8.25 points at the layout
// scale, the nearest the system has to the classic "MS Sans Serif".
QFont BoldSansFont();
