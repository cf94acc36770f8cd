#pragma once
// One running window: a second start of the program hands its files to the
// window that already runs and ends. The window listens on the session bus
// under the program's application id, with the desktop's standard
// org.freedesktop.Application interface (Activate, Open), and on a local
// socket in the user's runtime folder for desktops without a session bus.
// cHandOffServer is the window's side; HandOffToRunningWindow the caller's.

#include <QString>
#include <QStringList>

// The bus name (the desktop entry's application id) and the object path.
inline const QString kApplicationId = QStringLiteral("io.norvane.Quillet");
inline const QString kApplicationPath = QStringLiteral("/io/norvane/Quillet");
inline const QString kApplicationInterface = QStringLiteral("org.freedesktop.Application");

// How long a caller waits for the running window's answer, in milliseconds.
// The window answers at once even while it saves; one that does not answer
// within this time counts as gone, and the caller opens its own window.
inline constexpr int kHandOffTimeout = 4000;

// The socket's path: "quillet-hand-off" in the user's runtime folder.
QString HandOffSocketPath();

// Files travel as file URLs, which carry any name (even one with a line
// break) on one line. Paths are made absolute first.
QStringList PathsToUris(const QStringList& aPaths);
QStringList UrisToPaths(const QStringList& aUris);

// Gives aPaths to the running window (none: just raises it), over the bus
// and, failing that, the socket. True only when the window confirmed it has
// them; false when no window runs or none answered within lTimeout ms. The
// caller then opens its own window, so no file is lost.
bool HandOffToRunningWindow(const QStringList& aPaths, int lTimeout = kHandOffTimeout);
