#include "AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Owns one file descriptor.
class cFd {
  public:
    explicit cFd(int fd = -1) : mFd(fd) {}
    ~cFd() {
        if (mFd >= 0)
            ::close(mFd);
    }
    cFd(const cFd&) = delete;
    cFd& operator=(const cFd&) = delete;
    cFd(cFd&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}
    cFd& operator=(cFd&& other) noexcept {
        std::swap(mFd, other.mFd);
        return *this;
    }
    int Get() const { return mFd; }
    bool Valid() const { return mFd >= 0; }

  private:
    int mFd;
};

// A hidden name that no output can have: outputs end in an image extension.
std::string RandomTempName() {
    std::random_device random;
    const uint64_t value = (static_cast<uint64_t>(random()) << 32) ^ random();
    char name[40];
    std::snprintf(name, sizeof name, ".quillet-%016llx.part", static_cast<unsigned long long>(value));
    return name;
}

// A nameless file is named through /proc (linkat with AT_EMPTY_PATH would
// need a capability an ordinary user lacks).
bool CanNameNamelessFiles() {
    return ::access("/proc/self/fd", X_OK) == 0;
}

int ErrorOf(int result) {
    return result == 0 ? 0 : errno;
}

// Runs lTry with fresh random names until one is free; lTry returns errno.
// sName receives the name that worked.
template <typename tTry> int WithFreshName(const tTry& lTry, std::string& sName) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        std::string name = RandomTempName();
        error = lTry(name);
        if (error == 0)
            sName = std::move(name);
    }
    return error;
}

// The errors of a file system that does not have the operation at all.
bool NotSupportedHere(int lError) {
    return lError == EINVAL || lError == ENOSYS || lError == EPERM || lError == EOPNOTSUPP || lError == EMLINK;
}

// How the finished file takes its name.
enum class eNaming {
    Rename,          // replaces whatever has the name
    RenameNoClobber, // a rename that refuses to replace
    Link,            // a hard link, which never replaces, then the temporary name goes
    ClaimAndRename,  // an empty file made with O_EXCL claims the name, a rename replaces it
};

// The new file inside the open folder. It stays nameless where the file
// system allows (nothing is left behind if the process dies) until it is
// complete; otherwise it has a random hidden name that is removed again
// unless the file is committed.
class cNewFile {
  public:
    explicit cNewFile(int lFolderFd) : mFolderFd(lFolderFd) {}
    ~cNewFile() {
        if (!mTempName.empty())
            ::unlinkat(mFolderFd, mTempName.c_str(), 0);
    }
    cNewFile(const cNewFile&) = delete;
    cNewFile& operator=(const cNewFile&) = delete;

