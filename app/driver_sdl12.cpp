// driver_sdl12.cpp - the parts of the platform layer that depend on the flavour of SDL, for SDL 1.2
// itself (Linux, Windows): the key table, whose key values and characters are the ones it was
// written for (SDL repeats keys only when asked to), and the display's information.
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

bool driver_display_info(DisplayInfo &info) {
    const SDL_VideoInfo *v = SDL_GetVideoInfo();
    if (!v) return false;
    info.bits_per_pixel = v->vfmt ? v->vfmt->BitsPerPixel : 0;
    info.width = v->current_w;
    info.height = v->current_h;
    return true;
}
