#pragma once
// The batch save's view of the image list. The save reads the list anew before
// every entry, because an entry that fails to load is removed while the run
// goes on. Positions are 1-based, as in the list itself.

#include <QString>

class cSaveList {
  public:
    virtual ~cSaveList() = default;

    // Number of entries now.
    virtual int Count() const = 0;
    // File name of the entry at lPosition (1..Count()), without its folder.
    virtual QString FileName(int lPosition) const = 0;
    // Folder of the entry at lPosition, without a trailing separator (the
    // root stays "/").
    virtual QString Folder(int lPosition) const = 0;
    // Where the entry's folder lies below the folder it was added with
    // ("/"-separated, "" when it was added by itself or lies directly in it):
    // the outputs' subfolder when they keep the folder structure.
    virtual QString SubFolder(int lPosition) const = 0;
    // Removes the entry at lPosition with the list's usual follow-up (count
    // label, buttons); the entries after it move up by one.
    virtual void Remove(int lPosition) = 0;
};
