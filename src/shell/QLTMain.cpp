#include "QLTMain.h"

#include "AppState.h"
#include "cHandOffServer.h"
#include "cImageList.h"
#include "frmQuillet.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString kCaptureFileName = QStringLiteral("Screen Capture.png");
// The help pages: folder name, start page, and where an installation keeps
// the folder relative to the executable.
const QString kHelpFolder = QStringLiteral("help");
const QString kHelpIndex = QStringLiteral("index.html");
const QString kInstalledDataFolder = QStringLiteral("../share/quillet");

} // namespace

QString SpecialFolderPath(int16_t lFolder) {
    QStandardPaths::StandardLocation location;
    switch (lFolder) {
    case kFolderDesktop:
        location = QStandardPaths::DesktopLocation;
        break;
    case kFolderDocuments:
        location = QStandardPaths::DocumentsLocation;
        break;
    case kFolderPictures:
        location = QStandardPaths::PicturesLocation;
        break;
    default:
        return {};
    }
    const QString path = QStandardPaths::writableLocation(location);
    // Without an XDG entry Qt falls back to the home folder itself; that is not
    // a pictures folder, so it counts as none.
    if (path.isEmpty() || QDir(path) == QDir::home() || !QDir(path).exists())
        return {};
    return QDir::toNativeSeparators(path);
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString CaptureFilePath() {
    const auto writable = [](const QString& sFolder) {
        const QFileInfo info(sFolder);
        return info.isDir() && info.isWritable();
    };
    QString folder = ProgramFolder();
    if (!writable(folder)) {
        for (const auto location : {QStandardPaths::AppDataLocation, QStandardPaths::RuntimeLocation}) {
            const QString perUser = QStandardPaths::writableLocation(location);
            if (!perUser.isEmpty() && QDir().mkpath(perUser) && writable(perUser)) {
                folder = perUser;
                break;
            }
        }
    }
    return QDir(folder).filePath(kCaptureFileName);
}

QString HelpIndexPath() {
    const QDir program(ProgramFolder());
    const QString inBuildTree = program.filePath(kHelpFolder + u'/' + kHelpIndex);
    const QString installed =
        QDir::cleanPath(program.filePath(kInstalledDataFolder + u'/' + kHelpFolder + u'/' + kHelpIndex));
    if (!QFileInfo::exists(inBuildTree) && QFileInfo::exists(installed))
        return installed;
    return inBuildTree;
}

int Main(const QStringList& aFiles, cHandOffServer* oHandOff) {
    gDefaultFolder = SpecialFolderPath(kFolderPictures);

    frmQuillet mainWindow;
    if (oHandOff != nullptr)
        QObject::connect(oHandOff, &cHandOffServer::FilesHanded, &mainWindow, &frmQuillet::TakeHandedFiles);
    mainWindow.show();
    if (!aFiles.isEmpty())
        QTimer::singleShot(0, &mainWindow, [&mainWindow, aFiles] { mainWindow.ImageList().TakeFiles(aFiles); });
    return QApplication::exec();
}
