#pragma once
// The operating-system side of writing one output file: every system call the
// save makes on output files is in AtomicFile.cpp, so that another platform
// can put its own there. No Qt: paths and names are bytes, as the system has
// them.
//
// The output folder is opened once for a whole run and every entry is looked
// up and written relative to that handle, so a folder moved or swapped for a
// symbolic link during the run cannot redirect the writes. A file is written
// without ever showing a partial file under its name and without following a
// symbolic link: the data goes into a new file that has no name yet (or a
// random hidden name made with O_EXCL, where the file system cannot make
// nameless files), it is written and flushed to the disk, and only then does
// it take the output name. A link at the output name is replaced as a
// directory entry; the file it points to is never touched.
//
// File systems differ in how a name can be taken without replacing what has
// it: a rename that refuses to replace, a hard link, or (FAT, exFAT and many
// network and FUSE file systems have neither) an empty file made with O_EXCL
// that a plain rename then replaces. Which one works is found out before the
// old file is moved away, so that the last step cannot fail for a reason
// known in advance.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

// What a directory entry is, without following a symbolic link.
enum class eEntryKind {
    None,   // nothing of that name
    Folder, // a real folder (not a link to one)
    Other,  // a file, a symbolic link (dangling or not), a FIFO, ...
};

// Which file an entry is: equal identities are one file, however it is named.
struct cFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool Known = false; // false: there was no such entry
    auto operator<=>(const cFileIdentity&) const = default;
};

// A folder opened once; entries are reached relative to it.
class cFolder {
  public:
    // Opens sPath (bytes); Error() is errno when it could not be opened.
    explicit cFolder(const std::string& sPath);
    // Opens the folder sName inside oParent, following a symbolic link; with
    // bCreate, a folder missing there is made first, with the permissions the
    // user's umask leaves.
    cFolder(const cFolder& oParent, const std::string& sName, bool bCreate);
    ~cFolder();
    cFolder(const cFolder&) = delete;
    cFolder& operator=(const cFolder&) = delete;

    bool Valid() const { return mFd >= 0; }
    int Error() const { return mError; }
    int Fd() const { return mFd; }
    // The path it was opened by, absolute where the working folder was known.
    const std::string& Path() const { return mPath; }
    // True while Path() still leads to this very folder.
    bool StillAtPath() const;

  private:
    int mFd = -1;
    int mError = 0;
    std::string mPath;
};

// Where a write stopped, for the message.
enum class eWriteStep { Done, OpenFolder, Create, Write, Sync, Prepare, Cancelled, Commit };

struct cWriteStatus {
    eWriteStep Step = eWriteStep::Done;
    int Error = 0; // errno of the failed call; 0 when Step is Done or Cancelled
};

// How the finished file takes its name.
enum class eCommit {
    CreateOnly, // fails with EEXIST when an entry of that name exists by then
    Replace,    // atomically replaces whatever entry has the name
};

// The kind of entry sName is in folder. error receives errno when the lookup
// itself failed (the folder is unreadable, ...); the kind is then None.
eEntryKind LookUpEntry(const cFolder& folder, const std::string& sName, int& error);

// The identity of entry sName of folder, not following a symbolic link.
cFileIdentity EntryIdentity(const cFolder& folder, const std::string& sName);

// The identity of the file sPath leads to (following links).
cFileIdentity PathIdentity(const std::string& sPath);

// Writes size bytes at data as sName in folder. bBeforeCommit runs once the
// data is flushed to the disk and the way the name will be taken is known to
// work here, just before the file takes its name; when it returns false
// nothing is named, the new file is discarded, and the step is Cancelled. On
// any failure no new entry is left in the folder.
cWriteStatus WriteFileAtomically(const cFolder& folder, const std::string& sName, const char* data, size_t size,
                                 eCommit eMode, const std::function<bool()>& bBeforeCommit);

// What sPath leads to, following links: the checks before a file is listed.
enum class ePathKind { Missing, Folder, ReadableFile, UnreadableFile, Other };
ePathKind PathKind(const std::string& sPath);

// True when a file can be made in folder (one is made, as a save makes its
// files, and discarded again).
bool CanMakeFilesIn(const cFolder& folder);

// Moves the entry sFrom (a path) into folder as sName, never replacing an
// entry of that name; errno on failure.
int MoveIntoFolder(const std::string& sFrom, const cFolder& folder, const std::string& sName);

// A file-size limit (ulimit -f) makes a write fail with EFBIG instead of
// ending the process with SIGXFSZ. Called once at start-up.
void IgnoreFileSizeSignal();

// The system's text for errno lError.
std::string SystemErrorText(int lError);
