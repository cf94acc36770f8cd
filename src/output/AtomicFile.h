#pragma once
// The operating-system side of writing one output file: every system call the
// save makes on output files is in AtomicFile.cpp, so that another platform
// can put its own there. No Qt: paths are in the local file-name encoding.
//
// A file is written without ever showing a partial file under its name and
// without following a symbolic link: the folder is opened once, the data goes
// into a new file that has no name yet (or a random hidden name made with
// O_EXCL, where the file system cannot make nameless files), it is written
// and flushed to the disk, and only then does it take the output name, in one
// atomic step. A link at the output name is replaced as a directory entry;
// the file it points to is never touched.

#include <cstddef>
#include <functional>
#include <string>

// What a directory entry is, without following a symbolic link.
enum class eEntryKind {
    None,   // nothing of that name
    Folder, // a real folder (not a link to one)
    Other,  // a file, a symbolic link (dangling or not), a FIFO, ...
};

// Where a write stopped, for the message.
enum class eWriteStep { Done, OpenFolder, Create, Write, Sync, Cancelled, Commit };

struct cWriteStatus {
    eWriteStep Step = eWriteStep::Done;
    int Error = 0; // errno of the failed call; 0 when Step is Done or Cancelled
};

// How the finished file takes its name.
enum class eCommit {
    CreateOnly, // fails with EEXIST when an entry of that name exists by then
    Replace,    // atomically replaces whatever entry has the name
};

// The kind of entry sName is in sFolder. error receives errno when the
// lookup itself failed (the folder is missing, unreadable, ...); the kind is
// then None.
eEntryKind LookUpEntry(const std::string& sFolder, const std::string& sName, int& error);

// Writes size bytes at data as sName in sFolder. bBeforeCommit runs once the
// data is flushed to the disk and before the file takes its name; when it
// returns false nothing is named, the new file is discarded, and the step is
// Cancelled. On any failure no new entry is left in the folder.
cWriteStatus WriteFileAtomically(const std::string& sFolder, const std::string& sName,
                                 const char* data, size_t size, eCommit eMode,
                                 const std::function<bool()>& bBeforeCommit);

// A file-size limit (ulimit -f) makes a write fail with EFBIG instead of
// ending the process with SIGXFSZ. Called once at start-up.
void IgnoreFileSizeSignal();

// The system's text for errno lError.
std::string SystemErrorText(int lError);
