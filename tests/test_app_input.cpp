// SPDX-License-Identifier: Zlib
// Event translation: every row of the SDL event -> Event table, key codes and modifiers.
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstring>
#include "app/driver_internal.h"
#include "test_program_support.h"

namespace {

SDL_Event mouse_button(decltype(SDL_Event::type) type, Uint8 button, Uint16 x, Uint16 y) {
    SDL_Event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = type;
    ev.button.button = button;
    ev.button.which = 0;
    ev.button.x = x;
    ev.button.y = y;
    return ev;
}

SDL_Event joy_axis(Uint8 which, Uint8 axis, Sint16 value) {
    SDL_Event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = SDL_JOYAXISMOTION;
    ev.jaxis.which = which;
    ev.jaxis.axis = axis;
    ev.jaxis.value = value;
    return ev;
}

Event translate(const SDL_Event &ev) {
    Event e;
    memset(&e, 0x55, sizeof e);  // every field must be written
    driver_translate(ev, e);
    return e;
}

// Fields no row of the table sets stay zero.
void expect_untouched(const Event &e) {
    EXPECT_EQ(e.size[0], 0);
    EXPECT_EQ(e.size[1], 0);
    EXPECT_EQ(e.pos[2], 0);
    EXPECT_EQ(e.rel[2], 0);
    EXPECT_EQ(e.win_pos[2], 0);
    EXPECT_EQ(e.win_rel[2], 0);
    EXPECT_EQ(e.reserved, 0);
}

}  // namespace

TEST(DriverKey, Table) {
    EXPECT_EQ(driver_key(SDLK_UP), KEY_UP);
    EXPECT_EQ(driver_key(SDLK_RIGHT), KEY_RIGHT);
    EXPECT_EQ(driver_key(SDLK_DOWN), KEY_DOWN);
    EXPECT_EQ(driver_key(SDLK_LEFT), KEY_LEFT);
    EXPECT_EQ(driver_key(SDLK_ESCAPE), 5);
    EXPECT_EQ(driver_key(SDLK_BACKSPACE), 6);
    EXPECT_EQ(driver_key(SDLK_DELETE), 7);
    EXPECT_EQ(driver_key(SDLK_RETURN), 8);
    EXPECT_EQ(driver_key(SDLK_KP_ENTER), 8);
    EXPECT_EQ(driver_key(SDLK_HOME), 9);
    EXPECT_EQ(driver_key(SDLK_END), 10);
    for (int i = 0; i < 12; i++) EXPECT_EQ(driver_key(SDLK_F1 + i), 14 + i);
    EXPECT_EQ(driver_key(SDLK_TAB), 26);
    // By name: the keypad's values need not be in digit order (emscripten's run 1 to 9, then 0).
    const int keypad[] = {SDLK_KP0, SDLK_KP1, SDLK_KP2, SDLK_KP3, SDLK_KP4, SDLK_KP5, SDLK_KP6, SDLK_KP7, SDLK_KP8, SDLK_KP9};
    for (int i = 0; i < 10; i++) EXPECT_EQ(driver_key(keypad[i]), 27 + i);
    for (int i = 0; i < 26; i++) EXPECT_EQ(driver_key(SDLK_a + i), 37 + i);
    EXPECT_EQ(driver_key(SDLK_f), 42);
    EXPECT_EQ(driver_key(SDLK_q), 53);
    EXPECT_EQ(driver_key(SDLK_PLUS), 73);
    EXPECT_EQ(driver_key(SDLK_MINUS), 74);
    // Outside the table: main-row digits, space, paging, insert, modifiers, anything odd.
    for (int sym : {(int)SDLK_5, (int)SDLK_SPACE, (int)SDLK_PAGEUP, (int)SDLK_PAGEDOWN, (int)SDLK_INSERT,
                    (int)SDLK_LSHIFT, (int)SDLK_F13, (int)SDLK_KP_PLUS, (int)'A', -1, 100000})
        EXPECT_EQ(driver_key(sym), 0) << sym;
}

