#pragma once
// The file-size limit: the search for the best output that fits a number of
// bytes. Formats that take a quality search it first, from the chosen quality
// down to kFloorQuality, by bisection on whether the encoded file fits, in at
// most kMaxQualityEncodes encodes; when even the floor does not fit, or the
// format takes no quality, the pixel size goes down in steps of a tenth of
// the chosen size, to a quarter of it at the least.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The lowest quality the search goes down to.
inline constexpr int32_t kFloorQuality = 30;
// Most encodes the quality search makes, the one at the chosen quality included.
inline constexpr int kMaxQualityEncodes = 7;

// The outcome of the search.
struct cFit {
    QByteArray Bytes;    // the output to write: the best that fits, else the smallest try
    int32_t Quality = 0; // the quality of Bytes (the chosen one for other formats)
    double Scale = 1.0;  // the fraction of the chosen pixel size Bytes has
    bool Fits = true;    // false: no try fitted; Bytes is the smallest one
};

// Encodes the image at lQuality and at sngScale of the chosen pixel size;
// empty bytes when the encoder failed.
using cEncodeTry = std::function<QByteArray(int32_t lQuality, double sngScale)>;

// Searches for the best output of at most lMaxBytes bytes, starting from
// lQuality at the chosen size. bTakesQuality: the format has a quality to
// search. An encoder failure ends the search with empty Bytes.
cFit FitWithinLimit(int64_t lMaxBytes, int32_t lQuality, bool bTakesQuality, const cEncodeTry& encode);

// A size limit as `quillet-batch --max-size` and the window take it: a number
// of bytes, or of kilobytes or megabytes with "K", "KB", "M" or "MB" after it
// (1 K = 1024 bytes; fractions allowed, "1.5M"). nullopt for anything else
// and for sizes under 1 KB.
std::optional<int64_t> ParseSizeLimit(const QString& sText);

// The limit as it is shown: "300 KB", "1.5 MB".
QString SizeLimitText(int64_t lBytes);

inline const QString kOverLimitTitle = QStringLiteral("Images Over the Size Limit");

// An output saved larger than the limit, at the smallest size tried.
struct cOverLimit {
    QString FileName; // the output file's name, without its folder
    qint64 Bytes = 0;
};

// The end-of-run paragraph listing them: "These images are larger than the
// 150 KB limit even at their smallest:", then "name: 172 KB" a line (a
// Listing).
QString OverLimitReportText(const std::vector<cOverLimit>& files, int64_t lMaxBytes);
