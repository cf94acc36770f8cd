// The main window at more than its designed size: the list takes the extra
// width and height, the option panels and the buttons at the right keep to
// the right edge, and the status band with its frames and progress bar keeps
// to the bottom. Every place is worked out afresh from the designed one, so
// that growing and shrinking again returns to it exactly.

#include "AppState.h"
#include "frmQuillet.h"
#include "frmQuilletDesign.h"

#include <QLabel>
#include <QTreeWidget>

#include <algorithm>

namespace {

// What a widget does with the extra room.
enum : int {
    kMoveRight = 1, // keeps its distance to the right edge
    kWiden = 2,     // takes the extra width
    kMoveDown = 4,  // keeps its distance to the bottom edge
    kHeighten = 8,  // takes the extra height
};

// Line elements per frame, and the frames the window draws at load (the
// list's compartment first, then the options').
constexpr int kFrameLines = 4;
constexpr int kFrames = 2;

} // namespace

void frmQuillet::RememberDesignedLayout() {
    mDesignedPlaces.clear();
    const std::pair<QWidget*, int> followers[] = {{HelpButton, kMoveRight},
                                                  {Image1, kMoveRight},
                                                  {labImages, kWiden},
                                                  {lvwImages, kWiden | kHeighten},
                                                  {picSize, kMoveRight},
                                                  {picQuality, kMoveRight},
                                                  {Picture1, kMoveRight},
                                                  {labFileCount, kWiden | kMoveDown},
                                                  {labStatus, kMoveRight | kMoveDown}};
    for (const auto& [widget, follows] : followers)
        mDesignedPlaces.push_back({widget, widget->geometry(), follows});
    mDesignedLines = lineLine;
    mDesignedProgress = shpProgress;
}

void frmQuillet::LayOutExtraRoom() {
    if (mDesignedPlaces.empty())
        return;
    const QScreen* screen = ScreenOf(this);
    const int extraWidth = std::max(0, width() - TwipsToPixelsX(kClientWidth, screen));
    const int extraHeight = std::max(0, height() - TwipsToPixelsY(kClientHeight, screen));
    for (const cDesignedPlace& place : mDesignedPlaces) {
        QRect r = place.Place;
        r.translate(place.Follows & kMoveRight ? extraWidth : 0, place.Follows & kMoveDown ? extraHeight : 0);
        r.setWidth(r.width() + (place.Follows & kWiden ? extraWidth : 0));
        r.setHeight(r.height() + (place.Follows & kHeighten ? extraHeight : 0));
        place.Widget->setGeometry(r);
    }
    lvwImages->setColumnWidth(0, lvwImages->width() - TwipsToPixelsX(kColumnMargin, screen));

    // The drawn elements are in twips.
    const int dx = PixelsToTwipsX(extraWidth, screen);
    const int dy = PixelsToTwipsY(extraHeight, screen);
    shpStatusBar.Top = kStatusBar.Top + dy;
    shpProgress.Left = mDesignedProgress.Left + dx;
    shpProgress.Top = mDesignedProgress.Top + dy;
    // The load's frames end at gBorderLineCount as it stood then; frames
    // drawn later are left where they were drawn.
    const int firstLine = static_cast<int>(mDesignedLines.size()) - kFrames * kFrameLines;
    for (int i = firstLine; i < static_cast<int>(mDesignedLines.size()) && i < static_cast<int>(lineLine.size()); ++i) {
        cLineElement line = mDesignedLines[i];
        line.Y1 += dy;
        line.Y2 += dy;
        // Ends right of the list's left edge keep to the right edge: the
        // list's frame widens and the options' frame moves with them.
        line.X1 += line.X1 > kImageList.Left ? dx : 0;
        line.X2 += line.X2 > kImageList.Left ? dx : 0;
        lineLine[i] = line;
    }
    update();
}
