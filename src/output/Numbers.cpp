#include "Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

double RoundHalfEven(double value) {
    // The default rounding mode, which the program never changes, rounds to
    // the nearest integer and an exact half to the even one.
    return std::nearbyint(value);
}

std::optional<int16_t> ToInt16(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = RoundHalfEven(value);
    if (rounded < std::numeric_limits<int16_t>::min() || rounded > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(rounded);
}

int16_t ClampToInt16(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<int16_t>(std::clamp<double>(RoundHalfEven(value), std::numeric_limits<int16_t>::min(),
                                                   std::numeric_limits<int16_t>::max()));
}

std::optional<double> ParseNumber(const QString& sText) {
    const QString trimmed = sText.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // Letters other than an exponent mark are refused up front, so that
    // "inf", "nan" and hexadecimal forms never count as numbers.
    for (const QChar c : trimmed) {
        if (!(c.isDigit() || c == u'.' || c == u'+' || c == u'-' || c == u'e' || c == u'E'))
            return std::nullopt;
    }
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
