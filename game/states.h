// states.h - the game's four screens, registered by register_states() (app/app.h) under
// ids 1 Test, 2 Menu, 3 Play, 4 Fail. Each keeps the application record it was made for.
//
//   state_registry[STATE_MENU] = new Menu(game);
#pragma once
#include "app/app.h"

class Test : public State {
public:
    explicit Test(Game *game);
    Game *game;
};

class Menu : public State {
public:
    explicit Menu(Game *game);
    Game *game;
};

class Play : public State {
public:
    explicit Play(Game *game);
    Game *game;
};

class Fail : public State {
public:
    explicit Fail(Game *game);
    Game *game;
};