TEST(DriverTranslate, Keys) {
    Event e = translate(sdl_key_event(SDL_KEYDOWN, SDLK_a, KMOD_LSHIFT, 'A'));
    EXPECT_EQ(e.type, EV_KEYDOWN);
    EXPECT_EQ(e.key, 37);
    EXPECT_EQ(e.unicode, 'A');
    EXPECT_EQ(e.button, MOD_SHIFT);
    EXPECT_EQ(e.sym, SDLK_a);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(e.device, 0);
    EXPECT_EQ(e.pos[0], 0);
    expect_untouched(e);

    e = translate(sdl_key_event(SDL_KEYUP, SDLK_5, 0, '5'));
    EXPECT_EQ(e.type, EV_KEYUP);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(e.unicode, '5');
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_KP5, 0, '5')).key, 32);

    // Each side of each modifier gives its flag; lock keys give none.
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_RSHIFT, 0)).button, MOD_SHIFT);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_LCTRL, 0)).button, MOD_CTRL);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_RCTRL, 0)).button, MOD_CTRL);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_LALT, 0)).button, MOD_ALT);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_RALT, 0)).button, MOD_ALT);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_LMETA, 0)).button, MOD_META);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_RMETA, 0)).button, MOD_META);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_NUM | KMOD_CAPS | KMOD_MODE, 0)).button, 0);
    EXPECT_EQ(translate(sdl_key_event(SDL_KEYDOWN, SDLK_q, KMOD_LSHIFT | KMOD_RCTRL | KMOD_LALT | KMOD_RMETA, 0)).button,
              MOD_SHIFT | MOD_CTRL | MOD_ALT | MOD_META);
}

TEST(DriverTranslate, Mouse) {
    SDL_Event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = SDL_MOUSEMOTION;
    ev.motion.which = 1;
    ev.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_RMASK;
    ev.motion.x = 65000;  // unsigned 16-bit position
    ev.motion.y = 20;
    ev.motion.xrel = -7;  // signed 16-bit motion
    ev.motion.yrel = 3;
    Event e = translate(ev);
    EXPECT_EQ(e.type, EV_MOUSEMOVE);
    EXPECT_EQ(e.win_pos[0], 65000);
    EXPECT_EQ(e.win_pos[1], 20);
    EXPECT_EQ(e.win_rel[0], -7);
    EXPECT_EQ(e.win_rel[1], 3);
    EXPECT_EQ(e.pos[0], 65000);  // copied before the dispatcher converts them
    EXPECT_EQ(e.pos[1], 20);
    EXPECT_EQ(e.rel[0], -7);
    EXPECT_EQ(e.rel[1], 3);
    EXPECT_EQ(e.button, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK);
    EXPECT_EQ(e.device, 1);
    EXPECT_EQ(e.key, 0);
    expect_untouched(e);

    for (Uint8 b : {1, 2, 3, 6, 7}) {
        e = translate(mouse_button(SDL_MOUSEBUTTONDOWN, b, 100, 200));
        EXPECT_EQ(e.type, EV_MOUSEDOWN);
        EXPECT_EQ(e.button, b);
        EXPECT_EQ(e.pos[0], 100);
        EXPECT_EQ(e.win_pos[1], 200);
        EXPECT_EQ(e.rel[1], 0);
        e = translate(mouse_button(SDL_MOUSEBUTTONUP, b, 100, 200));
        EXPECT_EQ(e.type, EV_MOUSEUP);
        EXPECT_EQ(e.button, b);
    }
}

TEST(DriverTranslate, WheelStepIsOnePressAndADroppedRelease) {
    Event up = translate(mouse_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP, 10, 20));
    EXPECT_EQ(up.type, EV_WHEEL);
    EXPECT_EQ(up.rel[1], -1);
    EXPECT_EQ(up.win_rel[1], -1);
    EXPECT_EQ(up.pos[0], 10);
    EXPECT_EQ(up.button, 4);
    Event down = translate(mouse_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELDOWN, 10, 20));
    EXPECT_EQ(down.type, EV_WHEEL);
    EXPECT_EQ(down.rel[1], 1);
    for (Uint8 b : {4, 5}) {
        Event rel = translate(mouse_button(SDL_MOUSEBUTTONUP, b, 10, 20));
        EXPECT_EQ(rel.type, 0);
        EXPECT_EQ(rel.button, b);  // the other fields stay filled
        EXPECT_EQ(rel.win_pos[0], 10);
        EXPECT_EQ(rel.rel[1], 0);
    }
}

