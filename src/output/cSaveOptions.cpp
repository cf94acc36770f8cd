#include "cSaveOptions.h"

#include "AppState.h"

cSaveOptions cSaveOptions::FromAppState(const QString& sCustomSize) {
    cSaveOptions options;
    options.SizeIndex = gSizeIndex;
    options.CustomSize = sCustomSize;
    options.QualityIndex = gQualityIndex;
    options.RotationIndex = gRotationIndex;
    options.OutputFormat = gOutputFormat;
    options.PhotoDetails = gPhotoDetails;
    options.NoEnlarge = gNoEnlarge;
    options.MaxBytes = gMaxBytes;
    options.KeepDates = gKeepDates;
    options.KeepFolders = gKeepFolders;
    return options;
}
