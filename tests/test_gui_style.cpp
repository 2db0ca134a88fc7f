// SPDX-License-Identifier: Zlib
// Style records: resolution and motion, the box model, and the painted layers of a widget's box.
#include "test_gui_support.h"
#include "gfx/gfx_internal.h"
#include "gui/style_internal.h"

TEST(GuiStyle, ApproachStepsAndLandsOnTheTarget) {
    EXPECT_EQ(36, style_approach(0, 255, 36));
    EXPECT_EQ(255, style_approach(252, 255, 36));
    EXPECT_EQ(219, style_approach(255, 0, 36));
    EXPECT_EQ(7, style_approach(7, 7, 1));
    EXPECT_EQ(INT32_MAX - 1000, style_approach(INT32_MAX, -INT32_MAX, 1000));   // no overflow
    EXPECT_EQ(0x242424, style_approach_color(0x000000, 0xFFFFFF));
    EXPECT_EQ(0x10DB00, style_approach_color((int32_t)0xFF00FF00, 0x100000));   // top byte dropped
    EXPECT_EQ(0x123456, style_approach_color(0x123450, 0x123456));
    Style s;
    for (int32_t i = 0; i < STYLE_SLOTS; i++) EXPECT_EQ(STYLE_UNSET, *style_slot(s, i));
    EXPECT_EQ(nullptr, style_slot(s, STYLE_SLOTS));
    EXPECT_EQ(&s.margin[SIDE_LEFT], style_slot(s, 20));
    EXPECT_EQ(&s.release_sound, style_slot(s, STYLE_SLOTS - 1));
}

// One widget in a root; each measure of the root is one painted frame.
struct Frames : ::testing::Test {
    Container root;
    Widget *w = nullptr;
    void SetUp() override { w = sized(0, 0, 10, 10); }
    void frame(int n = 1) { while (n--) root.measure_content(); }
    void hover(bool in) { Event e = mouse(EV_MOUSEMOVE, in ? 5.0f : 500.0f, 5); root.on_event(&e); }
};

TEST_F(Frames, ColourFadesInEightFramesAndBack) {
    w->style_base.bg_color = 0x000000;
    w->style_hover.bg_color = 0xFFFFFF;
    root.add(w);
    EXPECT_EQ(0x000000, w->style_current.bg_color);   // add resolves once: unset takes it at once
    frame();
    hover(true);
    EXPECT_EQ(WIDGET_HOVER, w->state);
    for (int i = 1; i <= 7; i++) {
        frame();
        EXPECT_EQ(36 * i * 0x010101, w->style_current.bg_color) << "frame " << i;
    }
    frame();
    EXPECT_EQ(0xFFFFFF, w->style_current.bg_color);
    hover(false);
    frame(7);
    EXPECT_EQ(3 * 0x010101, w->style_current.bg_color);
    frame();
    EXPECT_EQ(0x000000, w->style_current.bg_color);
}

TEST_F(Frames, WidthTakenAtOnceThenMovesAThousandPerFrame) {
    w->style_base.width = 100;
    root.add(w);
    EXPECT_EQ(100, w->style_current.width);
    w->style_base.width = 3000;
    frame(); EXPECT_EQ(1100, w->style_current.width);
    frame(); EXPECT_EQ(2100, w->style_current.width);
    frame(); EXPECT_EQ(3000, w->style_current.width);
    EXPECT_EQ(3000, w->w);
}

TEST_F(Frames, HoverOnlyPropertyStaysAfterThePointerLeaves) {
    w->style_hover.border_color = 0x00FF00;
    w->style_hover.alpha = 100;
    root.add(w);
    frame();
    EXPECT_EQ(STYLE_UNSET, w->style_current.border_color);
    hover(true);
    frame();
    EXPECT_EQ(0x00FF00, w->style_current.border_color);   // was unset: shows at once
    EXPECT_EQ(100, w->style_current.alpha);
    hover(false);
    frame(3);
    EXPECT_EQ(0x00FF00, w->style_current.border_color);
    EXPECT_EQ(100, w->style_current.alpha);
}

TEST_F(Frames, StateRecordBeforeBaseAndJumpsForAlignments) {
    w->style_base.halign = -1;
    w->style_base.alpha = 255;
    w->style_focus.halign = 1;
    w->style_focus.alpha = 0;
    w->style_focus_hover.alpha = 200;
    root.add(w);
    w->focus();
    EXPECT_EQ(WIDGET_FOCUS, w->state);
    frame();
    EXPECT_EQ(1, w->style_current.halign);      // jump
    EXPECT_EQ(255 - 36, w->style_current.alpha);
    hover(true);
    EXPECT_EQ(WIDGET_FOCUS_HOVER, w->state);
    frame();
    EXPECT_EQ(200, w->style_current.alpha);      // within one step of 219
    EXPECT_EQ(-1, w->style_current.halign);      // focus+hover has no halign: base's, at once
}

