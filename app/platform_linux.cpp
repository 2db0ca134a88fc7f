// platform_linux.cpp - the platform pieces for Linux with an X11 display (app/platform.h).
#include "app/platform.h"

#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static Display *s_display_hold = nullptr;   // our own connection, open while holds are pending
static int s_display_holds = 0;

void platform_display_hold() {
    // XOpenDisplay(nullptr) reads DISPLAY as SDL's X11 driver does; without one there is nothing to
    // hold and SDL's own attempts report the missing display.
    if (s_display_holds++ == 0) s_display_hold = XOpenDisplay(nullptr);
}

void platform_display_release() {
    if (s_display_holds == 0 || --s_display_holds > 0) return;
    if (s_display_hold) XCloseDisplay(s_display_hold);
    s_display_hold = nullptr;
}

std::string platform_program_dir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return std::string();
    exe[n] = 0;
    char *slash = strrchr(exe, '/');
    if (!slash) return std::string();
    return std::string(exe, slash);
}

// $APPDATA when APPDATA is set, else $XDG_DATA_HOME, else ~/.local/share.
std::string platform_user_base() {
    const char *appdata = getenv("APPDATA");
    const char *xdg = getenv("XDG_DATA_HOME");
    const char *home = getenv("HOME");
    if (appdata && *appdata) return appdata;
    if (xdg && *xdg) return xdg;
    return std::string(home && *home ? home : ".") + "/.local/share";
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
