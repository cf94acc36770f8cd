#include "SavedChoices.h"

#include "AppState.h"
#include "OutputOptions.h"
#include "Registry.h"
#include "SizeList.h"

#include <optional>
#include <span>

namespace {

const QString kSizeValue = QStringLiteral("Size");
const QString kCustomSizeValue = QStringLiteral("CustomSize");
const QString kQualityValue = QStringLiteral("Quality");
const QString kRotationValue = QStringLiteral("Rotation");
const QString kFormatValue = QStringLiteral("Format");
const QString kCustomWord = QStringLiteral("Custom");

QString Stored(const QString& sValueName) {
    return ReadValue(SettingsKey, sValueName).toString();
}

// Index of the tag that reads sValue.
std::optional<int16_t> TagIndex(std::span<const char* const> aTags, const QString& sValue) {
    for (size_t i = 0; i < aTags.size(); ++i)
        if (sValue == QLatin1String(aTags[i]))
            return static_cast<int16_t>(i);
    return std::nullopt;
}

} // namespace

cStoredChoices RestoreChoices() {
    const QString size = Stored(kSizeValue);
    if (size == kCustomWord)
        gSizeIndex = kCustomSizeIndex;
    else
        gSizeIndex = TagIndex(std::span(kSizeTags).first(kCustomSizeIndex), size).value_or(gSizeIndex);
    gQualityIndex = TagIndex(kQualityTags, Stored(kQualityValue)).value_or(gQualityIndex);
    gRotationIndex = TagIndex(kRotationTags, Stored(kRotationValue)).value_or(gRotationIndex);
    const QString custom = Stored(kCustomSizeValue);
    return {Stored(kFormatValue), CustomBoxSize(custom) || ParseSizeList(custom).Error.isEmpty() ? custom : QString()};
}

void RememberChoices(const QString& sCustomSize) {
    WriteString(SettingsKey, kSizeValue,
                gSizeIndex == kCustomSizeIndex ? kCustomWord : QLatin1String(kSizeTags.at(gSizeIndex)));
    WriteString(SettingsKey, kCustomSizeValue, sCustomSize);
    WriteString(SettingsKey, kQualityValue, QLatin1String(kQualityTags.at(gQualityIndex)));
    WriteString(SettingsKey, kRotationValue, QLatin1String(kRotationTags.at(gRotationIndex)));
    WriteString(SettingsKey, kFormatValue, gOutputFormat);
}
