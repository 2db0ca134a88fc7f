// SPDX-License-Identifier: Zlib
// event.h - the application's input record and its codes.
//
// Every platform event is translated by driver_poll() (app/driver.h) into one Event: the dispatcher
// game_event() (app/app.h) hands it by value to the current state, and containers pass it by pointer
// to their widgets. A new Event has its type and every other field 0.
#pragma once
#include <cstdint>

// Event types (Event::type).
enum {
    EV_NONE      = 0,   // platform event without a translation
    EV_QUIT      = 1,   // the window's close request
    EV_CLOSE     = 2,   // made by the dispatcher for the quit chord (Ctrl, Alt or Meta + Q), then quit
    EV_RESET     = 5,   // the screen chord (Ctrl, Alt or Meta + F): video reset, state entered again
    EV_KEYDOWN   = 6,   // a key pressed: key, sym, unicode, button = modifiers
    EV_KEYUP     = 7,   // a key released
    EV_MOUSEDOWN = 8,   // a mouse button pressed: button 1 left, 2 middle, 3 right; pos
    EV_MOUSEMOVE = 9,   // the mouse moved: pos, rel, button = mask of held buttons
    EV_MOUSEUP   = 10,  // a mouse button released
    EV_WHEEL     = 11,  // mouse buttons 4 (rel.y -1) and 5 (rel.y +1)
    EV_JOYAXIS   = 14,  // a stick moved: device, button = stick, pos = its x, y deflection -1..1
    EV_JOYDOWN   = 15,  // a joystick button pressed: device, button
    EV_JOYUP     = 16,  // a joystick button released
    EV_FOCUS     = 17,  // 17..21: made by GUI containers for their children; the child got the focus
    EV_BLUR      = 18,  // the child lost the focus
    EV_HOVER     = 19,  // the pointer came over the child
    EV_UNHOVER   = 20,  // the pointer left the child
    EV_CLICK     = 21,  // press and release on the same focused child
    EV_ACTIVE    = 22,  // focus or visibility change of the application
};

// Key codes (Event::key, the index of keys[] in app/app.h): the arrows, editing keys, F1..F12,
// keypad digits KEY_0..KEY_9 and letters KEY_A..KEY_Z in order. Every key not listed is 0; its
// platform symbol is still in Event::sym.
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

// One input event, as State::event() and Widget::on_event() receive it. Fields a type does not
// name are 0.
struct Event {
    int32_t type;      // EV_* (0: nothing to do)
    float pos[3];      // mouse position in canvas units (x, y), joystick deflection (x, y, -1..1)
    float rel[3];      // mouse motion in canvas units; EV_WHEEL: y = -1 up, +1 down
    float size[2];     // never set by the platform layer
    float win_pos[3];  // position in window pixels
    float win_rel[3];  // motion in window pixels
    int32_t button;    // mouse button / held mask, joystick button or stick, key modifiers, focus mask
    int32_t key;       // key code (KEY_*, 0 for keys without one); EV_ACTIVE: nonzero on a gain
    int32_t unicode;   // character produced by the key (Latin-1), 0 if none
    int32_t reserved;  // 0
    int32_t sym;       // the platform's raw key symbol (SDLKey)
    int32_t code;      // 1 on EV_ACTIVE
    int32_t device;    // mouse or joystick index
};
static_assert(sizeof(Event) == 88, "Event is 22 words");

// A new event of the given type with every other field 0.
inline Event event_make(int32_t type) { Event e{}; e.type = type; return e; }
