// SPDX-License-Identifier: Zlib
// driver_internal.h - the platform layer over SDL 1.2: window and OpenGL context, input translation.
// The framework and its tests include it; programs see only app/driver.h. Not installed.
//
//   driver_init();            // SDL, joysticks, sound engine
//   if (!video_reset()) ...;  // (re)open the window, graphics context and font table, fit the view
//   Event e; while (driver_poll(e)) game_event(game, e);
//   driver_quit();
#pragma once
#include <cstdint>
#include "app/driver.h"
#include "app/event.h"
#include "util/zev_var.h"

struct SDL_Surface;
union SDL_Event;

// The platform record: one instance, created at start-up, freed at shutdown (SDL_main does both).
struct Driver {
    int32_t width;       // window size in pixels, 0 until a mode is set
    int32_t height;      // window height in pixels, 0 until a mode is set
    float aspect;        // width / height (integer quotient) once a mode is set; 1.0 before
    const char *name;    // application name; names the per-user directory
    char title[256];     // window caption
    int32_t tick_rate;   // ticks per second for the tick timer
    var data;            // the parsed data.json (app/files.h data_catalogue)
};

extern Driver *driver;   // null outside driver_init() .. driver_quit()

void driver_init();
void driver_quit();
SDL_Surface *_try_init_video(int32_t w, int32_t h);
void init_video();
// False when no window could be opened: the graphics context and the font table are then gone and
// nothing may draw; the caller stops the program (app.cpp game_event).
[[nodiscard]] bool video_reset();
void view_fit();   // the view scale for the window (driver->width, height): gfx_fit_scale
int32_t driver_poll(Event &e);     // 0 when the queue is empty, else 1 with e filled (maybe type 0)
// One file per flavour of SDL gives the key table, the key details, the display's information and
// the window's caption: SDL 1.2 itself (platform/desktop/driver_sdl12.cpp) and emscripten's SDL, whose key
// values differ (platform/web/driver_web.cpp).
int32_t driver_key(int32_t sym);   // SDL key value -> KEY_* code (0 when not in the table)
// Fills key, sym and unicode of e from a key event (type and modifiers are set already). unicode is
// the character the key produced, 0 for a key without one. A key-down the platform repeated by
// itself (a browser repeats a held key; SDL 1.2 only when key repeat is on) becomes type 0.
void driver_key_fill(const SDL_Event &ev, Event &e);
// The display as SDL reports it, for the start-up lines; false when it reports nothing.
struct DisplayInfo {
    int32_t bits_per_pixel;   // of the display's current format, 0 when unknown
    int32_t width, height;    // its current size in pixels
};
[[nodiscard]] bool driver_display_info(DisplayInfo &info);
// Names the window in the system's title bar and task list. In a browser the page owns its tab's
// title (the game's name, not the title line): nothing is changed there.
void driver_set_caption(const char *title);
// The translation driver_poll applies to one SDL event (e is cleared first). Touches nothing but
// joy_axes, so tests can feed it hand-made SDL_Event records.
void driver_translate(const SDL_Event &ev, Event &e);

// Last value of every joystick axis (joysticks 0..255, axes 0..7), zero-filled on the first axis event.
enum { JOY_MAX = 256, JOY_AXES = 8 };
extern int32_t joy_axes[JOY_MAX][JOY_AXES];
