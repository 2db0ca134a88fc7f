// SPDX-License-Identifier: Zlib
// file_open_posix.cpp - file_open_read (util/file_open.h) on POSIX systems: regular files only,
// never a wait on a FIFO or a device.
#include "util/file_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

// errno for a path that exists but is not a regular file.
static int not_regular_errno(mode_t mode) { return S_ISDIR(mode) ? EISDIR : ENXIO; }

FILE *file_open_read(const char *path, int64_t *size) {
    if (size) *size = -1;
    if (!path) {
        errno = EINVAL;
        return nullptr;
    }
    // Looked at before opening: opening a device can have effects of its own.
    struct stat st;
    if (stat(path, &st) != 0) return nullptr;
    if (!S_ISREG(st.st_mode)) {
        errno = not_regular_errno(st.st_mode);
        return nullptr;
    }
    // Non-blocking, so that a FIFO put in its place since the look returns at once; checked again.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    int err = fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : not_regular_errno(st.st_mode);
    if (err) {
        close(fd);
        errno = err;
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);   // plain blocking reads from here on
    FILE *f = fdopen(fd, "rb");
    if (!f) {
        int err = errno;
        close(fd);
        errno = err;
        return nullptr;
    }
    if (size) *size = (int64_t)st.st_size;
    return f;
}
