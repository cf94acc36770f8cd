#include "cIconCache.h"

#include <QFileInfo>

QIcon cIconCache::IconFor(const QString& sPath) {
    const QFileInfo info(sPath);
    const QString key = info.suffix().toLower();
    const auto found = mIcons.constFind(key);
    if (found != mIcons.constEnd())
        return *found;
    QIcon icon = mProvider.icon(info);
    if (icon.isNull())
        icon = mProvider.icon(QFileIconProvider::File);
    mIcons.insert(key, icon);
    return icon;
}
