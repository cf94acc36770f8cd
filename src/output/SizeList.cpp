#include "SizeList.h"

#include "OutputOptions.h"

#include <QStringList>

#include <algorithm>
#include <functional>

cSizeList ParseSizeList(const QString& sText) {
    cSizeList list;
    const QStringList parts = sText.split(u',');
    if (parts.size() > kMaxSizesPerRun)
        return {{}, QStringLiteral("at most %1 sizes can be made in one run").arg(kMaxSizesPerRun)};
    for (const QString& part : parts) {
        const QString number = part.trimmed();
        const bool digits = !number.isEmpty() && number.size() <= 5 &&
                            std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!digits)
            return {{},
                    number.isEmpty() ? QStringLiteral("a size is missing between two commas")
                                     : QStringLiteral("'%1' is not a number of pixels").arg(number)};
        const int size = number.toInt();
        if (size > kMaxCustomSize)
            return {{}, QStringLiteral("%1 pixels is more than the largest size, %2").arg(size).arg(kMaxCustomSize)};
        if (std::find(list.Sizes.begin(), list.Sizes.end(), size) != list.Sizes.end())
            return {{}, QStringLiteral("%1 is given twice").arg(size)};
        list.Sizes.push_back(static_cast<int16_t>(size));
    }
    return list;
}

std::vector<int16_t> LargestFirst(std::vector<int16_t> aSizes) {
    // 0 keeps the image's own size, which is at least as large as any other.
    std::sort(aSizes.begin(), aSizes.end(), [](int16_t a, int16_t b) { return a == 0 ? b != 0 : b != 0 && a > b; });
    return aSizes;
}

QString SizeListText(const std::vector<int16_t>& aSizes) {
    QStringList parts;
    for (const int16_t size : aSizes)
        parts << QString::number(size);
    return parts.join(QStringLiteral(", "));
}

std::vector<int16_t> TargetSizes(int16_t iIndex, const QString& sCustomText) {
    if (iIndex != kCustomSizeIndex)
        return {SizeTagValue(iIndex)};
    const cSizeList list = ParseSizeList(sCustomText);
    if (list.Error.isEmpty())
        return list.Sizes;
    return {ValidateCustomSize(sCustomText).value_or(SizeTagValue(kCustomSizeIndex))};
}
