#include "PreviewLayout.h"

#include "Numbers.h"

#include <cmath>

namespace {

// Designed left margin of the picture, twips.
constexpr float kPictureMargin = 120;

} // namespace

QColor PreviewGradientColour(int lRow, int lLastRow) {
    if (lLastRow <= 0)
        return {153, 198, 220};
    return {153 + (lRow * 102) / lLastRow, 198 + (lRow * 57) / lLastRow, 220 + (lRow * 35) / lLastRow};
}

cPreviewLayout ComputePreviewLayout(const cPreviewMetrics& m, int16_t iImageWidth, int16_t iImageHeight) {
    cPreviewLayout layout;
    const auto screenWidth = static_cast<float>(m.ScreenWidth);
    const auto screenHeight = static_cast<float>(m.ScreenHeight);
    const auto extraWidth = static_cast<float>(m.ExtraWidth);
    const auto extraHeight = static_cast<float>(m.ExtraHeight);
    const float imageWidth = iImageWidth * static_cast<float>(m.TwipsPerPixelX);
    const float imageHeight = iImageHeight * static_cast<float>(m.TwipsPerPixelY);

    // Outer size: fit the picture, clamp to the screen, at least 200 pixels wide.
    const float fitHeight = imageHeight + extraHeight;
    const float height = fitHeight >= screenHeight ? screenHeight : fitHeight;
    const float fitWidth = imageWidth + extraWidth;
    const float minimumWidth = kPreviewMinimumWidthPixels * static_cast<float>(m.TwipsPerPixelX);
    const bool atMinimum = fitWidth < screenWidth && minimumWidth > fitWidth;
    const float width = fitWidth >= screenWidth ? screenWidth : (atMinimum ? minimumWidth : fitWidth);
    // Centred where it fits, at the screen's edge where it does not.
    const float left = width < screenWidth ? (screenWidth - width) / 2 : 0;
    const float top = height < screenHeight ? (screenHeight - height) / 2 : 0;
    layout.Window = QRectF(left, top, width, height);

    // The picture: full size where it fits, else what is left of the screen.
    const float pictureHeight = fitHeight < screenHeight ? imageHeight : height - extraHeight;
    const float pictureWidth = fitWidth < screenWidth ? imageWidth : width - extraWidth;
    const float pictureLeft = atMinimum ? (width - pictureWidth) / 2 : kPictureMargin;
    layout.Picture = QRectF(pictureLeft, kPictureMargin, pictureWidth, pictureHeight);

    // Label and OK from the bottom, centred; the arrows touch the label.
    const float labelTop = height - static_cast<float>(m.LabelFromBottom);
    const float labelLeft = (width - static_cast<float>(m.LabelWidth)) / 2;
    layout.Label = QPointF(labelLeft, labelTop);
    layout.OK = QPointF((width - static_cast<float>(m.OKWidth)) / 2, height - static_cast<float>(m.OKFromBottom));
    const float buttonTop = labelTop - (static_cast<float>(m.ButtonHeight) - static_cast<float>(m.LabelHeight)) / 2;
    layout.Previous = QPointF(labelLeft - static_cast<float>(m.ButtonWidth), buttonTop);
    layout.Next = QPointF(labelLeft + static_cast<float>(m.LabelWidth), buttonTop);

    // The arrow buttons take the colour of the gradient row through their
    // middle, so they blend into the background.
    const int lastRow = static_cast<int>(RoundHalfEven(height - static_cast<float>(m.FrameHeight)));
    const float middleRow = buttonTop + static_cast<float>(static_cast<int>(RoundHalfEven(m.ButtonHeight)) / 2);
    if (std::floor(buttonTop) == buttonTop && middleRow >= 0 && middleRow <= static_cast<float>(lastRow))
        layout.ButtonBack = PreviewGradientColour(static_cast<int>(middleRow), lastRow);
    return layout;
}
