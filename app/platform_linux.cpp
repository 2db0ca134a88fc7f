// platform_linux.cpp - the platform pieces for Linux with an X11 display (app/platform.h).
#include "app/platform.h"

#include <X11/Xlib.h>

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
