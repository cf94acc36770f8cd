#pragma once
// Start-up: the desktop's folders and the program's help. Main in main.cpp
// shows the main window; the window reads these.

#include <QString>

#include <cstdint>

// The folder identifier SpecialFolderPath understands (the shell's numbering).
inline constexpr int16_t kFolderPictures = 0x0027;

// The desktop's folder for lFolder, or "" when the desktop has none, the
// folder does not exist (it is never created here) or lFolder is another.
QString SpecialFolderPath(int16_t lFolder);

// The help's start page: "help/index.html" next to the executable (the build
// tree) or in "../share/quillet" from it (the installed layout). When neither
// exists, the first place is returned and the browser reports it missing.
QString HelpIndexPath();
