// SPDX-License-Identifier: Zlib
// menu.cpp - the title screen: a pulsing ball behind the title, the credits and the instructions.
#include "game/random.h"
#include "game/states.h"
#include "gfx/font.h"
#include "gfx/gfx.h"

void Menu::enter() {
    root_empty();
    int32_t font0 = font_load("font0"), font1 = font_load("font1"), font2 = font_load("font2");

    Widget *ball = new Widget;
    ball->style_base.image = gfx_img_load("ball");
    ball->style_base.width = ball->style_base.height = 512 + random_next() % 8;
    root_add_screen(new Box(ball));

    struct Row { int32_t font; const char *text; int32_t color; };
    const Row rows[5] = {
        {font2, TITLE_TEXT, STYLE_UNSET},
        {font1, "FEST 2012 GRAB BAG", 0xFFFF55},
        {font1, "CODE: RONAN VESK", 0xFF55FF},
        {font1, "MUSIC: OLAF TREMM", 0x55FFFF},
        {font0, INSTRUCTION_TEXT, STYLE_UNSET},
    };
    Table *table = new Table;
    for (int i = 0; i < 5; i++) {
        table->new_row();
        Label *label = new Label(rows[i].font, rows[i].text);
        table->add_cell(new Box(label));
        if (i < 4) {
            label->style_base.color = rows[i].color;
        } else {
            label->style_base.width = 768;   // wrapped, each line centred
            label->style_base.halign = 0;
        }
    }
    root_add_screen(table);
}

void Menu::event(Event e) {
    root->on_event(&e);
    if (e.type == EV_KEYDOWN) change_state(game, STATE_PLAY);   // any key, whatever its code
}

void Menu::update() { enter(); }

void Menu::paint() {
    screen_begin_frame();
    root_paint();
}
