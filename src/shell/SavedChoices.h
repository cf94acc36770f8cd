#pragma once
// The output choices of the main window come back at the next start: the
// size option, the custom size, the quality, the rotation and the format are
// kept in the settings store ("Size", "CustomSize", "Quality", "Rotation",
// "Format"; the photo-details choice has its own "PhotoDetails"). Each is
// stored as the text the option stands for ("640" or "Custom", "84", "90",
// "PNG"), so that a stored value keeps its meaning if the options move.

#include <QString>

// Sets gSizeIndex, gQualityIndex and gRotationIndex from the store; a value
// that is absent or names no option leaves the start value. Returns the
// stored format code and custom size ("" for those absent or not valid).
struct cStoredChoices {
    QString Format;
    QString CustomSize;
};
cStoredChoices RestoreChoices();

// Stores the current gSizeIndex, gQualityIndex, gRotationIndex and
// gOutputFormat, with sCustomSize as the custom size.
void RememberChoices(const QString& sCustomSize);
