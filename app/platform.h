// platform.h - the pieces of the application shell that differ between platforms.
//
// One implementation file per platform, picked by the build (CMakeLists.txt): app/platform_linux.cpp
// for Linux with X11. Callers include this header only and never test which platform they are on.
//
//   platform_display_hold();      // before the window is (re)opened: the attempts may close
//   ... _try_init_video(...) ...  // and reopen SDL's own display connection in between
//   platform_display_release();   // once the window is there (or the attempts gave up)
//
// Main thread only, like every SDL call.
#pragma once

// Keeps the display server's client count above zero while SDL's own connection is closed and
// reopened between window attempts. An X server that resets when its last client leaves would
// otherwise reset in that gap and serve the next attempt a half-reset screen. Calls nest: each hold
// needs its release. Harmless where the server does not reset; nothing is held without a display.
void platform_display_hold();
void platform_display_release();
