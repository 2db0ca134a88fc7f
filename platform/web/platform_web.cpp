// SPDX-License-Identifier: Zlib
// platform_web.cpp - the platform calls of app/platform.h in a browser (emscripten). Files live in
// the page's own file system (in memory, gone with the page): the data packed with the game in
// /data, the per-user folder under /home/web_user, emscripten's home for the page's user. The page
// may put a settings.dat there before the game starts (Module.preRun); the game only reads it.
// The folders and sockets are in platform/posix/platform_posix.cpp.
// The page pauses the frame loop by setting Module.glitzPaused (platform_frame_hold).
#include "app/platform.h"

#include <SDL.h>
#include <emscripten.h>

namespace {
const uint32_t kPausePollMs = 100;   // how soon a resumed page sees its game move again
}  // namespace

// The page's canvas is no display server's window: nothing to hold while it is re-created.
void platform_display_hold() {}
void platform_display_release() {}

// The game is no file of the page's file system: there is no folder of its own.
std::string platform_program_dir() { return std::string(); }

// The sleep hands control back to the browser (ASYNCIFY), which runs the page's resume.
bool platform_frame_hold() {
    bool held = false;
    while (EM_ASM_INT({ return Module.glitzPaused ? 1 : 0; })) {
        held = true;
        SDL_Delay(kPausePollMs);
    }
    return held;
}

// The browser owns the keys that close its tab or window; the page never closes itself.
bool platform_close_chord(int, int) { return false; }

// The streams stay where the caller sent them.
void platform_diagnostics_keep(const char *) {}

// The page shows the lines on stderr in its console.
void platform_alert(const char *, const char *) {}
