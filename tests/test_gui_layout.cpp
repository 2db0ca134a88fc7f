// SPDX-License-Identifier: Zlib
// Table, Box and Label: grid layout with spans and filler, alignment, clipping, text size and colour.
#include "test_gui_support.h"
#include "gfx/gfx_internal.h"
#include "gfx/font_internal.h"

TEST(GuiTable, CellsInOneRow) {
    Table t;
    t.new_row();
    Widget *a = t.add_cell(sized(9, 9, 30, 10));   // add_cell places at (0, 0)
    Widget *b = t.add_cell(sized(0, 0, 50, 20));
    t.measure_content();
    EXPECT_EQ(0, a->x); EXPECT_EQ(0, a->y);
    EXPECT_EQ(30, b->x); EXPECT_EQ(0, b->y);
    EXPECT_EQ(1, b->col); EXPECT_EQ(0, b->row);
    EXPECT_EQ(80, t.content_w);
    EXPECT_EQ(20, t.content_h);
    EXPECT_EQ(10, a->h);   // a plain widget keeps its natural size in a taller cell
}

TEST(GuiTable, SpanDeficitSpreadByAbsoluteColumn) {
    Table t;
    t.add_cell(sized(0, 0, 0, 0));                 // column 0
    Widget *s = t.add_cell(sized(0, 0, 10, 5));
    s->col = 1;
    s->col_span = 3;                               // columns 1..3, all empty
    t.new_row();
    Widget *edge[4];
    for (auto &e : edge) e = t.add_cell(sized(0, 0, 0, 0));
    t.measure_content();
    EXPECT_EQ(0, edge[1]->x);
    EXPECT_EQ(3, edge[2]->x);                      // column 1: 3
    EXPECT_EQ(6, edge[3]->x);                      // column 2: 3, column 3: 3 + 1 (3 mod 3 < 1)
    EXPECT_EQ(10, t.content_w);
    EXPECT_EQ(5, edge[0]->y);
    // Spans are processed after single cells: the children list is sorted by span, stably (last by
    // row span, where only the filler spans two rows).
    EXPECT_EQ(t.filler, t.children.back());
    EXPECT_EQ(s, t.children[t.children.size() - 2]);
    EXPECT_EQ(edge[3], t.children[t.children.size() - 3]);
}

TEST(GuiTable, RequestedSizeSpreadThroughTheFillerAndBoxesFillTheirCells) {
    GuiScene scene;
    Table t;
    t.style_base.width = 300;
    t.new_row();
    Box *box = t.add_cell(new Box(sized(0, 0, 30, 10)));
    Label *label = t.add_cell(new Label(scene.font, "HELLO"));   // 50 wide, 12 high
    t.resolve_style();
    t.measure_content();
    EXPECT_EQ(300, t.content_w);
    EXPECT_EQ(140, label->x);         // columns 30 + 110 and 50 + 110
    EXPECT_EQ(140, box->w);           // the box takes its cell ...
    EXPECT_EQ(12, box->h);
    EXPECT_EQ(55, box->child()->x);   // ... and centres its child in it
    EXPECT_EQ(1, box->child()->y);
    EXPECT_EQ(50, label->w);          // a label keeps its own size
    EXPECT_TRUE(t.filler->hidden);
    EXPECT_EQ(2, t.filler->col_span);
}

// Each measure of the root is a painted frame: a style inside a cell that the table resizes (a Box's
// child, a plain Container's child) still moves one step per frame.
TEST(GuiTable, StylesInsideResizedCellsMoveOneStepPerFrame) {
    Container root;
    Table *t = root.add(new Table);
    t->style_base.width = 300;
    t->style_base.height = 100;
    t->new_row();
    Widget *in_box = sized(0, 0, 10, 10);
    Box *box = t->add_cell(new Box(in_box));
    Container *holder = t->add_cell(new Container);
    Widget *in_holder = holder->add(sized(0, 0, 10, 10));
    for (Widget *w : {in_box, in_holder}) w->style_base.bg_color = 0x000000;
    root.measure_content();
    for (Widget *w : {in_box, in_holder}) w->style_base.bg_color = 0xFFFFFF;
    for (int i = 1; i <= 3; i++) {
        root.measure_content();
        EXPECT_EQ(36 * i * 0x010101, in_box->style_current.bg_color) << "frame " << i;
        EXPECT_EQ(36 * i * 0x010101, in_holder->style_current.bg_color) << "frame " << i;
    }
    EXPECT_EQ(150, box->w);   // the cells were resized: columns 10 + 140 each, one row of 100
    EXPECT_EQ(100, box->h);
}

TEST(GuiTable, EmptyRowsAndNoCells) {
    Table t;
    t.measure_content();
    EXPECT_EQ(0, t.content_w);
    EXPECT_EQ(0, t.content_h);
    t.style_base.height = 50;   // no rows to spread over
    t.resolve_style();
    t.measure_content();
    EXPECT_EQ(0, t.content_h);

    t.new_row();
    t.new_row();
    Widget *c = t.add_cell(sized(0, 0, 7, 7));
    EXPECT_EQ(1, c->row);
    t.measure_content();
    EXPECT_EQ(22, c->y);      // 43 spread over the two rows, the odd one to row 0
    EXPECT_EQ(50, t.content_h);
    t.clear();
    EXPECT_EQ(1u, t.children.size());
    EXPECT_EQ(-1, t.next_row);

    Table u;
    u.new_row();
    u.new_row();
    Widget *d = u.add_cell(sized(0, 0, 7, 7));
    u.measure_content();
    EXPECT_EQ(0, d->y);       // row 0 is empty: height 0
    EXPECT_EQ(7, u.content_h);
}

