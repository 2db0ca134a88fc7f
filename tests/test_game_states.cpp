// SPDX-License-Identifier: Zlib
// The game's screens without a window: the flow Menu -> Play -> Fail -> Menu on key presses, the
// widgets each screen builds, the title's random draw per build, the score label, and Fail keeping
// the field running with the score fixed.
#include "test_game_support.h"

#include <vector>
#include "gui/text_input.h"
#include "app/app_internal.h"

using GameStates = GameFixture;

static GameState *screen(int32_t id) { return dynamic_cast<GameState *>(state_registry[id]); }

static const char *label_text(Widget *w) {
    Label *l = dynamic_cast<Label *>(w);
    return l ? l->text.c_str() : "";
}

TEST_F(GameStates, KeyPressesTakeTheFlowAround) {
    Game &g = game();
    change_state(&g, STATE_MENU);
    EXPECT_EQ(g.state, STATE_MENU);

    // A key without a code starts a run too; only the event's type counts.
    game_event(&g, event_make(EV_KEYUP));
    game_event(&g, event_make(EV_MOUSEMOVE));
    EXPECT_EQ(g.state, STATE_MENU);
    level().score = 9;   // what the last run left
    game_event(&g, key_down(0));
    EXPECT_EQ(g.state, STATE_PLAY);
    EXPECT_EQ(level().score, 0);
    EXPECT_TRUE(slot(0).player);

    // No key leaves a run, Escape included; arrows steer through the keys table.
    game_event(&g, key_down(KEY_ESCAPE));
    game_event(&g, key_down(KEY_RIGHT));
    EXPECT_EQ(g.state, STATE_PLAY);
    state_registry[g.state]->update();
    EXPECT_EQ(slot(0).x, 435);
    game_event(&g, [] { Event e = event_make(EV_KEYUP); e.key = KEY_RIGHT; return e; }());

    // A ball onto the hit box: Fail within the tick.
    ball(500, 600, 40, 0, 1);
    state_registry[g.state]->update();
    EXPECT_EQ(g.state, STATE_FAIL);

    game_event(&g, key_down(KEY_ESCAPE));
    EXPECT_EQ(g.state, STATE_MENU);
    game_event(&g, key_down(KEY_A));
    EXPECT_EQ(g.state, STATE_PLAY);
    EXPECT_EQ(slot(1).active, 0);   // a fresh run
}

TEST_F(GameStates, FailKeepsTheFieldRunningWithTheScoreFixed) {
    Game &g = game();
    change_state(&g, STATE_PLAY);
    slot(0).x = 0;
    ball(900, 760, 60, 0, 10);
    state_registry[STATE_PLAY]->update();
    EXPECT_EQ(level().score, 1);
    ball(50, 600, 60, 0, 1);         // onto the hit box at x 69 .. 101
    ball(900, 700, 60, 0, 10);       // leaves later, after the hit
    state_registry[STATE_PLAY]->update();
    ASSERT_EQ(g.state, STATE_FAIL);
    int32_t ticks = level().ticks;

    ScriptedRandom::use({0, 60, 512, 32767, 16384});   // a ball spawns under the banner
    for (int i = 0; i < 30; i++) state_registry[g.state]->update();
    EXPECT_EQ(level().ticks, ticks + 30);
    EXPECT_EQ(level().score, 1);
    EXPECT_FALSE(slot(2).active);    // the late ball left without a point
    bool spawned = false;
    for (const Object &o : level().objects) spawned |= o.active && o.ball && o.w == 60;
    EXPECT_TRUE(spawned);

    // Its screen: the banner in a full-screen box, and Play's score drawn under it.
    GameState *fail = screen(STATE_FAIL);
    ASSERT_EQ(fail->root->children.size(), 1u);
    Box *box = dynamic_cast<Box *>(fail->root->children[0]);
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(label_text(box->child()), "GLITZ FAIL!!");
    EXPECT_EQ(box->child()->style_base.color, 0xFF55FF);
    fail->paint();
    EXPECT_EQ(box->w, 1024);
    EXPECT_EQ(box->h, 768);
    Widget *score = screen(STATE_PLAY)->root->find("score");
    ASSERT_NE(score, nullptr);
    EXPECT_STREQ(label_text(static_cast<Box *>(score)->child()), "1");

    // A video reset re-enters Fail: the banner is rebuilt, the field goes on.
    change_state(&g, g.state);
    EXPECT_EQ(g.state, STATE_FAIL);
    EXPECT_EQ(level().score, 1);
    EXPECT_EQ(fail->root->children.size(), 1u);
}

TEST_F(GameStates, ScoreLabelIsRebuiltEveryFrame) {
    Game &g = game();
    change_state(&g, STATE_PLAY);
    GameState *play = screen(STATE_PLAY);
    play->paint();
    play->paint();
    ASSERT_EQ(play->root->children.size(), 1u);   // the previous label is removed each frame
    Box *box = dynamic_cast<Box *>(play->root->find("score"));
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(label_text(box->child()), "0");
    EXPECT_EQ(box->child()->style_base.color, 0x55FFFF);
    EXPECT_EQ(box->style_base.width, 1024);
    EXPECT_EQ(box->x, 0);
    EXPECT_EQ(box->y, 0);
    EXPECT_EQ(box->w, 1024);

    level().score = 1234567;
    play->paint();
    box = dynamic_cast<Box *>(play->root->find("score"));
    EXPECT_STREQ(label_text(box->child()), "1234567");
    level().score = -5;   // only a foreign state.dat could hold this; it is printed as it is
    play->paint();
    EXPECT_STREQ(label_text(static_cast<Box *>(play->root->find("score"))->child()), "-5");

    // Re-entering (video reset during a run) starts a new run at 0.
    level().score = 12;
    change_state(&g, STATE_PLAY);
    EXPECT_EQ(level().score, 0);
    EXPECT_TRUE(play->root->children.empty());
}