    int Create() {
        if (CanNameNamelessFiles()) {
            mFd = cFd(::openat(mFolderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
            if (mFd.Valid())
                return 0;
            // Only a file system without nameless files falls back to a name.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return errno;
        }
        return WithFreshName(
            [this](const std::string& sName) {
                mFd =
                    cFd(::openat(mFolderFd, sName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
                return mFd.Valid() ? 0 : errno;
            },
            mTempName);
    }

    int Write(const char* data, size_t size) {
        while (size > 0) {
            const ssize_t put = ::write(mFd.Get(), data, size);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return errno;
            if (put == 0)
                return EIO;
            data += put;
            size -= static_cast<size_t>(put);
        }
        return 0;
    }

    int Sync() { return ErrorOf(::fsync(mFd.Get())); }

    // Gives the file a hidden name and finds the way it can take the output
    // name on this file system, by doing it once between hidden names.
    int Prepare(eCommit eMode) {
        if (mTempName.empty()) {
            if (const int error =
                    WithFreshName([this](const std::string& sName) { return LinkNameless(sName); }, mTempName))
                return error;
        }
        if (eMode == eCommit::Replace) {
            mNaming = eNaming::Rename;
            return 0;
        }
        std::string moved;
        int error =
            WithFreshName([this](const std::string& sName) { return RenameNoReplace(mTempName, sName); }, moved);
        if (error == 0) {
            mTempName = std::move(moved);
            mNaming = eNaming::RenameNoClobber;
            return 0;
        }
        if (error != EINVAL && error != ENOSYS)
            return error;
        std::string linked;
        error = WithFreshName(
            [this](const std::string& sName) {
                return ErrorOf(::linkat(mFolderFd, mTempName.c_str(), mFolderFd, sName.c_str(), 0));
            },
            linked);
        if (error == 0) {
            ::unlinkat(mFolderFd, linked.c_str(), 0);
            mNaming = eNaming::Link;
            return 0;
        }
        if (!NotSupportedHere(error))
            return error;
        mNaming = eNaming::ClaimAndRename;
        return 0;
    }

    int Commit(const std::string& sName) {
        int error = 0;
        switch (mNaming) {
        case eNaming::Rename:
            error = ErrorOf(::renameat(mFolderFd, mTempName.c_str(), mFolderFd, sName.c_str()));
            break;
        case eNaming::RenameNoClobber: error = RenameNoReplace(mTempName, sName); break;
        case eNaming::Link: error = ErrorOf(::linkat(mFolderFd, mTempName.c_str(), mFolderFd, sName.c_str(), 0)); break;
        case eNaming::ClaimAndRename: error = ClaimAndRename(sName); break;
        }
        if (error == 0 && mNaming != eNaming::Link)
            mTempName.clear(); // the temporary name is the output name now
        return error;
    }

  private:
    int LinkNameless(const std::string& sName) {
        const std::string self = "/proc/self/fd/" + std::to_string(mFd.Get());
        return ErrorOf(::linkat(AT_FDCWD, self.c_str(), mFolderFd, sName.c_str(), AT_SYMLINK_FOLLOW));
    }

    int RenameNoReplace(const std::string& sFrom, const std::string& sTo) {
        return ErrorOf(::renameat2(mFolderFd, sFrom.c_str(), mFolderFd, sTo.c_str(), RENAME_NOREPLACE));
    }

    // The empty file made here holds the name; when the rename fails it goes
    // again, unless something else has replaced it meanwhile.
    int ClaimAndRename(const std::string& sName) {
        const cFd claim(::openat(mFolderFd, sName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!claim.Valid())
            return errno;
        struct stat claimed {};
        if (::fstat(claim.Get(), &claimed) != 0)
            return errno;
        if (::renameat(mFolderFd, mTempName.c_str(), mFolderFd, sName.c_str()) == 0)
            return 0;
        const int error = errno;
        struct stat now {};
        if (::fstatat(mFolderFd, sName.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == claimed.st_dev &&
            now.st_ino == claimed.st_ino)
            ::unlinkat(mFolderFd, sName.c_str(), 0);
        return error;
    }

    int mFolderFd;
    cFd mFd;
    std::string mTempName; // "" while the file is nameless, and once committed
    eNaming mNaming = eNaming::Rename;
};

cFileIdentity IdentityOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, true};
}

} // namespace

cFolder::cFolder(const std::string& sPath) : mPath(sPath) {
    mFd = ::open(sPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mFd < 0) {
        mError = errno;
        return;
    }
    if (mPath.empty() || mPath[0] != '/') {
        char* current = ::getcwd(nullptr, 0);
        if (current != nullptr)
            mPath = std::string(current) + '/' + mPath;
        std::free(current);
    }
}

cFolder::cFolder(const cFolder& oParent, const std::string& sName, bool bCreate) : mPath(oParent.Path() + '/' + sName) {
    if (!oParent.Valid()) {
        mError = oParent.Error();
        return;
    }
    // EEXIST: it is there already (or something else has the name, which
    // the open below refuses with ENOTDIR).
    if (bCreate && ::mkdirat(oParent.Fd(), sName.c_str(), 0777) != 0 && errno != EEXIST) {
        mError = errno;
        return;
    }
    mFd = ::openat(oParent.Fd(), sName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mFd < 0)
        mError = errno;
}

cFolder::~cFolder() {
    if (mFd >= 0)
        ::close(mFd);
}

bool cFolder::StillAtPath() const {
    struct stat opened {};
    struct stat now {};
    return Valid() && ::fstat(mFd, &opened) == 0 && ::stat(mPath.c_str(), &now) == 0 &&
           IdentityOf(opened) == IdentityOf(now);
}

eEntryKind LookUpEntry(const cFolder& folder, const std::string& sName, int& error) {
    error = 0;
    struct stat info {};
    if (::fstatat(folder.Fd(), sName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            error = errno;
        return eEntryKind::None;
    }
    return S_ISDIR(info.st_mode) ? eEntryKind::Folder : eEntryKind::Other;
}

cFileIdentity EntryIdentity(const cFolder& folder, const std::string& sName) {
    struct stat info {};
    if (::fstatat(folder.Fd(), sName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return IdentityOf(info);
}

cFileIdentity PathIdentity(const std::string& sPath) {
    struct stat info {};
    if (::stat(sPath.c_str(), &info) != 0)
        return {};
    return IdentityOf(info);
}

cWriteStatus WriteFileAtomically(const cFolder& folder, const std::string& sName, const char* data, size_t size,
                                 eCommit eMode, const std::function<bool()>& bBeforeCommit) {
    if (!folder.Valid())
        return {eWriteStep::OpenFolder, folder.Error()};
    cNewFile file(folder.Fd());
    if (const int error = file.Create())
        return {eWriteStep::Create, error};
    if (const int error = file.Write(data, size))
        return {eWriteStep::Write, error};
    if (const int error = file.Sync())
        return {eWriteStep::Sync, error};
    if (const int error = file.Prepare(eMode))
        return {eWriteStep::Prepare, error};
    if (bBeforeCommit && !bBeforeCommit())
        return {eWriteStep::Cancelled, 0};
    if (const int error = file.Commit(sName))
        return {eWriteStep::Commit, error};
    // The new name reaches the disk too; the file is complete either way.
    ::fsync(folder.Fd());
    return {};
}

ePathKind PathKind(const std::string& sPath) {
    struct stat info {};
    if (::stat(sPath.c_str(), &info) != 0)
        return ePathKind::Missing;
    if (S_ISDIR(info.st_mode))
        return ePathKind::Folder;
    if (!S_ISREG(info.st_mode))
        return ePathKind::Other;
    return ::access(sPath.c_str(), R_OK) == 0 ? ePathKind::ReadableFile : ePathKind::UnreadableFile;
}

bool CanMakeFilesIn(const cFolder& folder) {
    // Made as a save makes its files, and discarded again.
    return folder.Valid() && cNewFile(folder.Fd()).Create() == 0;
}

int MoveIntoFolder(const std::string& sFrom, const cFolder& folder, const std::string& sName) {
    if (::renameat2(AT_FDCWD, sFrom.c_str(), folder.Fd(), sName.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // Without a rename that refuses to replace, the name is checked first.
    int error = 0;
    if (LookUpEntry(folder, sName, error) != eEntryKind::None)
        return EEXIST;
    return ErrorOf(::renameat(AT_FDCWD, sFrom.c_str(), folder.Fd(), sName.c_str()));
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string SystemErrorText(int lError) {
    char buffer[256];
    return ::strerror_r(lError, buffer, sizeof buffer);
}
