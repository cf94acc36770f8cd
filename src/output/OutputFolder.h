#pragma once
// Whether a folder can take the outputs of a save, checked when it is chosen,
// before any image is read or any question asked.

#include <QString>

// Why files cannot be saved into sFolder, one line for the user ("it does
// not exist", "it is not a folder", "files cannot be made in it"); "" when
// they can. A file is made and removed again to find out: permissions alone
// say nothing about a read-only mount or an administrator's account.
QString UnwritableFolderReason(const QString& sFolder);
