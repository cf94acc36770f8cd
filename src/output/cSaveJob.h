#pragma once
// Everything one run of the save (or one preview) needs to know about the
// output: the size rule, quality, rotation, format, photo details and the
// rest. The window builds it from its controls when a save or a preview
// starts, quillet-batch from its arguments; it is passed down by value and
// nothing below reads the window's state.

#include "PhotoDetails.h"

#include <QString>

#include <cstdint>

struct cSaveJob {
    int16_t SizeIndex = 0;                        // 0..5; 5 = custom size
    QString CustomSize = QStringLiteral("1024");  // text of the custom size box
    int16_t QualityIndex = 1;                     // 0..3: 48, 66, 84, 100
    int16_t RotationIndex = 0;                    // 0..3: 0, 90, 180, 270 degrees
    QString OutputFormat = QStringLiteral("DFT"); // a code of SaveFormatCodes
    bool ReplaceOutright = false;                 // replaced files are not kept in the trash (batch command only)
    ePhotoDetails PhotoDetails = ePhotoDetails::Keep;
    bool NoEnlarge = false;   // an image smaller than the target size keeps its own size
    int64_t MaxBytes = 0;     // the file-size limit of each output in bytes; 0 = none
    bool KeepDates = true;    // outputs take their source file's modification time
    QString NameTemplate;     // output names such as "{name}-{w}x{h}" (cNameTemplate); "" = the base name
    bool SizeFolders = false; // each size into a folder of its own
    bool KeepFolders = false; // outputs go into their entries' subfolders of the output folder
};
