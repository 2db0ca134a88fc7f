// SPDX-License-Identifier: Zlib
// driver_keys.h - the keys both SDL flavours name alike (arrows, editing keys, Enter, + and -), as
// one switch for platform/desktop/driver_sdl12.cpp and platform/web/driver_web.cpp. Each includes it after its own
// <SDL.h>, so the same names stand for that SDL's key values. Internal to those two files.
#pragma once
#include <SDL.h>
#include "app/event.h"

// The KEY_ code of a named key, 0 for any other value.
static inline int32_t driver_key_named(int32_t sym) {
    switch (sym) {
    case SDLK_UP: return KEY_UP;
    case SDLK_RIGHT: return KEY_RIGHT;
    case SDLK_DOWN: return KEY_DOWN;
    case SDLK_LEFT: return KEY_LEFT;
    case SDLK_ESCAPE: return KEY_ESCAPE;
    case SDLK_BACKSPACE: return KEY_BACKSPACE;
    case SDLK_DELETE: return KEY_DELETE;
    case SDLK_RETURN: case SDLK_KP_ENTER: return KEY_ENTER;
    case SDLK_HOME: return KEY_HOME;
    case SDLK_END: return KEY_END;
    case SDLK_TAB: return KEY_TAB;
    case SDLK_PLUS: return KEY_PLUS;
    case SDLK_MINUS: return KEY_MINUS;
    default: return 0;
    }
}
