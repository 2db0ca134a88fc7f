// SPDX-License-Identifier: Zlib
// platform.h - the pieces of the application shell that differ between platforms.
//
// One implementation file per platform, picked by the build (cmake/platform_<name>.cmake):
// app/platform_linux.cpp for Linux with X11, app/platform_windows.cpp for Windows,
// app/platform_web.cpp for a browser (emscripten); Linux and the browser share the folder and
// socket pieces in app/platform_posix.cpp. Callers include this header only and never test which
// platform they are on.
//
//   platform_display_hold();                       // before the window is (re)opened: the attempts
//   ... _try_init_video(...) ...                   // may close and reopen SDL's own display
//   platform_display_release();                    // connection in between
//
//   std::string dir = platform_program_dir();      // folder of the running program ("" unknown)
//   std::string base = platform_user_base();       // the folder the per-user folder goes into
//   platform_make_dirs(path);                       // a folder with its missing parents
//   if (platform_net_start()) { ...; platform_net_stop(); }
//   if (platform_frame_hold()) ticks_restart();    // each frame: the host may have paused it
//
// Main thread only, like every SDL call.
#pragma once
#include <string>

// Keeps the display server's client count above zero while SDL's own connection is closed and
// reopened between window attempts. An X server that resets when its last client leaves would
// otherwise reset in that gap and serve the next attempt a half-reset screen. Calls nest: each hold
// needs its release. Harmless where the server does not reset; nothing is held without a display.
// On Windows there is no display server to hold: both do nothing.
void platform_display_hold();
void platform_display_release();

// The folder of the running executable without a trailing separator, "" when it cannot be found.
std::string platform_program_dir();

// Where the per-user folder is made: $APPDATA when set, else the system's own place for a user's
// program data (Linux: $XDG_DATA_HOME or ~/.local/share; Windows: the working folder).
std::string platform_user_base();

// Creates path and any missing parent; failures (mostly "exists already") are not reported.
void platform_make_dirs(const char *path);

// Holds the frame loop while the host has paused the program and returns whether it held, so the
// caller starts its tick clock afresh instead of catching up the time it was held. The browser's
// page pauses the game while its tab is hidden and until a click or key brings it back
// (Module.glitzPaused); the desktop has no such pause and returns false at once.
bool platform_frame_hold();

// The socket layer: started for Windows Sockets 1.1, cleaned up once if it started. On systems
// without such a start-up step it counts as started. Failures print one line on stderr.
bool platform_net_start();
void platform_net_stop();
