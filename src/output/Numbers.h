#pragma once
// The program's one rule for turning fractional values and numeric text into
// whole numbers: nearest integer, a tie going to the even neighbour
// (12.5 -> 12, 37.5 -> 38). Sizes, indices and counters are 16-bit signed.

#include <QString>

#include <cstdint>
#include <optional>

// Nearest integer, ties to even. Defined for every finite value.
double RoundHalfEven(double value);

// RoundHalfEven into the 16-bit range; nullopt when the rounded value lies
// outside -32768..32767 or the value is not finite.
std::optional<int16_t> ToInt16(double value);

// RoundHalfEven into the 16-bit range, clamping out-of-range values to the
// nearest end (NaN gives 0).
int16_t ClampToInt16(double value);

// Numeric text as the program accepts it: optional surrounding spaces, an
// optional sign, decimal digits with an optional fraction and exponent
// ("12", " 12.5 ", "-5", "1e3"). nullopt for anything else, "" included.
std::optional<double> ParseNumber(const QString& sText);
