// SPDX-License-Identifier: Zlib
// states.h - the game's four screens, registered by register_states() (app/app.h) under
// ids 1 Test, 2 Menu, 3 Play, 4 Fail. Each keeps the application record it was made for and one
// root Container that it builds its widgets in.
//
//   state_registry[STATE_MENU] = new Menu(game);
//   change_state(game, STATE_MENU);   // Menu --key--> Play --hit--> Fail --key--> Menu
//
// Menu rebuilds the title screen every tick (its ball pulses by a random few units); Play runs the
// field (game/level.h) and rebuilds its score label every frame; Fail keeps the field running under
// its banner; Test shows a text field, text, images and textures and plays "death" on every key.
#pragma once
#include "app/app.h"
#include "gui/widget.h"

// What every screen holds: the application record and a root container in view coordinates.
class GameState : public State {
public:
    explicit GameState(Game *game);
    ~GameState() override;
    GameState(const GameState &) = delete;
    GameState &operator=(const GameState &) = delete;

    void root_empty();   // replace the root with a fresh Container; its children are destroyed
    void root_paint();   // lay the root out and paint its children
    void root_add_screen(Widget *w);   // w at (0, 0) added to the root, then sized 1024 x 768
    Game *game;
    Container *root;
};

// Starts a frame: view 1024 x 768, colour buffer opaque black, depth 1.0, the frame's projection.
void screen_begin_frame();

class Test : public GameState {
public:
    explicit Test(Game *game) : GameState(game) {}
    void enter() override;
    void paint() override;
    void event(Event e) override;
};

class Menu : public GameState {
public:
    explicit Menu(Game *game) : GameState(game) {}
    void enter() override;    // builds the title screen, drawing one random number
    void paint() override;
    void event(Event e) override;   // any key press starts a run
    void update() override;   // rebuilds the screen
};

class Play : public GameState {
public:
    explicit Play(Game *game) : GameState(game) {}
    void enter() override;    // a new run: level_reset
    void paint() override;    // score label, field, widgets
    void event(Event e) override;
    void update() override;   // level_tick
};

class Fail : public GameState {
public:
    explicit Fail(Game *game) : GameState(game) {}
    void enter() override;    // builds the banner
    void paint() override;    // Play's screen, then the banner over it
    void event(Event e) override;   // any key press returns to the title
    void update() override;   // level_tick: the field keeps running without a player
};

// Widget texts and colours of the screens.
#define TITLE_TEXT "GLITZ FALL!!"
#define FAIL_TEXT "GLITZ FAIL!!"
#define INSTRUCTION_TEXT \
    "TO PLAY: MOVE LEFT AND RIGHT TO AVOID FALLING GLITZ BALLS!!  GET READY TO PARTY DUDES!!"
enum { SCORE_COLOR = 0x55FFFF, FAIL_COLOR = 0xFF55FF };
