// SPDX-License-Identifier: Zlib
// file_open_windows.cpp - file_open_read (util/file_open.h) on Windows: regular files only.
// A device name (CON, NUL, COM1 ...) or a folder is refused before it is opened, and the opened
// file is looked at again, as on POSIX systems; Windows has no FIFOs among its file names.
#include "util/file_open.h"

#include <sys/stat.h>
#include <cerrno>

FILE *file_open_read(const char *path, int64_t *size) {
    if (size) *size = -1;
    if (!path) {
        errno = EINVAL;
        return nullptr;
    }
    struct _stat64 st;
    if (_stat64(path, &st) != 0) return nullptr;
    if ((st.st_mode & _S_IFMT) != _S_IFREG) {
        errno = (st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : ENXIO;
        return nullptr;
    }
    FILE *f = fopen(path, "rb");
    if (!f) return nullptr;
    if (_fstat64(_fileno(f), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        fclose(f);
        errno = ENXIO;
        return nullptr;
    }
    if (size) *size = (int64_t)st.st_size;
    return f;
}
