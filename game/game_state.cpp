// SPDX-License-Identifier: Zlib
// game_state.cpp - the game's settings and states for the application's start-up, and what the
// four screens share: the root container and the start of a frame.
#include "game/states.h"

#include <GL/gl.h>
#include "app/driver.h"
#include "gfx/gfx.h"

void register_states(Game *game) {
    program_settings.name = "GameName";
    program_settings.title = "GLITZ FALL!! FEST 2012 GRAB BAG - RONAN VESK - OLAF TREMM";
    program_settings.music = "music";
    state_registry[STATE_TEST] = new Test(game);
    state_registry[STATE_MENU] = new Menu(game);
    state_registry[STATE_PLAY] = new Play(game);
    state_registry[STATE_FAIL] = new Fail(game);
    // The title screen's pictures, in the order it loads them: decoded while the window opens.
    for (const char *name : {"font0", "font1", "font2", "ball"}) video_decode_ahead(name);
}

GameState::GameState(Game *g) : game(g), root(new Container) {}

GameState::~GameState() { delete root; }

void GameState::root_empty() {
    delete root;
    root = new Container;
}

void GameState::root_paint() {
    root->measure_content();
    gfx_batch_begin();
    root->paint_content();
    gfx_batch_end();
}

// The size is set after add(), like every value written to a widget already in the root: it takes
// effect when the root is measured before painting.
void GameState::root_add_screen(Widget *w) {
    w->x = w->y = 0;
    root->add(w);
    w->style_base.width = 1024;
    w->style_base.height = 768;
}

void screen_begin_frame() {
    if (!gfx_set_view(1024, 768)) return;   // no window: nothing to clear or project
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gfx_view();
}
