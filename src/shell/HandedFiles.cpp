// Files and folders that later starts of the program (the file manager's
// actions, "Open with") hand to this window.
#include "frmQuillet.h"

#include "cImageList.h"

#include <QLabel>

#include <utility>

namespace {

// Between the save's progress and the note about waiting files.
const QString kNoteSeparator = QStringLiteral("  \u2013  ");

} // namespace

void frmQuillet::TakeHandedFiles(const QStringList& aPaths) {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    if (aPaths.isEmpty())
        return;
    mHandedFiles += aPaths;
    if (mSaving) {
        ShowStatus(labStatus->text().section(kNoteSeparator, 0, 0) + HandedFilesNote());
        return;
    }
    AddHandedFiles();
}

QString frmQuillet::HandedFilesNote() const {
    if (mHandedFiles.isEmpty())
        return {};
    return kNoteSeparator + QStringLiteral("%1 handed files wait for the save to end").arg(mHandedFiles.size());
}

void frmQuillet::AddHandedFiles() {
    // Files handed over while an addition asks or adds wait for its end.
    if (mSaving || mAddingHanded)
        return;
    mAddingHanded = true;
    while (!mHandedFiles.isEmpty())
        mImageList->AddPaths(std::exchange(mHandedFiles, {}));
    mAddingHanded = false;
}
