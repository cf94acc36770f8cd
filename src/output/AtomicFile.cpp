#include "AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
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
    std::snprintf(name, sizeof name, ".quillet-%016llx.part",
                  static_cast<unsigned long long>(value));
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

// The new file inside the open folder. It stays nameless where the file
// system allows (nothing is left behind if the process dies), otherwise it
// has a random hidden name that is removed again unless the file is committed.
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
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::string name = RandomTempName();
            mFd = cFd(::openat(mFolderFd, name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (mFd.Valid()) {
                mTempName = std::move(name);
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
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

    int Commit(const std::string& sName, eCommit eMode) {
        if (mTempName.empty()) {
            if (eMode == eCommit::CreateOnly)
                return LinkNameless(sName); // never replaces
            // An atomic replace renames: the file needs a name of its own first.
            int error = EEXIST;
            for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
                std::string name = RandomTempName();
                error = LinkNameless(name);
                if (error == 0)
                    mTempName = std::move(name);
            }
            if (error != 0)
                return error;
        }
        const int error = eMode == eCommit::CreateOnly
                              ? RenameNoReplace(sName)
                              : ErrorOf(::renameat(mFolderFd, mTempName.c_str(), mFolderFd,
                                                   sName.c_str()));
        if (error == 0)
            mTempName.clear();
        return error;
    }

  private:
    int LinkNameless(const std::string& sName) {
        const std::string self = "/proc/self/fd/" + std::to_string(mFd.Get());
        return ErrorOf(
            ::linkat(AT_FDCWD, self.c_str(), mFolderFd, sName.c_str(), AT_SYMLINK_FOLLOW));
    }

    int RenameNoReplace(const std::string& sName) {
        if (::renameat2(mFolderFd, mTempName.c_str(), mFolderFd, sName.c_str(),
                        RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        // A file system without the flag: a hard link cannot replace either.
        if (::linkat(mFolderFd, mTempName.c_str(), mFolderFd, sName.c_str(), 0) != 0)
            return errno;
        ::unlinkat(mFolderFd, mTempName.c_str(), 0); // the file keeps its output name
        return 0;
    }

    int mFolderFd;
    cFd mFd;
    std::string mTempName; // "" while the file is nameless, and once committed
};

} // namespace

eEntryKind LookUpEntry(const std::string& sFolder, const std::string& sName, int& error) {
    error = 0;
    struct stat info {};
    const std::string path = sFolder + '/' + sName;
    if (::fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            error = errno;
        return eEntryKind::None;
    }
    return S_ISDIR(info.st_mode) ? eEntryKind::Folder : eEntryKind::Other;
}

cWriteStatus WriteFileAtomically(const std::string& sFolder, const std::string& sName,
                                 const char* data, size_t size, eCommit eMode,
                                 const std::function<bool()>& bBeforeCommit) {
    const cFd folder(::open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid())
        return {eWriteStep::OpenFolder, errno};
    cNewFile file(folder.Get());
    if (const int error = file.Create())
        return {eWriteStep::Create, error};
    if (const int error = file.Write(data, size))
        return {eWriteStep::Write, error};
    if (const int error = file.Sync())
        return {eWriteStep::Sync, error};
    if (bBeforeCommit && !bBeforeCommit())
        return {eWriteStep::Cancelled, 0};
    if (const int error = file.Commit(sName, eMode))
        return {eWriteStep::Commit, error};
    // The new name reaches the disk too; the file is complete either way.
    ::fsync(folder.Get());
    return {};
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string SystemErrorText(int lError) {
    char buffer[256];
    return ::strerror_r(lError, buffer, sizeof buffer);
}
