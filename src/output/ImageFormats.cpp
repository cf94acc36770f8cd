#include "ImageFormats.h"

#include "FileNames.h"
#include "gp_formats.h"

#include <algorithm>
#include <span>

namespace {

std::span<const gp::image_format> Formats() {
    size_t count = 0;
    const gp::image_format* formats = gp::image_formats(count);
    return {formats, count};
}

// The names a format's row lists, lower case.
QStringList ListedExtensions(const gp::image_format& format) {
    return QString::fromLatin1(format.extensions).split(u';');
}

bool HasFlag(const gp::image_format* format, uint32_t lFlag) {
    return format != nullptr && (format->flags & lFlag) != 0;
}

const gp::image_format* ByCode(const QString& sCode) {
    return gp::format_by_code(sCode.toLatin1().constData());
}
const gp::image_format* ByExtension(const QString& sExtension) {
    return gp::format_by_extension(sExtension.toLatin1().constData());
}

} // namespace

bool IsImageFile(const QString& sFilename) {
    const QString extension = GetExtension(sFilename).toLower();
    return std::any_of(Formats().begin(), Formats().end(), [&extension](const gp::image_format& format) {
        return HasFlag(&format, gp::format_read) && ListedExtensions(format).contains(extension);
    });
}

QString OpenDialogFilter() {
    QStringList rows;
    QStringList all;
    for (const gp::image_format& format : Formats()) {
        if (!HasFlag(&format, gp::format_read) || format.open_row == nullptr)
            continue;
        QStringList patterns = ListedExtensions(format);
        for (QString& pattern : patterns)
            pattern.prepend(QStringLiteral("*."));
        all += patterns;
        // Qt reads the patterns from the last pair of parentheses.
        rows.append(QStringLiteral("%1 (%2)").arg(QLatin1String(format.open_row), patterns.join(u' ')));
    }
    rows.prepend(QStringLiteral("All Image Files (%1)").arg(all.join(u' ')));
    return rows.join(QStringLiteral(";;"));
}

QStringList SaveFormatCodes() {
    QStringList codes{QStringLiteral("DFT")};
    for (const gp::image_format& format : Formats())
        if (HasFlag(&format, gp::format_menu))
            codes.append(QLatin1String(format.code));
    return codes;
}

QString SaveFormatCaption(const QString& sCode) {
    const gp::image_format* format = ByCode(sCode);
    return HasFlag(format, gp::format_menu) ? QLatin1String(format->menu_caption) : QStringLiteral("Original Format");
}

bool TakesQuality(const QString& sExtension) {
    return HasFlag(ByCode(sExtension), gp::format_quality);
}

bool ReducesToPalette(const QString& sExtension) {
    return HasFlag(ByCode(sExtension), gp::format_palette);
}

QString FormatCodeOf(const QString& sExtension) {
    const gp::image_format* format = ByExtension(sExtension);
    return format != nullptr ? QLatin1String(format->code) : QString();
}
bool DropsTransparency(const QString& sExtension) {
    const gp::image_format* format = ByExtension(sExtension);
    return HasFlag(format, gp::format_write) && !HasFlag(format, gp::format_alpha);
}
