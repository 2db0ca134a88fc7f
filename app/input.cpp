// SPDX-License-Identifier: Zlib
// input.cpp - SDL events to Event records: types, modifiers, mouse, wheel, joysticks. The key
// table is one file per flavour of SDL (platform/desktop/driver_sdl12.cpp, platform/web/driver_web.cpp).
#include "app/driver_internal.h"
#include "app/platform.h"

#include <SDL.h>
#include <cstring>

// The platform record lives here, apart from the video code, so that the file layer and the
// asset caches link without the graphics and sound modules.
Driver *driver = nullptr;

int32_t joy_axes[JOY_MAX][JOY_AXES];
static bool joy_axes_ready = false;  // the table is zero-filled on the first axis event

static int32_t key_mods(int mod) {
    int32_t m = 0;
    if (mod & KMOD_SHIFT) m |= MOD_SHIFT;
    if (mod & KMOD_CTRL) m |= MOD_CTRL;
    if (mod & KMOD_ALT) m |= MOD_ALT;
    if (mod & KMOD_META) m |= MOD_META;
    return m;
}

void driver_translate(const SDL_Event &ev, Event &e) {
    e = event_make(0);
    switch (ev.type) {
    case SDL_ACTIVEEVENT:
        e.type = EV_ACTIVE;
        e.code = 1;
        e.key = ev.active.gain;
        e.button = ev.active.state;
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        e.type = ev.type == SDL_KEYDOWN ? EV_KEYDOWN : EV_KEYUP;
        e.button = key_mods(ev.key.keysym.mod);
        driver_key_fill(ev, e);   // key, sym and unicode: the platform's SDL says them its own way
        // The system's close chord (Windows: Alt+F4) is the window's close request, as the
        // system would have made it of the key; its release is dropped with it.
        if (platform_close_chord(e.key, e.button)) {
            e = event_make(ev.type == SDL_KEYDOWN ? EV_QUIT : 0);
        }
        break;
    case SDL_MOUSEMOTION:
        e.type = EV_MOUSEMOVE;
        e.win_pos[0] = ev.motion.x;
        e.win_pos[1] = ev.motion.y;
        e.win_rel[0] = ev.motion.xrel;
        e.win_rel[1] = ev.motion.yrel;
        e.button = ev.motion.state;
        e.device = ev.motion.which;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = ev.type == SDL_MOUSEBUTTONDOWN;
        int b = ev.button.button;
        e.win_pos[0] = ev.button.x;
        e.win_pos[1] = ev.button.y;
        e.button = b;
        e.device = ev.button.which;
        if (b == SDL_BUTTON_WHEELUP || b == SDL_BUTTON_WHEELDOWN) {
            // A wheel step: the press is the event, its release is dropped (type 0).
            if (down) {
                e.type = EV_WHEEL;
                e.win_rel[1] = b == SDL_BUTTON_WHEELUP ? -1.0f : 1.0f;
            }
        } else {
            e.type = down ? EV_MOUSEDOWN : EV_MOUSEUP;
        }
        break;
    }
    case SDL_JOYAXISMOTION: {
        if (!joy_axes_ready) {
            memset(joy_axes, 0, sizeof joy_axes);
            joy_axes_ready = true;
        }
        int j = ev.jaxis.which, axis = ev.jaxis.axis;
        if (axis >= JOY_AXES || j < 0 || j >= JOY_MAX) break;  // stays type 0, table untouched
        joy_axes[j][axis] = ev.jaxis.value;
        int stick = axis / 2;
        e.type = EV_JOYAXIS;
        e.device = j;
        e.button = stick;
        e.win_pos[0] = joy_axes[j][2 * stick] * (1.0f / 32768.0f);
        e.win_pos[1] = joy_axes[j][2 * stick + 1] * (1.0f / 32768.0f);
        break;
    }
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        e.type = ev.type == SDL_JOYBUTTONDOWN ? EV_JOYDOWN : EV_JOYUP;
        e.device = ev.jbutton.which;
        e.button = ev.jbutton.button;
        break;
    case SDL_QUIT:
        e.type = EV_QUIT;
        break;
    default:  // joystick balls and hats, window manager, resize, expose, user events
        break;
    }
    e.pos[0] = e.win_pos[0];
    e.pos[1] = e.win_pos[1];
    e.rel[0] = e.win_rel[0];
    e.rel[1] = e.win_rel[1];
}

int32_t driver_poll(Event &e) {
    e = event_make(0);
    SDL_Event ev;
    if (!SDL_PollEvent(&ev)) return 0;
    driver_translate(ev, e);
    return 1;
}
