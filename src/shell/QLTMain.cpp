#include "QLTMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The help pages: folder name, start page, and where an installation keeps
// the folder relative to the executable.
const QString kHelpFolder = QStringLiteral("help");
const QString kHelpIndex = QStringLiteral("index.html");
const QString kInstalledDataFolder = QStringLiteral("../share/quillet");

} // namespace

QString SpecialFolderPath(int16_t lFolder) {
    if (lFolder != kFolderPictures)
        return {};
    const QString path = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    // Without an XDG entry Qt falls back to the home folder itself; that is not
    // a pictures folder, so it counts as none.
    if (path.isEmpty() || QDir(path) == QDir::home() || !QDir(path).exists())
        return {};
    return QDir::toNativeSeparators(path);
}

QString HelpIndexPath() {
    const QDir program(QCoreApplication::applicationDirPath());
    const QString inBuildTree = program.filePath(kHelpFolder + u'/' + kHelpIndex);
    const QString installed =
        QDir::cleanPath(program.filePath(kInstalledDataFolder + u'/' + kHelpFolder + u'/' + kHelpIndex));
    if (!QFileInfo::exists(inBuildTree) && QFileInfo::exists(installed))
        return installed;
    return inBuildTree;
}
