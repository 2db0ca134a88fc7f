// SPDX-License-Identifier: Zlib
// The key table and key events of emscripten's SDL, with the values a browser really delivers.
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstring>
#include "app/driver_internal.h"
#include "test_program_support.h"

namespace {
Event key(decltype(SDL_Event::type) type, int sym, int unicode) {
    Event e;
    memset(&e, 0x55, sizeof e);
    driver_translate(sdl_key_event(type, (SDLKey)sym, 0, (Uint16)unicode), e);
    return e;
}
}  // namespace

TEST(KeysWeb, BrowserValuesGiveTheDesktopsCodesAndCharacters) {
    // Arrows are scan codes with bit 10 set: right is 1103, not SDL 1.2's 275.
    EXPECT_EQ(driver_key(1103), KEY_RIGHT);
    EXPECT_EQ(driver_key(1104), KEY_LEFT);
    // The keypad runs 1 to 9, then 0; Chromium's minus key comes as its own number.
    EXPECT_EQ(driver_key(1113), KEY_0 + 1);
    EXPECT_EQ(driver_key(1122), KEY_0);
    EXPECT_EQ(driver_key(189), KEY_MINUS);
    // A key without a character reports its own value as the character: cleared.
    Event e = key(SDL_KEYDOWN, 1103, 1103);
    EXPECT_EQ(e.type, EV_KEYDOWN);
    EXPECT_EQ(e.key, KEY_RIGHT);
    EXPECT_EQ(e.sym, 1103);
    EXPECT_EQ(e.unicode, 0);
    // A keypad digit keeps the character the browser's key press gave it.
    EXPECT_EQ(key(SDL_KEYDOWN, 1117, '5').unicode, '5');
    key(SDL_KEYUP, 1117, '5');
    key(SDL_KEYUP, 1103, 1103);
}

TEST(KeysWeb, TheBrowsersOwnRepeatsAreDropped) {
    // Held: the browser sends key-down again and again; only the first one counts.
    EXPECT_EQ(key(SDL_KEYDOWN, 'a', 'a').type, EV_KEYDOWN);
    Event repeat = key(SDL_KEYDOWN, 'a', 'a');
    EXPECT_EQ(repeat.type, 0);
    EXPECT_EQ(repeat.key, KEY_A);   // the rest of the record is filled as for any key
    // Another key meanwhile is its own.
    EXPECT_EQ(key(SDL_KEYDOWN, 1103, 1103).type, EV_KEYDOWN);
    // Released and pressed again: a new key-down.
    EXPECT_EQ(key(SDL_KEYUP, 'a', 'a').type, EV_KEYUP);
    EXPECT_EQ(key(SDL_KEYDOWN, 'a', 'a').type, EV_KEYDOWN);
    key(SDL_KEYUP, 'a', 'a');
    key(SDL_KEYUP, 1103, 1103);
    // Values outside any table are translated and never held.
    EXPECT_EQ(key(SDL_KEYDOWN, 100000, 0).type, EV_KEYDOWN);
    EXPECT_EQ(key(SDL_KEYDOWN, 100000, 0).type, EV_KEYDOWN);
}
