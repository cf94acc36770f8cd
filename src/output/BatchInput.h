#pragma once
// The images quillet-batch works on: the files named on its command line and
// the image files inside the folders named there.

#include "FolderScan.h"

#include <QStringList>
#include <QTextStream>

#include <vector>

struct cBatchInput {
    std::vector<cFoundImage> Images; // in the order given; a folder's images in FolderScan's order
    bool AllRead = true;             // false when a file or folder was missing or unreadable
};

// Gathers the images of aPaths, with the subfolders of folders when
// bRecursive is set. Files that cannot be read and folders that cannot be
// read are reported on err and left out; unless bQuiet, a line on err then
// counts what the folders gave ("312 images added, 4 other files skipped").
cBatchInput GatherBatchInput(const QStringList& aPaths, bool bRecursive, bool bQuiet, QTextStream& err);
