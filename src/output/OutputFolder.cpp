#include "OutputFolder.h"

#include <QFileInfo>
#include <QTemporaryFile>

QString UnwritableFolderReason(const QString& sFolder) {
    const QFileInfo info(sFolder);
    if (!info.exists())
        return QStringLiteral("it does not exist");
    if (!info.isDir())
        return QStringLiteral("it is not a folder");
    QTemporaryFile probe(info.absoluteFilePath() + QStringLiteral("/.quillet-probe-XXXXXX"));
    if (!probe.open())
        return QStringLiteral("files cannot be made in it");
    return {};
}
