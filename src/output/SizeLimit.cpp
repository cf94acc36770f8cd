#include "SizeLimit.h"

#include "SaveTexts.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

bool Fits(const QByteArray& bytes, int64_t lMaxBytes) {
    return bytes.size() <= lMaxBytes;
}

// Remembers the smallest try, written when none fits.
void KeepSmallest(cFit& smallest, const QByteArray& bytes, int32_t lQuality, double sngScale) {
    if (smallest.Bytes.isEmpty() || bytes.size() < smallest.Bytes.size()) {
        smallest.Bytes = bytes;
        smallest.Quality = lQuality;
        smallest.Scale = sngScale;
    }
}

// The pixel-size steps tried after the quality, as fractions of the chosen size.
constexpr double kPixelSizeSteps[] = {0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, 0.25};

} // namespace

cFit FitWithinLimit(int64_t lMaxBytes, int32_t lQuality, bool bTakesQuality, const cEncodeTry& encode) {
    int encodes = 0;
    cFit smallest;
    auto tryEncode = [&](int32_t lTryQuality, double sngScale) {
        ++encodes;
        QByteArray bytes = encode(lTryQuality, sngScale);
        if (!bytes.isEmpty())
            KeepSmallest(smallest, bytes, lTryQuality, sngScale);
        return bytes;
    };

    QByteArray first = tryEncode(lQuality, 1.0);
    if (first.isEmpty() || Fits(first, lMaxBytes))
        return {std::move(first), lQuality, 1.0};

    int32_t stepQuality = lQuality;
    if (bTakesQuality && lQuality > kFloorQuality) {
        // Invariant: quality `fitting` fits (kFloorQuality - 1 stands for
        // none found yet), quality `tooBig` does not.
        int32_t fitting = kFloorQuality - 1;
        int32_t tooBig = lQuality;
        QByteArray best;
        while (tooBig - fitting > 1 && encodes < kMaxQualityEncodes) {
            const int32_t middle = (fitting + tooBig) / 2;
            QByteArray bytes = tryEncode(middle, 1.0);
            if (bytes.isEmpty())
                return {{}, middle, 1.0};
            if (Fits(bytes, lMaxBytes)) {
                fitting = middle;
                best = std::move(bytes);
            } else {
                tooBig = middle;
            }
        }
        if (!best.isEmpty())
            return {std::move(best), fitting, 1.0};
        stepQuality = std::min(lQuality, kFloorQuality);
    }

    for (const double scale : kPixelSizeSteps) {
        QByteArray bytes = tryEncode(stepQuality, scale);
        if (bytes.isEmpty())
            return {{}, stepQuality, scale};
        if (Fits(bytes, lMaxBytes))
            return {std::move(bytes), stepQuality, scale};
    }
    smallest.Fits = false;
    return smallest;
}

std::optional<int64_t> ParseSizeLimit(const QString& sText) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(\d+(?:\.\d+)?)\s*(K|KB|M|MB)?\s*$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(sText);
    if (!match.hasMatch())
        return std::nullopt;
    const QString unit = match.captured(2).toUpper();
    const double factor = unit.startsWith(u'M') ? 1024.0 * 1024.0 : unit.startsWith(u'K') ? 1024.0 : 1.0;
    const double bytes = std::floor(match.captured(1).toDouble() * factor);
    // Under 1 KB no image file fits; beyond 1 TB is no limit anyone means.
    if (!(bytes >= 1024.0 && bytes <= 1024.0 * 1024.0 * 1024.0 * 1024.0))
        return std::nullopt;
    return static_cast<int64_t>(bytes);
}

QString SizeLimitText(int64_t lBytes) {
    if (lBytes >= 1024 * 1024 && lBytes * 10 % (1024 * 1024) == 0)
        return QStringLiteral("%1 MB").arg(static_cast<double>(lBytes) / (1024.0 * 1024.0));
    if (lBytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(lBytes / 1024);
    return QStringLiteral("%1 bytes").arg(lBytes);
}

QString OverLimitReportText(const std::vector<cOverLimit>& files, int64_t lMaxBytes) {
    QStringList lines;
    for (const cOverLimit& file : files)
        lines << QStringLiteral("%1: %2 KB").arg(file.FileName).arg((file.Bytes + 1023) / 1024);
    return (files.size() == 1 ? QStringLiteral("This image is larger than the %1 limit "
                                               "even at its smallest:")
                              : QStringLiteral("These images are larger than the %1 "
                                               "limit even at their smallest:"))
               .arg(SizeLimitText(lMaxBytes)) +
           kParagraphBreak + Listing(lines);
}
