/*
 * gp_folder.cpp - reading one folder's entries by their names' bytes.
 */
#include "gp_folder.h"

#include "gp_internal.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

gp::folder_entry_kind folder_kind_of(int folder, const char* name) {
    struct stat info {};
    if (::fstatat(folder, name, &info, 0) != 0)
        return gp::folder_entry_kind::other; /* a dangling link, or one that loops */
    if (S_ISDIR(info.st_mode))
        return gp::folder_entry_kind::folder;
    return S_ISREG(info.st_mode) ? gp::folder_entry_kind::file : gp::folder_entry_kind::other;
}

} // namespace

GpStatus gp::list_folder(const char* path, std::vector<folder_entry>* entries, folder_id* id) {
    if (path == nullptr || entries == nullptr || id == nullptr)
        return InvalidParameter;
    const int opened = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (opened < 0)
        return status_from_errno(errno);
    struct stat info {};
    DIR* stream = ::fstat(opened, &info) == 0 ? ::fdopendir(opened) : nullptr;
    if (stream == nullptr) {
        const GpStatus status = status_from_errno(errno);
        ::close(opened);
        return status;
    }
    /* The stream owns the descriptor from here on. */
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(stream, ::closedir);
    std::vector<folder_entry> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr)
            break;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        found.push_back({entry->d_name, folder_kind_of(::dirfd(folder.get()), entry->d_name)});
    }
    if (errno != 0)
        return status_from_errno(errno);
    *entries = std::move(found);
    *id = {info.st_dev, info.st_ino};
    return Ok;
}
