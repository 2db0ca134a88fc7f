// SPDX-License-Identifier: Zlib
// driver_web.cpp - the parts of the platform layer that depend on the flavour of SDL, for
// emscripten's SDL in a browser: the key table, the display's information and the caption (none).
//
// Emscripten's key values are SDL 2's: keys
// without a character are a scan code with bit 10 set (right arrow is 1103, not SDL 1.2's 275)
// and the keypad runs 1 to 9, then 0. The browser's own key numbers show through for keys
// emscripten has no name for: Chromium's minus key arrives as 189.
//
// Two more things differ from SDL 1.2 and are made the same here: a key without a character
// reports its key value as the character (so unicode is cleared for those), and the browser
// repeats a held key whatever SDL_EnableKeyRepeat asked (emscripten ignores it): a key-down for a
// key that is already down is dropped as type 0, as SDL 1.2 with key repeat off does.
#include "app/driver_internal.h"

#include <SDL.h>
#include "app/driver_keys.h"
#include <emscripten.h>

namespace {
const int32_t kNoChar = SDLK_SCANCODE_MASK;   // set in the value of every key without a character
const int32_t kBrowserMinus = 189;            // Chromium's and WebKit's number for the minus key
const int32_t kHeldMax = 2 * SDLK_SCANCODE_MASK;
bool s_held[kHeldMax];                        // keys down now, by key value
}  // namespace

int32_t driver_key(int32_t sym) {
    if (sym >= SDLK_a && sym <= SDLK_z) return KEY_A + (sym - SDLK_a);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return KEY_F1 + (sym - SDLK_F1);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return KEY_0 + 1 + (sym - SDLK_KP_1);
    if (sym == SDLK_KP_0) return KEY_0;
    if (sym == kBrowserMinus) return KEY_MINUS;
    return driver_key_named(sym);
}

void driver_key_fill(const SDL_Event &ev, Event &e) {
    int32_t sym = ev.key.keysym.sym;
    e.sym = sym;
    e.key = driver_key(sym);
    int32_t ch = (int32_t)ev.key.keysym.unicode;
    e.unicode = (sym & kNoChar) && ch == sym ? 0 : ch;
    if (sym < 0 || sym >= kHeldMax) return;
    if (ev.type == SDL_KEYUP) {
        s_held[sym] = false;
    } else if (s_held[sym]) {
        e.type = 0;   // the browser's own repeat
    } else {
        s_held[sym] = true;
    }
}

// Emscripten's SDL_GetVideoInfo fills in only the size (its pixel format is left unset and the
// record is never freed): the canvas is asked directly. WebGL draws 8-bit RGBA.
bool driver_display_info(DisplayInfo &info) {
    info.bits_per_pixel = 32;
    info.width = EM_ASM_INT({ return Module.canvas ? Module.canvas.width : 0; });
    info.height = EM_ASM_INT({ return Module.canvas ? Module.canvas.height : 0; });
    return true;
}

// emscripten's SDL_WM_SetCaption writes document.title: the tab would read the game's whole title
// line instead of the page's "Glitz Fall".
void driver_set_caption(const char *) {}