TEST(GuiTable, TitleScreenRowsShareTheHeight) {
    GuiScene scene;
    Container root;
    Table *t = root.add(new Table);
    Label *labels[5];
    for (auto &l : labels) {
        t->new_row();
        l = new Label(scene.font, "ROW");
        t->add_cell(new Box(l));
    }
    labels[4]->style_base.width = 768;
    labels[4]->style_base.halign = 0;
    t->style_base.width = 1024;
    t->style_base.height = 768;
    root.measure_content();
    EXPECT_EQ(1024, t->w);
    EXPECT_EQ(768, t->h);
    const int32_t tops[5] = {0, 154, 308, 462, 615};   // 708 left over: 141 each, rows 0..2 one more
    for (int i = 0; i < 5; i++) {
        Widget *box = labels[i]->parent;
        EXPECT_EQ(1024, box->w);
        EXPECT_EQ(i < 3 ? 154 : 153, box->h);
        EXPECT_EQ(tops[i], box->y);
        EXPECT_EQ(i < 4 ? 497 : 128, labels[i]->x);   // centred in its row
    }
}

TEST(GuiBox, AlignmentInsideTheBoxSize) {
    GuiScene scene;
    Container root;
    Label *l = new Label(scene.font, "ABCDEFGHIJKLMNOPQRST");   // 200 wide, 12 high
    Box *b = root.add(new Box(l));
    b->style_base.width = 1024;
    b->style_base.height = 100;
    root.measure_content();
    EXPECT_EQ(412, l->x);
    EXPECT_EQ(44, l->y);
    b->style_base.halign = 1;
    b->style_base.valign = -1;
    root.measure_content();
    EXPECT_EQ(824, l->x);
    EXPECT_EQ(0, l->y);
    b->style_base.halign = -1;
    b->style_base.valign = 1;
    root.measure_content();
    EXPECT_EQ(0, l->x);
    EXPECT_EQ(88, l->y);

    // Width and height of a box are outer sizes; the box grows to hold a larger child.
    b->style_base.set_padding(10);
    b->style_base.width = 50;
    for (int i = 0; i < 10; i++) root.measure_content();
    EXPECT_EQ(200, b->content_w);
    EXPECT_EQ(220, b->w);
    EXPECT_EQ(80, b->content_h);
}

TEST(GuiBox, ClipCutsTheChild) {
    GuiScene scene(true);
    REQUIRE_SCENE_WINDOW(scene);
    Container root;
    Widget *wide = sized(0, 0, 300, 20);
    wide->style_base.bg_color = 0xFF0000;
    Box *b = root.add(new Box(wide));
    b->x = 100;
    b->y = 100;
    b->style_base.clip = 1;
    b->style_base.width = 100;
    b->style_base.halign = -1;
    root.measure_content();
    EXPECT_EQ(100, b->content_w);
    EXPECT_EQ(20, b->content_h);
    root.paint_content();
    Pixels px;
    EXPECT_RECT(px.bounds(0xFF0000), 100, 100, 100, 20);
    EXPECT_EQ(0, gfx->clip_depth);
}

TEST(GuiLabel, SizeFromTheTextOrWrappedAtItsWidth) {
    GuiScene scene;
    ASSERT_NE(0, scene.font);
    Container root;
    Label *l = root.add(new Label(scene.font, "HELLO WORLD"));
    EXPECT_EQ(110, l->content_w);
    EXPECT_EQ(12, l->content_h);
    l->style_base.width = 60;
    root.measure_content();
    EXPECT_EQ(60, l->content_w);
    EXPECT_EQ(24, l->content_h);
    Label *none = root.add(new Label(0, "HELLO"));   // no font: 0 x 0
    EXPECT_EQ(0, none->content_w);
    EXPECT_EQ(0, none->content_h);
    Label *null_text = root.add(new Label(scene.font, nullptr));
    EXPECT_EQ("", null_text->text);

    Font &f = font_table->fonts[scene.font];   // numbers a catalogue entry may hold
    f.height = 1e30f;
    f.shapes[(int)'W'].w = 3e38f;
    Label *huge = root.add(new Label(scene.font, "WW"));
    EXPECT_EQ(GFX_COORD_MAX, huge->content_w);
    EXPECT_EQ(GFX_COORD_MAX, huge->content_h);
}

TEST(GuiLabel, DrawsInItsPremultipliedColour) {
    GuiScene scene(true);
    REQUIRE_SCENE_WINDOW(scene);
    Container root;
    Label *red = root.add(new Label(scene.font, "I"));
    red->x = 100; red->y = 100;
    red->style_base.color = 0xFF0000;
    red->style_base.alpha = 128;
    Label *plain = root.add(new Label(scene.font, "I"));
    plain->x = 200; plain->y = 100;
    Label *centred = root.add(new Label(scene.font, "I"));
    centred->x = 300; centred->y = 100;
    centred->style_base.width = 100;
    centred->style_base.halign = 0;
    root.measure_content();
    root.paint_content();
    Pixels px;
    EXPECT_RECT(px.bounds(0x800000), 101, 102, 8, 8);   // (128, 0, 0, 128) over black
    EXPECT_EQ(0xFFFFFF, px.rgb(201, 102));
    EXPECT_EQ(0xFFFFFF, px.rgb(346, 102));               // pen at 300 + 45, glyph 1 right of it
    EXPECT_EQ(0x000000, px.rgb(301, 102));
}
