#pragma once
// The image files inside folders: what a folder given on the command line,
// dropped, handed over by the file manager or chosen with "Add Folder..."
// adds. Image files are those IsImageFile accepts (the test the Open command
// uses); every other file is counted and skipped. Hidden files and folders
// (names starting with ".") are left out. A symbolic link to a folder is
// followed, but no folder is read twice, so links that loop end at once.

#include <QString>
#include <QStringList>

#include <vector>

struct cFoundImage {
    QString Folder;    // the folder holding the file, no trailing separator
    QString Name;      // the file's name
    QString SubFolder; // Folder relative to the folder scanned, "/"-separated;
                       // "" for files directly inside it
};

struct cFolderScan {
    std::vector<cFoundImage> Images; // per folder sorted by name, each folder before its subfolders
    int OtherFiles = 0;              // files skipped because they are no images
    QStringList Unreadable;          // folders that could not be read
};

// Adds the image files of sFolder to oScan, with those of its subfolders
// (and theirs) when bSubfolders is set. Names sort as a file manager sorts
// them: letter case aside, and digit runs by their value ("2" before "10",
// whatever the locale).
void ScanFolder(const QString& sFolder, bool bSubfolders, cFolderScan& oScan);

// Whether sFolder holds a folder ScanFolder would enter: the question about
// subfolders is only worth asking then.
bool HasSubfolders(const QString& sFolder);

// The one-line account of scans: "312 images added, 4 other files skipped";
// the second half only when files were skipped.
QString FolderScanText(int lImages, int lOtherFiles);
