#include "AppState.h"
#include "AtomicFile.h"
#include "FileManagerActions.h"
#include "HandOff.h"
#include "NameBytes.h"
#include "QLTMain.h"
#include "cHandOffServer.h"
#include "cImageList.h"
#include "frmQuillet.h"

#include <QApplication>
#include <QTimer>

namespace {

// Sets the default folder, shows the main window and runs the event loop
// until it closes. aFiles (paths given on the command line, as "Open with"
// does) become the list as if they had been dropped onto it. Files oHandOff
// receives from later starts of the program are added to the window's list.
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

} // namespace

int main(int argc, char* argv[]) {
    IgnoreFileSizeSignal(); // a file-size limit fails the write, not the program
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Norvane"));
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    // Any arguments are image files or folders to start with (the desktop's
    // "Open with", the file manager's actions). While a window runs, they go
    // to that window; if it does not take them, this start opens its own.
    const QStringList files = ArgumentNames(argc, argv);
    if (const std::optional<int> status = RunFileManagerOption(files))
        return *status;
    cHandOffServer handOff;
    if (!handOff.Start() && HandOffToRunningWindow(files))
        return 0;
    return Main(files, &handOff);
}
