#pragma once
// Writing one output file without ever losing the file it replaces.
//
// The output folder is opened once for a run and written relative to that
// handle. The bytes go into a new file in it first; only when they are
// completely written and flushed to the disk, and the way the file takes its
// name is known to work on this file system, does the new file take the
// output name (AtomicFile.h). An existing entry the user agreed to replace is
// moved to the trash just before that step; if it cannot go to the trash it
// stays untouched and the new file is not written, and if the step still
// fails it is put back from the trash.
// A symbolic link at the output name counts as an existing file; replacing it
// moves the link, never the file it points to. On any failure nothing new is
// left in the folder and the existing file, if any, is where it was.

#include "AtomicFile.h"

#include <QByteArray>
#include <QString>

struct cWriteResult {
    bool Ok = false;
    QString Reason; // why the write failed, one line for the user; "" on success
};

// What may happen to an existing entry of the output name.
enum class eReplace {
    No,       // it makes the write fail and stays untouched
    ToTrash,  // it goes to the trash just before the new file takes its name
    Outright, // the new file replaces it in one atomic rename; no copy is kept
};

// True when something other than a folder has the name sPath: a file, a
// symbolic link (dangling or not), a FIFO. This is the existence the
// overwrite question is about.
bool OutputEntryExists(const cFolder& folder, const QString& sName);

// Writes bytes as sName in folder; eMode says what happens to an existing
// entry.
cWriteResult WriteFileSafely(const cFolder& folder, const QString& sName, const QByteArray& bytes, eReplace eMode);
