#include "SafeWrite.h"

#include "AtomicFile.h"
#include "NameBytes.h"
#include "Trash.h"

#include <cerrno>

namespace {

QString ErrorText(int lError) {
    return QString::fromLocal8Bit(SystemErrorText(lError).c_str());
}

// The user's words for a write that stopped at status.
QString FailureReason(const cWriteStatus& status, const QString& sTrashReason, bool bTrashed, bool bPutBack) {
    const int error = status.Error;
    switch (status.Step) {
    case eWriteStep::Done: return {};
    case eWriteStep::OpenFolder:
        if (error == ENOENT)
            return QStringLiteral("the folder does not exist");
        if (error == ENOTDIR)
            return QStringLiteral("a file is in the way of its folder");
        return QStringLiteral("the folder cannot be opened: %1").arg(ErrorText(error));
    case eWriteStep::Create:
        if (error == EACCES || error == EPERM || error == EROFS)
            return QStringLiteral("the folder is not writable: %1").arg(ErrorText(error));
        return QStringLiteral("the file could not be created: %1").arg(ErrorText(error));
    case eWriteStep::Write:
    case eWriteStep::Sync:
    case eWriteStep::Prepare: return QStringLiteral("the file could not be written: %1").arg(ErrorText(error));
    case eWriteStep::Cancelled:
        return QStringLiteral("the existing file could not be moved to the trash: %1; it was kept").arg(sTrashReason);
    case eWriteStep::Commit: break;
    }
    if (error == EEXIST && !bTrashed)
        return QStringLiteral("a file of that name appeared while this one was written; it was kept");
    QString reason = QStringLiteral("the file could not take its name: %1").arg(ErrorText(error));
    if (bPutBack)
        reason += QStringLiteral("; the earlier file was put back");
    else if (bTrashed)
        reason += QStringLiteral("; the earlier file is in the trash");
    return reason;
}

} // namespace

bool OutputEntryExists(const cFolder& folder, const QString& sName) {
    int error = 0;
    return LookUpEntry(folder, NameBytesStd(sName), error) == eEntryKind::Other;
}

cWriteResult WriteFileSafely(const cFolder& folder, const QString& sName, const QByteArray& bytes, eReplace eMode) {
    const std::string name = NameBytesStd(sName);
    int lookUpError = 0;
    const eEntryKind existing = LookUpEntry(folder, name, lookUpError);
    if (existing == eEntryKind::Folder)
        return {false, QStringLiteral("a folder of that name is in the way")};
    if (existing == eEntryKind::Other && eMode == eReplace::No)
        return {false, QStringLiteral("a file of that name already exists")};

    // Only once the new file is complete on the disk may the old one go.
    QString trashReason;
    bool trashed = false;
    const cFileIdentity old = EntryIdentity(folder, name);
    auto moveOldToTrash = [&] {
        if (existing != eEntryKind::Other || eMode != eReplace::ToTrash)
            return true;
        // The trash is reached by path: it must still lead to the folder written into.
        if (!folder.StillAtPath()) {
            trashReason = QStringLiteral("the folder was moved or replaced during the run");
            return false;
        }
        const cTrashResult result = MoveToTrash(folder.Path() + '/' + name);
        trashed = result.Moved;
        trashReason = QString::fromStdString(result.Reason);
        // A file that went away meanwhile needs no copy; any other stays.
        int error = 0;
        return trashed || LookUpEntry(folder, name, error) == eEntryKind::None;
    };
    const eCommit commit =
        existing == eEntryKind::Other && eMode == eReplace::Outright ? eCommit::Replace : eCommit::CreateOnly;
    const cWriteStatus status =
        WriteFileAtomically(folder, name, bytes.constData(), static_cast<size_t>(bytes.size()), commit, moveOldToTrash);
    if (status.Step == eWriteStep::Done)
        return {true, QString()};
    const bool putBack = trashed && PutBackFromTrash(old, folder, name);
    return {false, FailureReason(status, trashReason, trashed, putBack)};
}
