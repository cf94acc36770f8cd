#include "BatchInput.h"

#include "NameBytes.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// What keeps the file sPath from being read; nullptr when nothing does.
const char* ReadProblem(const QString& sPath) {
    const QByteArray path = NameBytes(sPath);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return "no such file";
    if (!S_ISREG(info.st_mode))
        return "not a file";
    return ::access(path.constData(), R_OK) == 0 ? nullptr : "cannot be read";
}

} // namespace

cBatchInput GatherBatchInput(const QStringList& aPaths, bool bRecursive, bool bQuiet, QTextStream& err) {
    cBatchInput input;
    bool folderGiven = false;
    int imagesFound = 0;
    int otherFiles = 0;
    for (const QString& path : aPaths) {
        const QFileInfo info(path);
        if (info.isDir()) {
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
        input.Images.push_back({info.absolutePath(), info.fileName(), {}});
    }
    if (folderGiven && !bQuiet)
        err << "quillet-batch: " << FolderScanText(imagesFound, otherFiles) << Qt::endl;
    return input;
}
