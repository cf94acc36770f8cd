#include "QLTMain.h"

#include "AppState.h"
#include "frmQuillet.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

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

int Main() {
    gDefaultFolder = SpecialFolderPath(kFolderPictures);

    frmQuillet mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
