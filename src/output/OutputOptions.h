#pragma once
// The values the output options carry: the tag texts of the size, quality and
// rotation options, the format codes, and the custom size box's validation.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// Tag texts of the six size options; the last one (custom size) is the value
// the custom size box falls back to.
inline constexpr std::array<const char*, 6> kSizeTags = {"100", "200", "350", "640", "800", "1024"};
inline constexpr int16_t kCustomSizeIndex = 5;

// Tag texts of the four quality options: the JPEG, WebP, AVIF and JPEG XL
// encoders' quality, 0..100.
inline constexpr std::array<const char*, 4> kQualityTags = {"48", "66", "84", "100"};

// Tag texts of the four rotation options: degrees clockwise.
inline constexpr std::array<const char*, 4> kRotationTags = {"0", "90", "180", "270"};

// The largest custom size the window takes, in pixels: a square image of that
// side stays within the imaging library's pixel cap (quillet-batch's --size
// has the same limit).
inline constexpr int16_t kMaxCustomSize = 16384;

// The custom size box's number: sText of digits only, at most
// kMaxCustomSize; nullopt for anything else.
std::optional<int16_t> CustomBoxSize(const QString& sText);

// The message that refuses a custom size above kMaxCustomSize.
inline const QString kCustomSizeTitle = QStringLiteral("Image Size");
QString CustomSizeRefusedText(const QString& sText);

// True for the Save menu's codes whose encoders take the quality options
// ("DFT" too: the sources may be JPEG, WebP, AVIF or JPEG XL files).
bool FormatTakesQuality(const QString& sCode);

// The tag of option iIndex converted to a 16-bit integer (halves to even).
int16_t SizeTagValue(int16_t iIndex);
int16_t QualityTagValue(int16_t iIndex);
int16_t RotationTagValue(int16_t iIndex);

// The rotate-flip code of the imaging layer for a rotation option
// (1 = 90, 2 = 180, 3 = 270 degrees); nullopt for 0 degrees (no call).
std::optional<int32_t> RotateFlipCode(int16_t iRotationIndex);

// True when the rotation swaps the output width and height (90 and 270).
bool RotationSwapsSides(int16_t iRotationIndex);

// The custom size box's text on losing focus: the size it stands for, or
// nullopt when the text is not numeric or lies outside the 16-bit range (the
// box then falls back to the Custom option's tag, "1024").
std::optional<int16_t> ValidateCustomSize(const QString& sText);
