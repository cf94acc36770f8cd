#pragma once
// "Resize with Quillet" (the chosen files go to Quillet's window) and
// "Resize to Large JPG here" (quillet-batch writes large JPG copies into a
// "resized" folder beside the photos) in the right-click menus of Nautilus,
// Nemo, Dolphin and Thunar, installed and removed for the current user.
//
// The files come from the templates in packaging/file-manager (resources
// here, and the system-wide files the Debian package installs), with the
// programs' paths filled in. Written, in the user's data folder
// (~/.local/share): quillet/resize-to-large-jpg, two Nautilus scripts, two
// Nemo actions and a Dolphin service menu; in the user's configuration folder
// (~/.config): our two actions merged into Thunar/uca.xml (ThunarActions.h),
// whose earlier content is kept as uca.xml.before-quillet. Removal deletes
// exactly those files, takes our actions out of uca.xml again (deleting the
// file, or the backup, when it then holds nothing of the user's, or what the
// backup holds), and removes the folders it leaves empty.

#include <QString>
#include <QStringList>

#include <optional>

struct cActionPlaces {
    QString DataHome;   // ~/.local/share or $XDG_DATA_HOME
    QString ConfigHome; // ~/.config or $XDG_CONFIG_HOME
};

// The current user's places.
cActionPlaces UserActionPlaces();

struct cActionsOutcome {
    QStringList Changed; // files written or removed, in order
    QString Problem;     // why something was left undone; "" when all went well
};

// sQuillet and sBatch: the programs the actions start (full paths).
cActionsOutcome InstallFileManagerActions(const cActionPlaces& oPlaces, const QString& sQuillet, const QString& sBatch);
cActionsOutcome RemoveFileManagerActions(const cActionPlaces& oPlaces);

// InstallFileManagerActions for the current user, the actions starting this
// program and the quillet-batch beside it (or on the PATH).
cActionsOutcome InstallFileManagerActionsForThisProgram();

// Whether the actions are installed in oPlaces.
bool FileManagerActionsInstalled(const cActionPlaces& oPlaces);

// The command-line options --install-file-manager-actions and
// --remove-file-manager-actions: does what aArguments (the arguments after
// the program's name) ask, reports on the terminal and returns the exit
// status; nullopt when aArguments are no such option.
std::optional<int> RunFileManagerOption(const QStringList& aArguments);
