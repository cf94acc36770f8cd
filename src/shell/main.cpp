#include "AtomicFile.h"
#include "NameBytes.h"
#include "QLTMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    IgnoreFileSizeSignal(); // a file-size limit fails the write, not the program
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Norvane"));
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    // Any arguments are image files to start with (the desktop's "Open with").
    return Main(ArgumentNames(argc, argv));
}
