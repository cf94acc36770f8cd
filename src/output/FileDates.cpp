#include "FileDates.h"

#include "NameBytes.h"

#include <fcntl.h>
#include <sys/stat.h>

std::optional<timespec> ModificationTime(const QString& sPath) {
    struct stat info {};
    if (::stat(NameBytes(sPath).constData(), &info) != 0)
        return std::nullopt;
    return info.st_mtim;
}

bool SetModificationTime(const QString& sPath, const timespec& oTime) {
    const timespec times[2] = {{0, UTIME_OMIT}, oTime};
    return ::utimensat(AT_FDCWD, NameBytes(sPath).constData(), times, 0) == 0;
}
