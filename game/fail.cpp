// SPDX-License-Identifier: Zlib
// fail.cpp - the game-over screen: the banner over the still-running field and the final score.
#include "game/level.h"
#include "game/states.h"
#include "gfx/font.h"

void Fail::enter() {
    root_empty();
    Label *banner = new Label(font_load("font2"), FAIL_TEXT);
    banner->style_base.color = FAIL_COLOR;
    root_add_screen(new Box(banner));
}

void Fail::event(Event e) {
    root->on_event(&e);
    if (e.type == EV_KEYDOWN) change_state(game, STATE_MENU);
}

void Fail::update() { level_tick(game); }

void Fail::paint() {
    if (State *play = state_registry[STATE_PLAY]) play->paint();   // clears and draws the field
    root_paint();
}