TEST(DriverTranslate, JoystickAxesReportTheWholeStick) {
    translate(joy_axis(1, 2, -16384));
    Event e = translate(joy_axis(1, 3, 32767));
    EXPECT_EQ(e.type, EV_JOYAXIS);
    EXPECT_EQ(e.device, 1);
    EXPECT_EQ(e.button, 1);
    EXPECT_FLOAT_EQ(e.pos[1], 32767 / 32768.0f);
    EXPECT_FLOAT_EQ(e.pos[0], -0.5f);
    EXPECT_FLOAT_EQ(e.win_pos[0], -0.5f);
    EXPECT_EQ(joy_axes[1][3], 32767);

    // Axis 8 and above stay type 0 and touch no table entry; other joysticks are separate.
    int32_t before[JOY_MAX][JOY_AXES];
    memcpy(before, joy_axes, sizeof before);
    for (Uint8 axis : {8, 9, 255}) {
        e = translate(joy_axis(1, axis, 1000));
        EXPECT_EQ(e.type, 0);
    }
    EXPECT_EQ(memcmp(before, joy_axes, sizeof before), 0);
    e = translate(joy_axis(255, 0, -32768));  // the last joystick of the table
    EXPECT_EQ(e.type, EV_JOYAXIS);
    EXPECT_EQ(e.button, 0);
    EXPECT_FLOAT_EQ(e.pos[0], -1.0f);
    EXPECT_EQ(e.pos[1], 0);
    EXPECT_EQ(joy_axes[1][2], -16384);
}

TEST(DriverTranslate, JoystickButtonsActivationQuitAndTheRest) {
    SDL_Event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = SDL_JOYBUTTONDOWN;
    ev.jbutton.which = 2;
    ev.jbutton.button = 9;
    Event e = translate(ev);
    EXPECT_EQ(e.type, EV_JOYDOWN);
    EXPECT_EQ(e.device, 2);
    EXPECT_EQ(e.button, 9);
    ev.type = SDL_JOYBUTTONUP;
    EXPECT_EQ(translate(ev).type, EV_JOYUP);

    memset(&ev, 0, sizeof ev);
    ev.type = SDL_ACTIVEEVENT;
    ev.active.gain = 1;
    ev.active.state = SDL_APPACTIVE | SDL_APPINPUTFOCUS;
    e = translate(ev);
    EXPECT_EQ(e.type, EV_ACTIVE);
    EXPECT_EQ(e.code, 1);
    EXPECT_EQ(e.key, 1);
    EXPECT_EQ(e.button, 6);
    ev.active.gain = 0;
    ev.active.state = SDL_APPMOUSEFOCUS;
    e = translate(ev);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(e.button, 1);

    memset(&ev, 0, sizeof ev);
    ev.type = SDL_QUIT;
    e = translate(ev);
    EXPECT_EQ(e.type, EV_QUIT);
    EXPECT_EQ(e.code, 0);
    expect_untouched(e);

    for (int type : {(int)SDL_JOYBALLMOTION, (int)SDL_JOYHATMOTION, (int)SDL_SYSWMEVENT, (int)SDL_VIDEORESIZE, (int)SDL_VIDEOEXPOSE,
                     (int)SDL_USEREVENT, (int)SDL_USEREVENT + 3, 255}) {
        memset(&ev, 0x7f, sizeof ev);  // whatever the payload holds
        ev.type = (decltype(ev.type))type;
        e = translate(ev);
        EXPECT_EQ(e.type, 0) << (int)type;
        EXPECT_EQ(e.button, 0);
        EXPECT_EQ(e.pos[0], 0);
        expect_untouched(e);
    }
}

TEST(DriverPoll, EmptyQueueClearsTheRecord) {
    // Without SDL started the queue is empty: 0, and the record is cleared.
    Event e;
    memset(&e, 0x55, sizeof e);
    EXPECT_EQ(driver_poll(e), 0);
    EXPECT_EQ(e.type, 0);
    expect_untouched(e);
}
