#pragma once
// The main window's own state: the output options the user chose for the
// whole batch and the size of the image the list measured last. It lives for
// the whole run on the one user-interface thread and only the window's code
// reads and writes it; a save or a preview gets the options as a cSaveJob
// (frmQuillet::SaveJob). The values below are the start-up values.

#include "Dimensions.h"
#include "PhotoDetails.h"

#include <QString>

#include <array>
#include <cstdint>

// Display names of the six size presets, index 0 to 5.
extern std::array<QString, 6> gSizeNames;

// Index of the chosen size option, 0..5 (5 = custom size).
extern int16_t gSizeIndex;
// Index of the chosen JPEG quality option, 0..3. Starts at 1 ("Medium"), the
// option the window shows selected, so shown and saved quality agree.
extern int16_t gQualityIndex;
// Index of the chosen rotation option, 0..3 (0, 90, 180, 270 degrees).
extern int16_t gRotationIndex;

// Pixel size of the image the list measured last.
extern int16_t gImageWidth;
extern int16_t gImageHeight;

// GetDimensionsOf for the image measured last (gImageWidth x gImageHeight).
cDimensions GetDimensions(int16_t iSize);

// Output format code: "DFT" (each file's own format), "BMP", "GIF", "JPG", "PNG", "WEBP", "AVIF", "JXL".
extern QString gOutputFormat;

// What the save does with the sources' photo details; the window reads it
// from the "PhotoDetails" setting at load.
extern ePhotoDetails gPhotoDetails;

// True: images smaller than the target size keep their own size; the window
// reads it from the "NoEnlarge" setting at load.
extern bool gNoEnlarge;

// The file-size limit of each output in bytes, 0 for none; the window reads
// it from the "MaxSize" setting at load.
extern int64_t gMaxBytes;

// True: outputs take their source file's modification time; the window reads
// it from the "KeepDates" setting at load.
extern bool gKeepDates;

// True: outputs keep the folder structure of the folders they were added
// with; the window reads it from the "KeepFolders" setting at load.
extern bool gKeepFolders;

// Fallback folder for the open and save dialogs: the user's pictures folder,
// "" when the desktop has none.
extern QString gDefaultFolder;

// Extra line elements the main window created for its frames.
extern int16_t gBorderLineCount;

// Full width of the main window's progress bar, in twips.
extern int32_t gProgressWidth;
