#pragma once
// Size and placement of the preview dialog for one result image, in twips
// (single-precision sums, as the designed layout is stored). The dialog shows
// the result at one image pixel per screen pixel: the window grows to fit it,
// never below 200 pixels wide, is centred on the screen in each direction it
// fits, and takes the whole screen (at its edge) in a direction it does not,
// where the picture is then cut off rather than scaled.

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <cstdint>
#include <optional>

// What the layout depends on besides the image size; all twips unless noted.
struct cPreviewMetrics {
    double TwipsPerPixelX = 15;
    double TwipsPerPixelY = 15;
    double ScreenWidth = 0; // whole screen
    double ScreenHeight = 0;
    // Outer window size minus picture size, and outer height minus the tops
    // of the label and the OK button, measured when the dialog loads.
    double ExtraWidth = 0;
    double ExtraHeight = 0;
    double LabelFromBottom = 0;
    double OKFromBottom = 0;
    // Outer size minus client size (the window frame and caption).
    double FrameWidth = 0;
    double FrameHeight = 0;
    // Designed sizes of the controls that move.
    double LabelWidth = 1665;
    double LabelHeight = 195;
    double ButtonWidth = 375; // PreviousButton and NextButton
    double ButtonHeight = 375;
    double OKWidth = 1215;
};

struct cPreviewLayout {
    // Outer window rectangle, relative to the screen's top-left corner.
    QRectF Window;
    // Client rectangles and positions.
    QRectF Picture;
    QPointF Label;
    QPointF OK;
    QPointF Previous;
    QPointF Next;
    // Background of both arrow buttons: the gradient row through the middle
    // of PreviousButton, when its top lies exactly on a row; otherwise the
    // buttons keep their colours.
    std::optional<QColor> ButtonBack;
};

// Minimum outer width of the window, in pixels.
inline constexpr int kPreviewMinimumWidthPixels = 200;

// Layout for a result of iImageWidth x iImageHeight pixels (0 x h after a
// failed load: the window falls to its minimum width).
cPreviewLayout ComputePreviewLayout(const cPreviewMetrics& metrics, int16_t iImageWidth, int16_t iImageHeight);

// Colour of background row lRow of lLastRow (twips): light blue (153, 198,
// 220) at the top to white at the bottom.
QColor PreviewGradientColour(int lRow, int lLastRow);

// Background of the arrow buttons while the pointer is over them.
inline const QColor kPreviewButtonBackOnMouse(245, 249, 251);
