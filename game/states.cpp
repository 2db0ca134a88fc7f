// states.cpp - the four screens; for now each keeps the base behaviour of State.
#include "game/states.h"

Test::Test(Game *game) : game(game) {}
Menu::Menu(Game *game) : game(game) {}
Play::Play(Game *game) : game(game) {}
Fail::Fail(Game *game) : game(game) {}
