#include "AtomicFile.h"
#include "FileManagerActions.h"
#include "HandOff.h"
#include "NameBytes.h"
#include "QLTMain.h"
#include "cHandOffServer.h"

#include <QApplication>

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
