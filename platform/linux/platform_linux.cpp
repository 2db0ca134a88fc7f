// SPDX-License-Identifier: Zlib
// platform_linux.cpp - the platform pieces for Linux with an X11 display (app/platform.h); the
// folders and sockets are in platform/posix/platform_posix.cpp.
#include "app/platform.h"

#include <X11/Xlib.h>
#include <unistd.h>
#include <climits>
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

// A window out of sight keeps running on the desktop, as it always has.
bool platform_frame_hold() { return false; }

std::string platform_program_dir() {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return std::string();
    exe[n] = 0;
    char *slash = strrchr(exe, '/');
    if (!slash) return std::string();
    return std::string(exe, slash);
}

// The window manager owns the close keys and sends the close request itself.
bool platform_close_chord(int, int) { return false; }

// The streams stay where the caller sent them.
void platform_diagnostics_keep(const char *) {}

// The lines on stderr tell the player; X has no standard message box of its own.
void platform_alert(const char *, const char *) {}
