// SPDX-License-Identifier: Zlib
// platform_posix.cpp - the pieces of app/platform.h that every POSIX system does alike (Linux and
// the browser's file system): the per-user base folder, full paths, making folders, and no socket start-up.
#include "app/platform.h"

#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>

// $APPDATA when APPDATA is set, else $XDG_DATA_HOME, else $HOME/.local/share (in a page HOME is
// emscripten's /home/web_user).
std::string platform_user_base() {
    const char *appdata = getenv("APPDATA");
    const char *xdg = getenv("XDG_DATA_HOME");
    const char *home = getenv("HOME");
    if (appdata && *appdata) return appdata;
    if (xdg && *xdg) return xdg;
    return std::string(home && *home ? home : ".") + "/.local/share";
}

// The working folder and the path, a leading "./" dropped.
std::string platform_full_path(const char *path) {
    if (!path || path[0] == '/') return path ? path : "";
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return path;
    while (path[0] == '.' && path[1] == '/') path += 2;
    return std::string(cwd) + (*path ? "/" : "") + path;
}

void platform_make_dirs(const char *path) {
    char buf[512];
    snprintf(buf, sizeof buf, "%s", path);
    for (char *p = buf + 1; *p; p++) {
        if (*p != '/') continue;
        *p = 0;
        mkdir(buf, 0755);
        *p = '/';
    }
    mkdir(buf, 0755);
}

// No socket is ever opened, and POSIX sockets need no start-up.
bool platform_net_start() { return true; }
void platform_net_stop() {}
