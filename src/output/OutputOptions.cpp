#include "OutputOptions.h"

#include "ImageFormats.h"
#include "Numbers.h"

#include <algorithm>

namespace {

int16_t TagValue(const char* sTag) {
    return ToInt16(ParseNumber(QString::fromLatin1(sTag)).value_or(0)).value_or(0);
}

} // namespace

int16_t SizeTagValue(int16_t iIndex) {
    return TagValue(kSizeTags.at(iIndex));
}

int16_t QualityTagValue(int16_t iIndex) {
    return TagValue(kQualityTags.at(iIndex));
}

int16_t RotationTagValue(int16_t iIndex) {
    return TagValue(kRotationTags.at(iIndex));
}

std::optional<int32_t> RotateFlipCode(int16_t iRotationIndex) {
    switch (RotationTagValue(iRotationIndex)) {
    case 90: return 1;
    case 180: return 2;
    case 270: return 3;
    default: return std::nullopt;
    }
}

std::optional<int16_t> CustomBoxSize(const QString& sText) {
    if (sText.isEmpty() || sText.size() > 5 ||
        !std::all_of(sText.begin(), sText.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int size = sText.toInt();
    if (size > kMaxCustomSize)
        return std::nullopt;
    return static_cast<int16_t>(size);
}

QString CustomSizeRefusedText(const QString& sText) {
    return QStringLiteral("%1 pixels is too large for the custom size.  Please enter a number of pixels up to %2.")
        .arg(sText)
        .arg(kMaxCustomSize);
}

bool FormatTakesQuality(const QString& sCode) {
    return sCode == QLatin1String("DFT") || TakesQuality(sCode);
}

bool RotationSwapsSides(int16_t iRotationIndex) {
    const int16_t angle = RotationTagValue(iRotationIndex);
    return angle == 90 || angle == 270;
}

std::optional<int16_t> ValidateCustomSize(const QString& sText) {
    const std::optional<double> number = ParseNumber(sText);
    if (!number)
        return std::nullopt;
    return ToInt16(*number);
}
