// SPDX-License-Identifier: Zlib
// driver.cpp - the platform layer: SDL start and stop, joysticks, the window and its fallbacks.
#include "app/driver_internal.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "app/files_internal.h"
#include "app/platform.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"
#include "app/clipboard_internal.h"
#include "sound/sound_layer.h"
#include "util/log.h"

void driver_init() {
    driver = new Driver();  // zero-filled
    driver->aspect = 1.0f;
    driver->data = var();
    SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO);  // a failure shows up later as "no window"
    const SDL_version *v = SDL_Linked_Version();
    glitz_info_to(stdout, "SDL Runtime Version: %u.%u.%u\n", v->major, v->minor, v->patch);
    glitz_info_to(stdout, "SDL Compile Version: %u.%u.%u\n", 1, 2, 15);
    glitz_info_to(stdout, "SDL_BYTEORDER == SDL_LIL_ENDIAN\n");
    glitz_info_to(stdout, "data folder: %s\n", data_dir());
    fflush(stdout);

    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    glitz_info("== joystick init.............\n");
    SDL_JoystickEventState(SDL_ENABLE);
    for (int i = 0; i < SDL_NumJoysticks(); i++) {
        glitz_info("opening joystick : %d\n", i);
        SDL_JoystickOpen(i);  // stays open until SDL_Quit
    }
    sound_init();
}

void driver_quit() {
    sound_quit();
    SDL_Quit();
    delete driver;  // releases the parsed catalogue with it
    driver = nullptr;
}

SDL_Surface *_try_init_video(int32_t w, int32_t h) {
    glitz_info("_try_init_video(%d,%d,%d)\n", w, h, 0);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // A busy X server now and then refuses a connection: try a few times before giving up.
    int video = -1;
    for (int attempt = 0; attempt < 5 && video != 0; attempt++) {
        if (attempt) SDL_Delay(20);
        video = SDL_InitSubSystem(SDL_INIT_VIDEO);
    }
    if (video != 0) {
        // SDL's GL calls crash without a video device: this attempt fails here.
        fprintf(stderr, "video init failed: %s\n", SDL_GetError());
        glitz_info("res: %d\n", 0);
        return nullptr;
    }
    SDL_EnableUNICODE(1);
    SDL_EnableKeyRepeat(500, 30);
    if (driver && driver->title[0]) driver_set_caption(driver->title);
    DisplayInfo info{};
    glitz_info("VideoInfo->vfmt->BitsPerPixel:%d\n", driver_display_info(info) ? info.bits_per_pixel : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Surface *s = SDL_SetVideoMode(w, h, 0, SDL_OPENGL);
    glitz_info("res: %d\n", s ? 1 : 0);
    if (s) {
        static const struct { SDL_GLattr attr; const char *fmt; } attrs[] = {
            {SDL_GL_RED_SIZE, "GL_RED_SIZE:%d\n"},       {SDL_GL_GREEN_SIZE, "GL_GREEN_SIZE:%d\n"},
            {SDL_GL_BLUE_SIZE, "GL_BLUE_SIZE:%d\n"},     {SDL_GL_ALPHA_SIZE, "GL_ALPHA_SIZE:%d\n"},
            {SDL_GL_DEPTH_SIZE, "GL_DEPTH_SIZE:%d\n"},   {SDL_GL_BUFFER_SIZE, "GL_BUFFER_SIZE:%d\n"},
            {SDL_GL_DOUBLEBUFFER, "GL_DOUBLEBUFFER:%d\n"}, {SDL_GL_STENCIL_SIZE, "GL_STENCIL_SIZE:%d\n"},
        };
        for (const auto &a : attrs) {
            int value = 0;
            SDL_GL_GetAttribute(a.attr, &value);
            glitz_info(a.fmt, value);
        }
    }
    return s;
}

// Takes the surface's size as the window size and prints it.
static void video_size(SDL_Surface *s) {
    driver->width = s->w;
    driver->height = s->h;
    gfx_set_window(s->w, s->h);   // a live context follows the window (none during a video reset)
    driver->aspect = s->h ? (float)(s->w / s->h) : 1.0f;
    glitz_info("res: %d x %d\n", driver->width, driver->height);
    DisplayInfo info{};
    if (driver_display_info(info)) glitz_info("vinfo: %d x %d\n", info.width, info.height);
}

// The fallback sequence; init_video keeps the display server from resetting while it runs.
static void init_video_attempts() {
    glitz_info("init_video: %d %d %d %d %d %d %d\n", 1024, 768, 640, 480, 480, 320, 0);
    int32_t w = 1024, h = 768;
    SDL_Surface *s = _try_init_video(w, h);
    if (!s) {
        fprintf(stderr, "trying at default res ...\n");
        w = 640, h = 480;
        s = _try_init_video(w, h);
    }
    if (!s) {
        fprintf(stderr, "trying w/o fullscreen ...\n");
        s = _try_init_video(w, h);
    }
    if (!s) return;
    if (s->w < 480 || s->h < 320) {
        fprintf(stderr, "trying at minimum-sized windowed ...\n");
        w = 480, h = 320;
        s = _try_init_video(w, h);
        if (!s) return;
    }
    video_size(s);
    if (s->w != w || s->h != h) {
        int32_t sw = s->w, sh = s->h;
        if (SDL_Surface *again = _try_init_video(sw, sh)) video_size(again);
    }
}

void init_video() {
    // Every attempt closes SDL's display connection before opening a new one: with no other client
    // an X server that resets when its last client leaves (Xvfb's default) would reset in between
    // and hand the next attempt an 8-bit screen that no OpenGL mode fits.
    platform_display_hold();
    init_video_attempts();
    platform_display_release();
}

static std::vector<std::string> &decode_ahead_names() {
    static std::vector<std::string> names;
    return names;
}

void video_decode_ahead(const char *name) {
    if (name) decode_ahead_names().push_back(name);
}

bool video_reset() {
    clipboard_window_closing();   // whether our copy is still the selection, while the old window can tell
    if (font_table) {
        font_table_destroy();
        font_table = nullptr;
    }
    if (gfx) {
        gfx_destroy();
        gfx = nullptr;
    }
    // The pictures decode while the window opens. Their file names come from the catalogue read
    // ahead without a word; gfx_init's data_catalogue() takes that parse and prints its lines, so
    // the messages keep their place after the window's.
    if (!decode_ahead_names().empty()) {
        var &ahead = data_catalogue_ahead();
        for (const std::string &name : decode_ahead_names())
            gfx_tex_decode_ahead(ahead, data_dir(), name.c_str());
    }
    init_video();
    if (!SDL_GetVideoSurface()) {
        // Nothing below can work without a window and its OpenGL context: the caller stops.
        fprintf(stderr, "no window could be opened (%s); quitting\n", SDL_GetError());
        return false;
    }
    gfx_init(data_catalogue(), data_dir());   // takes the window's size from the video surface
    if (gfx) {
        gfx->view_w = 1024;
        gfx->view_h = 768;
        gfx->view_rot = 0;
    }
    font_table_create(data_catalogue(), data_dir());
    view_fit();
    clipboard_window_changed();   // a copy made before survives the new window
    return true;
}

void view_fit() {
    if (!gfx || !driver) return;
    float scale = gfx_fit_scale(driver->width, driver->height, gfx->view_w, gfx->view_h, gfx->view_rot);
    if (scale > 0) gfx->view_scale = scale;
}
