#pragma once
// One entry of the image list (a row of frmQuillet::lvwImages): its text is
// the file name, its tag the folder without a trailing separator (the root
// stays "/"). Entries are in list order; position 1 is the first row.

#include <QString>

class QTreeWidgetItem;

// The item data roles that hold an entry's tag and its subfolder.
inline constexpr int kEntryTagRole = 0x0100; // Qt::UserRole
inline constexpr int kEntrySubFolderRole = kEntryTagRole + 1;
// The file's name when it is no valid UTF-8: the entry shows it with
// replacement characters, and the name itself is kept here (NameBytes.h).
inline constexpr int kEntryNameRole = kEntryTagRole + 2;

QString EntryText(const QTreeWidgetItem* oItem);
QString EntryTag(const QTreeWidgetItem* oItem);
// Where the entry's folder lies below the folder it was added with
// ("/"-separated; "" for a file added by itself or lying directly in it).
QString EntrySubFolder(const QTreeWidgetItem* oItem);

// Tag and text joined by one separator: the entry's full path.
QString EntryPath(const QTreeWidgetItem* oItem);

// sFolder and sFile joined by one separator (none added after the root).
QString JoinPath(const QString& sFolder, const QString& sFile);

// sFolder without a trailing separator; the root stays "/".
QString WithoutTrailingSeparator(const QString& sFolder);
