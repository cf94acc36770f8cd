#include "QLTMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QFile>

namespace {

const QString kCaptureFileName = QStringLiteral("Screen Capture.png");
const QString kCaptureFolderPattern = QStringLiteral("quillet-capture-XXXXXX");
// This run's capture folder; "" until the first capture asks for it.
QString gCaptureFolder;
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

QString CaptureFilePath() {
    if (gCaptureFolder.isEmpty()) {
        // A folder of this run's own, so that two running copies never share
        // a capture; the user's runtime folder, else the cache folder.
        QString base = QDir::tempPath();
        for (const auto location : {QStandardPaths::RuntimeLocation, QStandardPaths::CacheLocation}) {
            const QString perUser = QStandardPaths::writableLocation(location);
            if (!perUser.isEmpty() && QDir().mkpath(perUser) && QFileInfo(perUser).isWritable()) {
                base = perUser;
                break;
            }
        }
        QTemporaryDir folder(QDir(base).filePath(kCaptureFolderPattern));
        folder.setAutoRemove(false);
        gCaptureFolder = folder.isValid() ? folder.path() : base;
    }
    return QDir(gCaptureFolder).filePath(kCaptureFileName);
}

void RemoveCaptureFile() {
    if (gCaptureFolder.isEmpty())
        return;
    QFile::remove(QDir(gCaptureFolder).filePath(kCaptureFileName));
    QDir().rmdir(gCaptureFolder);
    gCaptureFolder.clear();
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
