#pragma once
// Several sizes in one run: "320, 640, 1280" in the custom size box or after
// quillet-batch's --size gives one output per size from one decode of each
// image. One number is the plain custom size of before.

#include <QString>

#include <cstdint>
#include <vector>

// Most sizes one run takes.
inline constexpr int kMaxSizesPerRun = 16;

// The sizes of a list, in the order given, or why the text is not one.
struct cSizeList {
    std::vector<int16_t> Sizes; // each 0..kMaxCustomSize (0 keeps the image's size)
    QString Error;              // "" when the text is a list
};

// Reads sText: whole numbers of pixels separated by commas, spaces allowed
// around them; at most kMaxSizesPerRun, each at most kMaxCustomSize, none
// twice (two equal sizes would write one file twice).
cSizeList ParseSizeList(const QString& sText);

// The sizes, largest first: the order a source is drawn in so that its pixels
// are decoded once, for the largest draw, and the smaller ones reuse them.
std::vector<int16_t> LargestFirst(std::vector<int16_t> aSizes);

// The list as the custom size box shows it: "320, 640, 1280".
QString SizeListText(const std::vector<int16_t>& aSizes);

// The sizes size option iIndex stands for: its tag, or for the custom option
// the list in sCustomText; when that is not a list, the one number it stands
// for (ValidateCustomSize), else the custom option's tag.
std::vector<int16_t> TargetSizes(int16_t iIndex, const QString& sCustomText);
