// SPDX-License-Identifier: Zlib
// platform.h - the pieces of the application shell that differ between platforms.
//
// One implementation file per platform, picked by the build (cmake/platform_<name>.cmake):
// platform/linux/platform_linux.cpp for Linux with X11, platform/windows/platform_windows.cpp for Windows,
// platform/web/platform_web.cpp for a browser (emscripten); Linux and the browser share the folder and
// socket pieces in platform/posix/platform_posix.cpp. Callers include this header only and never test which
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
//   if (platform_close_chord(KEY_F4, MOD_ALT)) ...  // the system's own "close this window" keys
//   platform_diagnostics_keep(user_folder);        // at start-up, before the first line is written
//   platform_alert("Game: no data", "...");        // a problem the player must see (Windows)
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

// Whether a key pressed with these modifiers (KEY_ and MOD_ values of app/event.h) is the system's
// own chord for closing the window, which the input layer turns into the close request
// (EV_QUIT). Windows: Alt+F4 (Shift may be held; with Ctrl it is another chord). SDL 1.2 takes the
// key itself there, so the system never sees it. Other systems leave such chords to their window
// manager, which sends the close request itself: always false.
bool platform_close_chord(int key, int mods);

// The full path of a file or folder named relative to the working folder (what a player is told
// to look for); an absolute path as it is. Nothing needs to exist.
std::string platform_full_path(const char *path);

// Windows: the program's entry (SDL's WinMain, platform/windows/main_windows.cpp) sends stdout and stderr to
// stdout.txt and stderr.txt in the program's folder. Where that folder cannot be written (an
// install for all users in Program Files, a read-only share) the entry leaves the stream closed;
// each such stream is reopened as <user_folder>\stdout.txt or stderr.txt, the folder made first.
// A stream that works (a console, a pipe, the files beside the program) is left alone. Other
// systems keep the streams their caller gave: nothing to do.
void platform_diagnostics_keep(const char *user_folder);

// A problem the player has to act on, shown where a player of a windowed program looks: Windows
// shows a message box (and waits for it to be closed) when the program has no console; a console
// program's player reads the lines on stderr, which every caller prints as well. Other systems:
// nothing (the program's lines on stderr say it).
void platform_alert(const char *title, const char *text);
