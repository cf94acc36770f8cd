#include "BatchInput.h"

#include "AtomicFile.h"
#include "NameBytes.h"

#include <QFileInfo>

namespace {

// What keeps the file sPath from being read; nullptr when nothing does.
const char* ReadProblem(const QString& sPath) {
    switch (PathKind(NameBytesStd(sPath))) {
    case ePathKind::Missing: return "no such file";
    case ePathKind::ReadableFile: return nullptr;
    case ePathKind::UnreadableFile: return "cannot be read";
    case ePathKind::Folder:
    case ePathKind::Other: break;
    }
    return "not a file";
}

} // namespace

cBatchInput GatherBatchInput(const QStringList& aPaths, bool bRecursive, bool bQuiet, QTextStream& err) {
    cBatchInput input;
    bool folderGiven = false;
    int imagesFound = 0;
    int otherFiles = 0;
    for (const QString& path : aPaths) {
        // By the name's bytes: Qt cannot look up a name that is no valid UTF-8.
        if (PathKind(NameBytesStd(path)) == ePathKind::Folder) {
            folderGiven = true;
            cFolderScan scan;
            ScanFolder(path, bRecursive, scan);
            input.Images.insert(input.Images.end(), scan.Images.begin(), scan.Images.end());
            for (const QString& folder : scan.Unreadable)
                err << "quillet-batch: " << DisplayName(folder) << ": folder cannot be read" << Qt::endl;
            input.AllRead = input.AllRead && scan.Unreadable.isEmpty();
            imagesFound += static_cast<int>(scan.Images.size());
            otherFiles += scan.OtherFiles;
            continue;
        }
        if (const char* problem = ReadProblem(path)) {
            err << "quillet-batch: " << DisplayName(path) << ": " << problem << Qt::endl;
            input.AllRead = false;
            continue;
        }
        const QFileInfo info(path);
        input.Images.push_back({info.absolutePath(), info.fileName(), {}});
    }
    if (folderGiven && !bQuiet)
        err << "quillet-batch: " << FolderScanText(imagesFound, otherFiles) << Qt::endl;
    return input;
}
