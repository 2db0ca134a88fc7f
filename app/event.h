// SPDX-License-Identifier: Zlib
// event.h - the application's input record and its codes.
//
// Every platform event is translated by driver_poll() (app/driver.h) into one Event: the dispatcher
// game_event() (app/app.h) hands it by value to the current state, and containers pass it by pointer
// to their widgets. A new Event has its type and every other field 0.
#pragma once
#include <cstdint>

// Event types.
enum {
    EV_NONE      = 0,   // platform event without a translation
    EV_QUIT      = 1,   // the window's close request
    EV_CLOSE     = 2,   // made by the dispatcher for the quit chord
    EV_RESET     = 5,   // made by the dispatcher for the screen chord
    EV_KEYDOWN   = 6,
    EV_KEYUP     = 7,
    EV_MOUSEDOWN = 8,
    EV_MOUSEMOVE = 9,
    EV_MOUSEUP   = 10,
    EV_WHEEL     = 11,  // mouse buttons 4 (rel.y -1) and 5 (rel.y +1)
    EV_JOYAXIS   = 14,
    EV_JOYDOWN   = 15,
    EV_JOYUP     = 16,
    EV_FOCUS     = 17,  // 17..21: made by GUI containers
    EV_BLUR      = 18,
    EV_HOVER     = 19,
    EV_UNHOVER   = 20,
    EV_CLICK     = 21,
    EV_ACTIVE    = 22,  // focus or visibility change of the application
};

// Key codes (driver_key); every key not listed is 0.
enum {
    KEY_UP = 1, KEY_RIGHT = 2, KEY_DOWN = 3, KEY_LEFT = 4,
    KEY_ESCAPE = 5, KEY_BACKSPACE = 6, KEY_DELETE = 7, KEY_ENTER = 8, KEY_HOME = 9, KEY_END = 10,
    KEY_F1 = 14, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8, KEY_F9, KEY_F10, KEY_F11, KEY_F12,
    KEY_TAB = 26,
    KEY_0 = 27, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9,   // keypad digits
    KEY_A = 37, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
    KEY_PLUS = 73, KEY_MINUS = 74,
};

// Modifier flags in Event::button of key events.
enum { MOD_SHIFT = 1, MOD_CTRL = 2, MOD_ALT = 4, MOD_META = 8 };

struct Event {
    int32_t type;
    float pos[3];      // mouse position (view units after the dispatcher), joystick deflection
    float rel[3];      // mouse motion; EV_WHEEL: y = -1 up, +1 down
    float size[2];     // never set by the platform layer
    float win_pos[3];  // position in window pixels
    float win_rel[3];  // motion in window pixels
    int32_t button;    // mouse button / held mask, joystick button or stick, key modifiers, focus mask
    int32_t key;       // key code; EV_ACTIVE: the gain
    int32_t unicode;   // character produced by the key, 0 if none
    int32_t reserved;
    int32_t sym;       // the platform's raw key symbol
    int32_t code;      // 1 on EV_ACTIVE
    int32_t device;    // mouse or joystick index
};
static_assert(sizeof(Event) == 88, "Event is 22 words");

// A new event of the given type with every other field 0.
inline Event event_make(int32_t type) { Event e{}; e.type = type; return e; }
