// keys_sdl12.cpp - the key table for SDL 1.2 (Linux, Windows): its key values and characters are
// the ones the table was written for, and SDL repeats keys only when asked to.
#include "app/driver.h"

#include <SDL.h>

int32_t driver_key(int32_t sym) {
    if (sym >= SDLK_a && sym <= SDLK_z) return KEY_A + (sym - SDLK_a);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return KEY_F1 + (sym - SDLK_F1);
    if (sym >= SDLK_KP0 && sym <= SDLK_KP9) return KEY_0 + (sym - SDLK_KP0);
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

void driver_key_fill(const SDL_Event &ev, Event &e) {
    e.sym = ev.key.keysym.sym;
    e.key = driver_key(ev.key.keysym.sym);
    e.unicode = ev.key.keysym.unicode;
}
