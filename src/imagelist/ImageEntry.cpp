#include "ImageEntry.h"

#include <QTreeWidgetItem>

static_assert(kEntryTagRole == Qt::UserRole);

QString EntryText(const QTreeWidgetItem* oItem) {
    const QVariant name = oItem->data(0, kEntryNameRole);
    return name.isValid() ? name.toString() : oItem->text(0);
}

QString EntryTag(const QTreeWidgetItem* oItem) {
    return oItem->data(0, kEntryTagRole).toString();
}

QString EntrySubFolder(const QTreeWidgetItem* oItem) {
    return oItem->data(0, kEntrySubFolderRole).toString();
}

QString EntryPath(const QTreeWidgetItem* oItem) {
    return JoinPath(EntryTag(oItem), EntryText(oItem));
}

QString JoinPath(const QString& sFolder, const QString& sFile) {
    if (sFolder.endsWith(u'/'))
        return sFolder + sFile;
    return sFolder + u'/' + sFile;
}

QString WithoutTrailingSeparator(const QString& sFolder) {
    QString folder = sFolder;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}
