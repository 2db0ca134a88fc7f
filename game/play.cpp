// SPDX-License-Identifier: Zlib
// play.cpp - the Play state: a run on the field, with the score at the top centre.
#include <cstdio>
#include "game/level.h"
#include "game/states.h"
#include "gfx/font.h"

void Play::enter() {
    root_empty();
    level_reset(game);
}

void Play::event(Event e) { root->on_event(&e); }   // the player steers by the keys table

void Play::update() { level_tick(game); }

void Play::paint() {
    if (Widget *old = root->find("score")) root->remove(old);
    char text[16];
    snprintf(text, sizeof text, "%d", (int)game->level.score);
    Label *label = new Label(font_load("font2"), text);
    label->style_base.color = SCORE_COLOR;
    Box *box = new Box(label);
    box->name = "score";
    box->style_base.width = 1024;
    box->x = box->y = 0;
    root->add(box);

    screen_begin_frame();
    level_paint(game);
    root_paint();
}
