#include "OutputFolder.h"

#include "AtomicFile.h"
#include "NameBytes.h"

#include <cerrno>

QString UnwritableFolderReason(const QString& sFolder) {
    const cFolder folder(NameBytesStd(sFolder));
    if (folder.Error() == ENOENT)
        return QStringLiteral("it does not exist");
    if (folder.Error() == ENOTDIR)
        return QStringLiteral("it is not a folder");
    if (!CanMakeFilesIn(folder))
        return QStringLiteral("files cannot be made in it");
    return {};
}
