/*
 * Preloaded into quillet-batch by the tests to make the file systems the
 * program meets on USB sticks and network shares, on top of whatever holds
 * the test's folders. QUILLET_TEST_FS says what the file system lacks:
 *   "nolinks"     no hard links (EPERM), no nameless files (EOPNOTSUPP) and
 *                 no rename that refuses to replace (EINVAL), as FAT and
 *                 exFAT through FUSE;
 *   "renamefails" a rename of a hidden ".quillet-" file fails (EIO), as a
 *                 network share that drops the connection at that moment.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <stdlib.h>

static int lacks(const char* what) {
    const char* fs = getenv("QUILLET_TEST_FS");
    return fs != NULL && strstr(fs, what) != NULL;
}

static int fails_rename_of(const char* from) {
    const char* slash = strrchr(from, '/');
    return lacks("renamefails") && strncmp(slash ? slash + 1 : from, ".quillet-", 9) == 0;
}

int linkat(int from_dir, const char* from, int to_dir, const char* to, int flags) {
    static int (*next)(int, const char*, int, const char*, int);
    if (lacks("nolinks")) {
        errno = EPERM;
        return -1;
    }
    if (!next)
        next = (int (*)(int, const char*, int, const char*, int))dlsym(RTLD_NEXT, "linkat");
    return next(from_dir, from, to_dir, to, flags);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned flags) {
    static int (*next)(int, const char*, int, const char*, unsigned);
    if ((flags != 0 && lacks("nolinks")) || fails_rename_of(from)) {
        errno = flags != 0 && lacks("nolinks") ? EINVAL : EIO;
        return -1;
    }
    if (!next)
        next = (int (*)(int, const char*, int, const char*, unsigned))dlsym(RTLD_NEXT, "renameat2");
    return next(from_dir, from, to_dir, to, flags);
}

int renameat(int from_dir, const char* from, int to_dir, const char* to) {
    static int (*next)(int, const char*, int, const char*);
    if (fails_rename_of(from)) {
        errno = EIO;
        return -1;
    }
    if (!next)
        next = (int (*)(int, const char*, int, const char*))dlsym(RTLD_NEXT, "renameat");
    return next(from_dir, from, to_dir, to);
}

static int open_at(const char* symbol, int dir, const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE && lacks("nolinks")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    int (*next)(int, const char*, int, ...) = (int (*)(int, const char*, int, ...))dlsym(RTLD_NEXT, symbol);
    return next(dir, path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
    va_end(args);
    return open_at("openat", dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
    va_end(args);
    return open_at("openat64", dir, path, flags, mode);
}
