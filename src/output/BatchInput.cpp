#include "BatchInput.h"

#include <QFileInfo>

cBatchInput GatherBatchInput(const QStringList& aPaths, bool bRecursive, bool bQuiet, QTextStream& err) {
    cBatchInput input;
    bool folderGiven = false;
    int imagesFound = 0;
    int otherFiles = 0;
    for (const QString& path : aPaths) {
        const QFileInfo info(path);
        const char* problem = nullptr;
        if (!info.exists()) {
            problem = "no such file";
        } else if (info.isDir()) {
            folderGiven = true;
            cFolderScan scan;
            ScanFolder(path, bRecursive, scan);
            input.Images.insert(input.Images.end(), scan.Images.begin(), scan.Images.end());
            for (const QString& folder : scan.Unreadable)
                err << "quillet-batch: " << folder << ": folder cannot be read" << Qt::endl;
            input.AllRead = input.AllRead && scan.Unreadable.isEmpty();
            imagesFound += static_cast<int>(scan.Images.size());
            otherFiles += scan.OtherFiles;
            continue;
        } else if (!info.isFile()) {
            problem = "not a file";
        } else if (!info.isReadable()) {
            problem = "cannot be read";
        }
        if (problem != nullptr) {
            err << "quillet-batch: " << path << ": " << problem << Qt::endl;
            input.AllRead = false;
            continue;
        }
        input.Images.push_back({info.absolutePath(), info.fileName(), {}});
    }
    if (folderGiven && !bQuiet)
        err << "quillet-batch: " << FolderScanText(imagesFound, otherFiles) << Qt::endl;
    return input;
}
