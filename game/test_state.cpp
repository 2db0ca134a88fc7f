// SPDX-License-Identifier: Zlib
// test_state.cpp - the diagnostic screen: a text field, text, three images, three texture previews,
// and the "death" sample on every key press. Only a change_state to 1 reaches it.
#include "game/states.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gui/text_input.h"
#include "sound/sound.h"

void Test::enter() {
    root_empty();
    TextInput *input = new TextInput(font_load("font1"), "input");
    input->x = 0;
    input->y = 100;
    root->add(input);
    input->style_base.width = 200;
}

void Test::event(Event e) {
    root->on_event(&e);   // the field takes the focus and the typing first
    if (e.type == EV_KEYDOWN) sound_play(sound_load("death"), game->settings.sound_volume / 100.0f, 0.0f);
}

void Test::paint() {
    screen_begin_frame();
    root_paint();
    font_draw(font_load("font1"), "hello world", 0, 0, 0, -1);
    gfx_draw_img(gfx_img_load("img1"), 200, 200, 0, 0);
    gfx_draw_img(gfx_img_load("img2"), 400, 400, 0, 0);
    gfx_draw_img(gfx_img_load("img3"), 600, 600, 0, 0);
    gfx_draw_tex(gfx_tex_gl(gfx_tex_load("atlas1")), 200);
    gfx_draw_tex(gfx_tex_gl(gfx_tex_load("img4")), 400);
    gfx_draw_tex(gfx_tex_gl(gfx_tex_load("font.png")), 600);
}
