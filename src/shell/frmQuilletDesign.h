#pragma once
// Designed geometry of the main window, in twips (1/1440 inch): left, top,
// width and height within the window or the panel named. Shared by the
// window's source files; nothing outside the window uses it.

#include "DialogMetrics.h"

#include <array>

// Client area of the window.
inline constexpr int kClientWidth = 7935;
inline constexpr int kClientHeight = 3960;

// Window.
inline constexpr cDesign kToolbar{0, 0, 7920, 675};
inline constexpr cDesign kImage1{5520, 120, 1620, 435};
inline constexpr cDesign kImagesHeader{120, 840, 2535, 225};
inline constexpr cDesign kImageList{120, 1050, 2535, 2445};
inline constexpr cDesign kSizePanel{2760, 840, 2292, 2055};
inline constexpr cDesign kQualityPanel{5160, 840, 2655, 1335};
inline constexpr cDesign kRotationPanel{5160, 2280, 2655, 615};
inline constexpr cDesign kStatusBar{0, 3600, 7890, 375};
inline constexpr cDesign kFileCount{240, 3600, 780, 195};
inline constexpr cDesign kStatus{2880, 3600, 4515, 195};

// The list's one column is this much narrower than the list.
inline constexpr int kColumnMargin = 150;

// Size panel: header, option i at top 240 + 240 * i, custom size box.
inline constexpr cDesign kSizeHeader{0, 0, 2292, 220};
inline constexpr cDesign kSizeOption{120, 240, 2055, 252};
inline constexpr cDesign kCustomSizeBox{360, 1680, 735, 285};
inline constexpr cDesign kPixelsLabel{1200, 1725, 1005, 195};

// Quality panel: header, option i at top 240 + 240 * i, the note shown
// instead of the options.
inline constexpr cDesign kQualityHeader{0, 0, 2655, 225};
inline constexpr cDesign kQualityOption{120, 240, 1695, 252};
inline constexpr cDesign kNoQualityNote{120, 480, 2415, 495};

// Rotation panel: header and the four options side by side.
inline constexpr cDesign kRotationHeader{0, 0, 2655, 225};
inline constexpr std::array<cDesign, 4> kRotationOptions = {
    {{120, 240, 495, 255}, {600, 240, 615, 255}, {1200, 240, 735, 255}, {1920, 240, 735, 255}}};

// Vertical step between the options of a column.
inline constexpr int kOptionStep = 240;
