// SPDX-License-Identifier: Zlib
// app.h - the application record, its states (screens) and the program's entry.
//
//   class Title : public State { void paint() override { gfx_view(); ... } };
//   void register_states(Game *game) { state_registry[STATE_MENU] = new Title; }  // first screen
//   int main(int argc, char **argv) {
//       program_settings.title = "My game";      // optional: caption, folder name, music
//       return SDL_main(argc, argv);             // start-up, frame loop, shutdown
//   }
//
// SDL_main runs one frame per pass: the queued input goes to the current state's event(), then
// update() once per due tick (60 per second), then the screen is cleared to black and paint()
// draws the frame. The chords Ctrl+Q (quit) and Ctrl+F (window or full screen) are handled before
// the state sees them. The states are the program's: the framework never frees them.
//
// Game and Settings are plain records whose byte images are the per-user files state.dat and
// settings.dat (little-endian): their layouts are fixed and checked below.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include "app/event.h"

// The play field: a fixed pool of objects, driven by the game (game/level.h). Its layout is fixed
// (little-endian, 4-byte fields, no padding) and checked below.
enum { LEVEL_OBJECTS = 256 };

// One slot of the pool (40 bytes). x, y is the top-left corner in play-field units, y downwards.
struct Object {
    int32_t active;   // nonzero while the slot is in use
    int32_t player;   // nonzero: the player's figure, steered by the arrow keys
    int32_t ball;     // nonzero: a falling ball
    float x;          // left edge
    float y;          // top edge
    float w;          // width
    float h;          // height
    float vx;         // horizontal speed, units per tick
    float vy;         // vertical speed, units per tick, positive downwards
    int32_t img;      // image slot (gfx_img_load), 0 = not drawn
};

// The play field of Glitz Fall, part of the application record.
struct Level {
    int32_t reserved;               // 0, never read
    int32_t ticks;                  // ticks since the last reset
    Object objects[LEVEL_OBJECTS];  // the pool
    int32_t score;                  // balls that left the field while the player was alive
};

static_assert(sizeof(Object) == 40, "Object is 10 words");
static_assert(offsetof(Object, x) == 12 && offsetof(Object, vx) == 28 && offsetof(Object, img) == 36,
              "Object field offsets");
static_assert(sizeof(Level) == 10252, "Level is 2563 words");
static_assert(offsetof(Level, objects) == 8 && offsetof(Level, score) == 10248, "Level field offsets");

// settings.dat: volumes, identity texts and the two mode flags (276 bytes).
struct Settings {
    int32_t version;        // 1 after start-up
    char ident[128];        // zero-terminated
    int32_t music_volume;   // percent
    int32_t sound_volume;   // percent
    char ident_tag[64];     // g: and the ident, rebuilt at every start (zero-terminated)
    char stamp[64];         // time| and the seconds at the first start, made when empty
    int32_t reserved_mode;  // -1 by default, never read
    int32_t screen_mode;    // 1 or -1, flipped by the screen chord
};

// The application record; state.dat is its byte image (10552 bytes).
struct Game {
    int32_t version;        // 1 after start-up; state.dat is used only when it holds 1
    int32_t state;          // id of the current state (1..4)
    int32_t reserved[2];    // 0, never read
    Level level;            // the play field
    Settings settings;      // volumes and modes (settings.dat)
    int32_t quit;           // nonzero ends the frame loop after the current frame; GAME_QUIT_FAILED
                            // ends it at once (no window: nothing may draw) with exit status 1
    int32_t reactivate;     // nonzero: the next activation redoes the video set-up once
};

static_assert(sizeof(Settings) == 276, "Settings is 276 bytes");
static_assert(offsetof(Settings, ident) == 4 && offsetof(Settings, music_volume) == 132 &&
              offsetof(Settings, sound_volume) == 136 && offsetof(Settings, ident_tag) == 140 &&
              offsetof(Settings, stamp) == 204 && offsetof(Settings, reserved_mode) == 268 &&
              offsetof(Settings, screen_mode) == 272, "Settings field offsets");
static_assert(sizeof(Game) == 10552, "Game is 10552 bytes");
static_assert(offsetof(Game, level) == 16 && offsetof(Game, settings) == 10268 &&
              offsetof(Game, quit) == 10544 && offsetof(Game, reactivate) == 10548, "Game field offsets");

// A screen of the application. Every operation does nothing unless a state overrides it.
class State {
public:
    // Became current; again after every video reset (Ctrl+F, or a reactivated window), which voids
    // the texture, image and font numbers: load them here, not in the constructor.
    virtual void enter() {}
    virtual void leave() {}          // stops being current; once more at shutdown
    virtual void paint() {}          // once per frame after the clear; call gfx_view() first
    // Every input event (app/event.h), mouse positions in canvas units. Hand it on to a root
    // Container with root.on_event(&e) for the widgets.
    virtual void event(Event e) { (void)e; }
    virtual void update() {}         // once per tick (60 per second): move things here
    virtual ~State() {}              // the framework deletes no state
};

// State ids (Game::state, keys of state_registry). The framework makes STATE_MENU current after
// start-up; the others are names the game gives its screens, free for any program.
enum { STATE_TEST = 1, STATE_MENU = 2, STATE_PLAY = 3, STATE_FAIL = 4 };
enum { GAME_QUIT_FAILED = 2 };   // Game::quit when the window is lost: the loop stops at once, exit status 1

extern std::map<int32_t, State *> &state_registry;  // id -> state; a lookup of a new id adds null
extern uint8_t keys[512];                          // keys[KEY_*] is 1 while that key is held

void change_state(Game *game, int32_t id); // leave() the current, state = id, enter() the new one
// Defined by the program, not here: fills state_registry with its states. Start-up calls it first,
// before anything else starts (no window, no fonts yet), and later makes STATE_MENU current: a
// program's first screen goes under that id. The game registers Test 1, Menu 2, Play 3, Fail 4,
// and fills program_settings.
void register_states(Game *game);

// Dispatches one input event as the frame loop does with the platform's: the chords (Ctrl, Alt or
// Meta + Q quits, + F makes a video reset), keys[] for key events, mouse positions from window
// pixels (win_pos, win_rel) to canvas units (pos, rel), then the current state's event(). A
// program may call it to play scripted input, e.g. an event_make(EV_KEYDOWN) with its key set.
void game_event(Game *game, Event e);

// What a program says about itself. Start-up reads it once, right after register_states(), so a
// program fills it in main() before calling SDL_main, or in its register_states(). The texts are
// not copied: they must live for the whole run (string literals do). A program that sets nothing
// gets its executable's name for the folder and the caption, and no music.
struct ProgramSettings {
    const char *name = nullptr;   // names the per-user folder (app/files.h user_dir); null or empty:
                                  // the executable's name without ".exe"
    const char *title = nullptr;  // the window caption; null or empty: the name
    const char *music = nullptr;  // catalogue name of the stream looped from start-up at the
                                  // settings' music_volume; null or empty: no music, no message
};
extern ProgramSettings program_settings;   // read once at start-up

// The program: start-up, frame loop, shutdown; returns 0, or 1 when it stopped for want of a window.
// C linkage: on Windows SDL's process entry (libSDLmain, written in C) calls it.
extern "C" int SDL_main(int argc, char **argv);

