#pragma once
// Drawn elements of the main window: filled shapes (bands, the progress bar)
// and frame lines. Coordinates are twips within the window's client area;
// the window paints them in its paintEvent, shapes first, then lines.

#include <QColor>

#include <cstdint>

struct cShapeElement {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    QColor FillColor;
    bool Visible = true;
};

struct cLineElement {
    int32_t X1 = 0;
    int32_t Y1 = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
    QColor Color;
    bool Visible = true;

    // Length in twips of a horizontal or vertical line.
    int32_t Length() const { return X1 == X2 ? Y2 - Y1 : X2 - X1; }
};