TEST(GuiBoxModel, InsetsAndOuterSize) {
    Container root;
    Widget *w = root.add(sized(0, 0, 10, 10));
    w->style_base.set_margin(2);
    w->style_base.set_border(1);
    w->style_base.set_padding(3);
    root.measure_content();
    EXPECT_EQ(6, w->inner_x);
    EXPECT_EQ(6, w->inner_y);
    EXPECT_EQ(22, w->w);
    EXPECT_EQ(22, w->h);
    EXPECT_EQ(22, root.content_w);

    // Each side on its own; the margin moves one pixel per frame.
    w->style_base.margin[SIDE_LEFT] = 5;
    w->style_base.padding[SIDE_BOTTOM] = 0;
    root.measure_content();
    EXPECT_EQ(7, w->inner_x);
    root.measure_content(); root.measure_content();
    EXPECT_EQ(9, w->inner_x);
    EXPECT_EQ(6, w->inner_y);
    EXPECT_EQ(9 + 10 + 6, w->w);
    EXPECT_EQ(6 + 10 + 3, w->h);

    // A plain widget keeps its natural size when asked to resize.
    w->resize(100, 100);
    EXPECT_EQ(25, w->w);
    EXPECT_EQ(10, w->content_w);
}

TEST(GuiBoxModel, UnsupportedValueOperationsSayNA) {
    Widget w;
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, w.get_value_s());
    EXPECT_EQ(0, w.get_value_i());
    w.set_value_s("x");
    w.set_value_i(3);
    EXPECT_EQ("const char *get_value_s(): n/a\nint get_value_i(): n/a\nset_value_s(const char *): n/a\nset_value_i(int): n/a\n",
              testing::internal::GetCapturedStderr());
}

TEST(GuiPaint, BackgroundBorderImageAndFramesWhereTheyBelong) {
    GuiScene scene(true);
    REQUIRE_SCENE_WINDOW(scene);
    int32_t white = gfx_img_load("white_img");
    ASSERT_NE(0, white);
    Container root;
    Widget *a = root.add(sized(100, 100, 10, 10));   // margin 2, border 1, padding 3
    a->style_base.set_margin(2);
    a->style_base.set_border(1);
    a->style_base.set_padding(3);
    a->style_base.bg_color = 0x0000FF;
    a->style_base.border_color = 0xFF0000;
    a->style_base.image = white;
    a->style_base.image_color = 0xFFFF00;

    Widget *b = root.add(sized(300, 100, 10, 10));   // first frame without colour: not drawn
    b->style_base.set_margin(4);
    b->style_base.frame_image = white;
    b->style_base.frame2_image = white;             // second frame alone: drawn in white

    Widget *c = root.add(sized(500, 100, 10, 10));   // first frame, grown by frame_expand, half alpha
    c->style_base.set_margin(4);
    c->style_base.frame_image = white;
    c->style_base.frame_color = 0x00FF00;
    c->style_base.frame_alpha = 128;
    c->style_base.frame_expand = 1;

    Widget *d = root.add(sized(700, 100, 20, 10));   // unequal borders: the top spans the corners
    d->style_base.border[SIDE_TOP] = 2;
    d->style_base.border[SIDE_LEFT] = 3;
    d->style_base.border_color = 0xFF00FF;

    Widget *e = root.add(sized(900, 100, 10, 10));   // the second image covers the first, in its own colour
    e->style_base.image = white;
    e->style_base.image_color = 0x808000;
    e->style_base.image2 = white;
    e->style_base.image2_color = 0x00FFFF;

    root.measure_content();
    root.paint_content();
    Pixels px;
    EXPECT_RECT(px.bounds(0xFF0000), 102, 102, 18, 18);   // border box
    EXPECT_EQ(18 * 18 - 16 * 16, px.count(0xFF0000));
    EXPECT_RECT(px.bounds(0x0000FF), 103, 103, 16, 16);   // padding box
    EXPECT_RECT(px.bounds(0xFFFF00), 106, 106, 10, 10);   // content box
    EXPECT_RECT(px.bounds(0xFFFFFF), 304, 104, 10, 10);   // b: second frame over its border box
    EXPECT_RECT(px.bounds(0x008000), 503, 103, 12, 12);   // c: border box grown by 1, premultiplied
    EXPECT_RECT(px.bounds(0xFF00FF), 700, 100, 23, 12);
    EXPECT_EQ(23 * 2 + 3 * 10, px.count(0xFF00FF));
    EXPECT_RECT(px.bounds(0x00FFFF), 900, 100, 10, 10);
    EXPECT_EQ(0, px.count(0x808000));
    EXPECT_EQ(0.0f, gfx->origin[0]);   // every translation undone
    EXPECT_EQ(0, gfx->clip_depth);
}
