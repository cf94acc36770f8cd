#pragma once
// The folders one save writes into: the chosen output folder, opened once
// for the run, and - when the outputs keep the folder structure of their
// sources - the folders below it, each opened relative to its parent the
// first time an output goes there and kept open for the rest of the run, so
// that a folder moved or swapped for a link meanwhile cannot redirect the
// writes. Folders are only made when a file is about to be written in them.

#include "AtomicFile.h"

#include <QString>

#include <map>
#include <memory>

class cOutputFolders {
  public:
    // Opens sRoot (a path) for the run.
    explicit cOutputFolders(const QString& sRoot);

    // The folder sSubFolder below the root ("/"-separated; "" is the root
    // itself). Without bCreate a folder that is missing gives nullptr: no
    // output can exist in it yet. With bCreate missing folders are made; the
    // result is then never nullptr, but may not be Valid() (its Error() says
    // why), and the next call tries again.
    const cFolder* Folder(const QString& sSubFolder, bool bCreate);

  private:
    std::unique_ptr<cFolder> mRoot;
    std::map<QString, std::unique_ptr<cFolder>> mBelow; // by subfolder; only folders that opened
    std::unique_ptr<cFolder> mFailed;                   // the last folder that could not be opened
};

// sName inside sSubFolder: what reports call an output ("Trip/Day 1/a.jpg").
QString InSubFolder(const QString& sSubFolder, const QString& sName);
