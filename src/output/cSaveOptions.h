#pragma once
// The output options of one run, taken from the window's option state (or
// from the batch command's arguments) when the run starts. The window is
// disabled while it runs, so they cannot change under it.

#include "PhotoDetails.h"

#include <QString>

#include <cstdint>

struct cSaveOptions {
    int16_t SizeIndex = 0;                        // 0..5; 5 = custom size
    QString CustomSize = QStringLiteral("1024");  // text of the custom size box
    int16_t QualityIndex = 1;                     // 0..3: 48, 66, 84, 100
    int16_t RotationIndex = 0;                    // 0..3: 0, 90, 180, 270 degrees
    QString OutputFormat = QStringLiteral("DFT"); // a code of kFormatCodes
    bool ReplaceOutright = false; // replaced files are not kept in the trash (batch command only)
    ePhotoDetails PhotoDetails = ePhotoDetails::Keep;
    bool NoEnlarge = false; // an image smaller than the target size keeps its own size
    int64_t MaxBytes = 0;   // the file-size limit of each output in bytes; 0 = none
    bool KeepDates = true;  // outputs take their source file's modification time
    bool KeepFolders = false; // outputs go into their entries' subfolders of the output folder

    // The shared option state (gSizeIndex, gQualityIndex, gRotationIndex,
    // gOutputFormat, gPhotoDetails, gNoEnlarge, gMaxBytes, gKeepDates, gKeepFolders) with the custom size box's text.
    static cSaveOptions FromAppState(const QString& sCustomSize);
};
