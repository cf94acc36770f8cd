#include "SafeWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

cWriteResult Failed(const QString& sReason) {
    return {false, sReason};
}

// A friendlier reason for the common cases than the system's error text.
QString OpenFailureReason(const QFileInfo& target, const QString& sSystemText) {
    if (target.isDir())
        return QStringLiteral("a folder of that name is in the way");
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        return QStringLiteral("the folder does not exist");
    if (!folder.isWritable())
        return QStringLiteral("the folder is not writable");
    if (target.exists() && !target.isWritable())
        return QStringLiteral("the existing file is read-only");
    return sSystemText;
}

} // namespace

cWriteResult WriteFileSafely(const QString& sPath, const QByteArray& bytes, bool bReplace) {
    const QFileInfo target(sPath);
    if (target.isDir())
        return Failed(OpenFailureReason(target, QString()));
    if (target.exists() && !bReplace)
        return Failed(QStringLiteral("a file of that name already exists"));

    QSaveFile file(sPath);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return Failed(OpenFailureReason(target, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failed(QStringLiteral("the file could not be written (%1)").arg(reason));
    }

    // Every byte is in the temporary file: now the old file may go.
    bool trashed = false;
    if (bReplace && QFileInfo(sPath).isFile())
        trashed = QFile::moveToTrash(sPath);
    if (!file.commit()) {
        QString reason =
            QStringLiteral("the file could not be written (%1)").arg(file.errorString());
        if (trashed)
            reason += QStringLiteral("; the earlier file is in the trash");
        return Failed(reason);
    }
    return {true, QString()};
}
