// platform_web.cpp - the platform calls of app/platform.h in a browser (emscripten). Files live in
// the page's own file system (in memory, gone with the page): the data packed with the game in
// /data, the per-user folder under /home/web_user, emscripten's home for the page's user. The page
// may put a settings.dat there before the game starts (Module.preRun); the game only reads it.
// The page may also ask how often the sound engine has mixed (Module._glitz_audio_callbacks()).
#include "app/platform.h"

#include <emscripten.h>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include "sound/sound_layer.h"

static const char kHome[] = "/home/web_user";   // emscripten's HOME in a page

// The page's canvas is no display server's window: nothing to hold while it is re-created.
void platform_display_hold() {}
void platform_display_release() {}

// The game is no file of the page's file system: there is no folder of its own.
std::string platform_program_dir() { return std::string(); }

// As on Linux: $APPDATA, else $XDG_DATA_HOME, else $HOME/.local/share. In a page only HOME is
// set, to /home/web_user, emscripten's home for the page's user.
std::string platform_user_base() {
    const char *appdata = getenv("APPDATA");
    const char *xdg = getenv("XDG_DATA_HOME");
    const char *home = getenv("HOME");
    if (appdata && *appdata) return appdata;
    if (xdg && *xdg) return xdg;
    return std::string(home && *home ? home : kHome) + "/.local/share";
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

// No socket is ever opened; a page has no socket layer to start.
bool platform_net_start() { return true; }
void platform_net_stop() {}

// Audio callbacks so far, -1 without a sound device (before start-up, after shutdown, no audio).
extern "C" EMSCRIPTEN_KEEPALIVE double glitz_audio_callbacks() {
    if (!sound_layer || !sound_layer->engine) return -1;
    return (double)sound_layer->engine->callbacks();
}
