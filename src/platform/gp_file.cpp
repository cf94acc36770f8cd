/*
 * gp_file.cpp - opening a source file for reading: the one place where the
 * flat API opens a file by name, so that no source can make it wait.
 */
#include "gp_internal.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

GpStatus gp::status_from_errno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return FileNotFound;
    case EACCES:
    case EPERM: return AccessDenied;
    case ENOMEM: return OutOfMemory;
    default: return Win32Error;
    }
}

GpStatus gp::open_regular_file(const char* path, int* fd, uint64_t* size) {
    /* O_NONBLOCK: a FIFO without a writer (or a device) would block the open
     * for ever; a regular file ignores the flag, and it is cleared below. */
    const int opened = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0)
        return status_from_errno(errno);
    GpStatus status = Ok;
    struct stat info {};
    if (::fstat(opened, &info) != 0) {
        status = status_from_errno(errno);
    } else if (!S_ISREG(info.st_mode)) {
        status = FileNotFound; /* a FIFO, device, socket or folder is no image file */
    } else {
        const int flags = ::fcntl(opened, F_GETFL);
        if (flags < 0 || ::fcntl(opened, F_SETFL, flags & ~O_NONBLOCK) != 0)
            status = status_from_errno(errno);
    }
    if (status != Ok) {
        ::close(opened);
        return status;
    }
    *fd = opened;
    *size = static_cast<uint64_t>(info.st_size);
    return Ok;
}
