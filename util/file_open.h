// SPDX-License-Identifier: Zlib
// file_open.h - the one way a file is opened by name for reading.
//
//   int64_t size;
//   FILE *f = file_open_read(path, &size);   // null: the loader's "cannot open" case
//   ...; fclose(f);
//
// Only regular files are opened. A FIFO (whose opening waits for a writer, forever if none comes),
// a directory or a device is refused without being opened, exactly like a missing file: null,
// with errno set. The check is made again on the open descriptor, so a path swapped for a FIFO in
// between cannot block either. Every loader (data.json, the per-user files, textures, sounds)
// opens through here; code that needs a FILE for a library hands it this one.
#pragma once
#include <cstdint>
#include <cstdio>

// The file opened "rb", its size in *size when size is given (-1 on failure); null on failure.
FILE *file_open_read(const char *path, int64_t *size = nullptr);
