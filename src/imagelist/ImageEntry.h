#pragma once
// One entry of the image list (a row of frmQuillet::lvwImages): its text is
// the file name, its tag the folder without a trailing separator (the root
// stays "/"). Entries are in list order; position 1 is the first row.

#include <QString>

class QTreeWidgetItem;

// The item data role that holds an entry's tag.
inline constexpr int kEntryTagRole = 0x0100; // Qt::UserRole

QString EntryText(const QTreeWidgetItem* oItem);
QString EntryTag(const QTreeWidgetItem* oItem);

// Tag and text joined by one separator: the entry's full path.
QString EntryPath(const QTreeWidgetItem* oItem);

// sFolder and sFile joined by one separator (none added after the root).
QString JoinPath(const QString& sFolder, const QString& sFile);

// sFolder without a trailing separator; the root stays "/".
QString WithoutTrailingSeparator(const QString& sFolder);