TEST_F(GameStates, TitleScreenDrawsOneNumberPerBuild) {
    Game &g = game();
    ScriptedRandom::use({3, 7, 8});
    change_state(&g, STATE_MENU);
    EXPECT_EQ(ScriptedRandom::draws(), 1);
    GameState *menu = screen(STATE_MENU);

    ASSERT_EQ(menu->root->children.size(), 2u);
    Box *ball_box = dynamic_cast<Box *>(menu->root->children[0]);
    ASSERT_NE(ball_box, nullptr);
    EXPECT_EQ(ball_box->child()->style_base.width, 515);
    EXPECT_EQ(ball_box->child()->style_base.height, 515);
    EXPECT_EQ(ball_box->style_base.width, 1024);
    EXPECT_EQ(ball_box->style_base.height, 768);

    menu->update();   // rebuilt once per tick, one draw each time
    EXPECT_EQ(ScriptedRandom::draws(), 2);
    ball_box = dynamic_cast<Box *>(menu->root->children[0]);
    EXPECT_EQ(ball_box->child()->style_base.width, 519);
    menu->update();
    EXPECT_EQ(ScriptedRandom::draws(), 3);
    ball_box = dynamic_cast<Box *>(menu->root->children[0]);
    EXPECT_EQ(ball_box->child()->style_base.width, 512);
    ASSERT_EQ(menu->root->children.size(), 2u);   // the old screen is gone, not stacked

    // The table: five rows, one boxed label each, with the texts and colours of the title.
    Table *table = dynamic_cast<Table *>(menu->root->children[1]);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->style_base.width, 1024);
    EXPECT_EQ(table->style_base.height, 768);
    struct { const char *text; int32_t color; } rows[5] = {
        {"GLITZ FALL!!", STYLE_UNSET},
        {"FEST 2012 GRAB BAG", 0xFFFF55},
        {"CODE: RONAN VESK", 0xFF55FF},
        {"MUSIC: OLAF TREMM", 0x55FFFF},
        {"TO PLAY: MOVE LEFT AND RIGHT TO AVOID FALLING GLITZ BALLS!!  GET READY TO PARTY DUDES!!", STYLE_UNSET}};
    int found = 0;
    Widget *instructions = nullptr;
    for (Widget *c : table->children) {
        Box *cell = dynamic_cast<Box *>(c);
        if (!cell) continue;
        ASSERT_LT(found, 5);
        EXPECT_EQ(cell->row, found);
        EXPECT_STREQ(label_text(cell->child()), rows[found].text);
        EXPECT_EQ(cell->child()->style_base.color, rows[found].color);
        instructions = cell->child();
        found++;
    }
    ASSERT_EQ(found, 5);
    EXPECT_EQ(instructions->style_base.width, 768);
    EXPECT_EQ(instructions->style_base.halign, 0);

    // With the real generator: the run's balls depend on how long the title was shown.
    auto field_after = [&](int menu_ticks) {
        random_source = random_generator;
        random_restart();
        change_state(&g, STATE_MENU);
        for (int i = 0; i < menu_ticks; i++) state_registry[g.state]->update();
        game_event(&g, key_down(KEY_UP));
        for (int i = 0; i < 300; i++) state_registry[g.state]->update();
        return std::vector<Object>(level().objects, level().objects + LEVEL_OBJECTS);
    };
    auto same = [](const std::vector<Object> &a, const std::vector<Object> &b) {
        return memcmp(a.data(), b.data(), a.size() * sizeof(Object)) == 0;
    };
    EXPECT_TRUE(same(field_after(10), field_after(10)));
    EXPECT_FALSE(same(field_after(10), field_after(11)));
}

TEST_F(GameStates, TestScreenHasItsFieldAndTakesTyping) {
    Game &g = game();
    change_state(&g, STATE_TEST);
    GameState *test = screen(STATE_TEST);
    ASSERT_EQ(test->root->children.size(), 1u);
    TextInput *input = dynamic_cast<TextInput *>(test->root->children[0]);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->text, "input");
    EXPECT_EQ(input->x, 0);
    EXPECT_EQ(input->y, 100);
    EXPECT_EQ(input->style_base.width, 200);

    input->focus();
    Event e = key_down(KEY_A);
    e.unicode = 'x';
    game_event(&g, e);   // typed over the selection focusing made; "death" would play (no sound layer)
    EXPECT_EQ(input->text, "x");
    EXPECT_EQ(g.state, STATE_TEST);   // no key leaves it
    test->paint();   // no window, no assets: nothing fails

    // Entering again empties the root: a new field with the starting text.
    change_state(&g, STATE_TEST);
    ASSERT_EQ(test->root->children.size(), 1u);
    EXPECT_EQ(static_cast<TextInput *>(test->root->children[0])->text, "input");
}
