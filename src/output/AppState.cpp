#include "AppState.h"

std::array<QString, 6> gSizeNames = {QStringLiteral("Thumbnail"), QStringLiteral("Small"), QStringLiteral("Medium"),
                                     QStringLiteral("Large"),     QStringLiteral("Huge"),  QStringLiteral("Custom")};
int16_t gSizeIndex = 0;
int16_t gQualityIndex = 1;
int16_t gRotationIndex = 0;
int16_t gImageWidth = 0;
int16_t gImageHeight = 0;
QString gOutputFormat = QStringLiteral("DFT");
ePhotoDetails gPhotoDetails = ePhotoDetails::Keep;
bool gNoEnlarge = false;
int64_t gMaxBytes = 0;
bool gKeepDates = true;
bool gKeepFolders = false;
QString gDefaultFolder;
int16_t gBorderLineCount = 0;
int32_t gProgressWidth = 0;

cDimensions GetDimensions(int16_t iSize) {
    return GetDimensionsOf(iSize, gImageWidth, gImageHeight);
}
