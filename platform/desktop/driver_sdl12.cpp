// SPDX-License-Identifier: Zlib
// driver_sdl12.cpp - the parts of the platform layer that depend on the flavour of SDL, for SDL 1.2
// itself (Linux, Windows): the key table, whose key values and characters are the ones it was
// written for (SDL repeats keys only when asked to), the display's information and the caption.
#include "app/driver_internal.h"

#include <SDL.h>
#include "app/driver_keys.h"

int32_t driver_key(int32_t sym) {
    if (sym >= SDLK_a && sym <= SDLK_z) return KEY_A + (sym - SDLK_a);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return KEY_F1 + (sym - SDLK_F1);
    if (sym >= SDLK_KP0 && sym <= SDLK_KP9) return KEY_0 + (sym - SDLK_KP0);
    return driver_key_named(sym);
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

void driver_set_caption(const char *title) { SDL_WM_SetCaption(title, title); }
