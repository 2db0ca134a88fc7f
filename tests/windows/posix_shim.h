// SPDX-License-Identifier: Zlib
// posix_shim.h - the few POSIX calls the test programs use, for their Windows build (mingw-w64).
// Force-included into every test source there (tests/CMakeLists.txt), so the tests stay one set of
// sources. Test code only: the framework and the game use app/platform.h.
//
// Some tests clean up their temporary folders with system("rm -rf '<folder>'"): that command
// removes the folder here (anything else goes to the Windows command interpreter), and every folder
// mkdtemp made is removed with its contents when the program ends in any case.
#pragma once
// <windows.h> comes in through GL/gl.h there, and its hot-key macros MOD_SHIFT and MOD_ALT would
// replace the names of our modifier flags (app/event.h) in any test that includes GL first. Taken
// in here, once, and the macros dropped: the header's guard keeps them from coming back.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MOD_ALT
#undef MOD_CONTROL
#undef MOD_SHIFT
#undef MOD_WIN
#include <direct.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

inline int mkdir(const char *path, int) { return _mkdir(path); }

inline int setenv(const char *name, const char *value, int overwrite) {
    if (!overwrite && getenv(name)) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char *name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

inline std::vector<std::string> &posix_shim_temp_dirs() {
    static std::vector<std::string> dirs;
    return dirs;
}

inline void posix_shim_remove_temp_dirs() {
    for (const std::string &dir : posix_shim_temp_dirs()) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

inline char *mkdtemp(char *tmpl) {
    size_t n = strlen(tmpl);
    if (n < 6 || strcmp(tmpl + n - 6, "XXXXXX") != 0) {
        errno = EINVAL;
        return nullptr;
    }
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; attempt++) {
        char suffix[7];
        snprintf(suffix, sizeof suffix, "%06u", ((unsigned)_getpid() * 31u + ++counter * 7919u) % 1000000u);
        memcpy(tmpl + n - 6, suffix, 6);
        if (_mkdir(tmpl) == 0) {
            if (posix_shim_temp_dirs().empty()) atexit(posix_shim_remove_temp_dirs);
            posix_shim_temp_dirs().push_back(tmpl);
            return tmpl;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

inline int posix_shim_system(const char *cmd) {
    static const char kRemove[] = "rm -rf '";
    const size_t k = sizeof kRemove - 1;
    size_t n = cmd ? strlen(cmd) : 0;
    if (n > k + 1 && strncmp(cmd, kRemove, k) == 0 && cmd[n - 1] == '\'') {
        std::error_code ec;
        std::filesystem::remove_all(std::string(cmd + k, n - k - 1), ec);
        return ec ? -1 : 0;
    }
    return system(cmd);
}
#define system posix_shim_system
