#pragma once
// Writing one output file without ever losing the file it replaces.
//
// The bytes go to a temporary file in the destination folder first; only when
// they are completely written and flushed does the temporary file take the
// target's name (an atomic rename within the folder). An existing file the
// user agreed to replace is moved to the desktop's trash just before that
// rename, so it can be recovered; where there is no trash, the rename replaces
// it. On any failure the temporary file is removed and the existing file, if
// any, is left where it was.

#include <QByteArray>
#include <QString>

struct cWriteResult {
    bool Ok = false;
    QString Reason; // why the write failed, one line for the user; "" on success
};

// Writes bytes as sPath. bReplace: the user agreed to replace a file of that
// name (it is trashed just before the rename); without it an existing file of
// that name makes the write fail and stays untouched.
cWriteResult WriteFileSafely(const QString& sPath, const QByteArray& bytes, bool bReplace);
