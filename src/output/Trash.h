#pragma once
// Moving a file the user agreed to replace into the desktop's trash, the
// freedesktop.org trash the file managers use (through GIO), so that it can
// be restored to its place. A symbolic link goes to the trash as a link; the
// file it points to stays where it is. Where there is no usable trash, the
// file is not moved and the reason is returned: nothing is ever deleted here,
// and no trash folder is made in the working directory. No Qt: GIO's headers
// and Qt's keywords do not mix.

#include "AtomicFile.h"

#include <string>

struct cTrashResult {
    bool Moved = false; // the file is in the trash; else it is where it was
    std::string Reason; // the system's reason when not moved, one line, UTF-8
};

// sPath as bytes.
cTrashResult MoveToTrash(const std::string& sPath);

// Puts the file with identity file, which MoveToTrash moved from entry sName
// of folder, back in its place and drops its trash record. False when it is
// not found in the trash of the folder's file system or cannot go back.
bool PutBackFromTrash(const cFileIdentity& file, const cFolder& folder, const std::string& sName);
