// SPDX-License-Identifier: Zlib
// widget.h - GUI widgets: Widget, Container, Table, Box and Label.
//
// Every screen owns one root Container. Build it, then once per frame lay it out and paint it, and
// hand it every input event (pos in view coordinates):
//
//   Container root;
//   Table *t = root.add(new Table);              // the container owns what it adds
//   t->new_row();
//   Label *l = new Label(font_load("font1"), "HELLO");
//   t->add_cell(new Box(l));                     // a Box in a cell fills it and centres l
//   l->style_base.color = 0xFFFF55;
//   t->style_base.width = 1024;                  // written after add: shows from the next measure
//   ...
//   root.measure_content(); root.paint_content();          // each frame (resolves styles, lays out)
//   int32_t action = root.on_event(&e);                     // a widget's on_click/on_press/... code
//
// Positions are integers in the parent's content coordinates, y down. A widget's box is, from the
// outside in, margin, border, padding, content (style.h). Interaction state follows the events the
// widget receives: EV_HOVER/EV_UNHOVER and EV_FOCUS/EV_BLUR, which containers make as the pointer
// moves and presses; a press and release on the same focused child makes an EV_CLICK.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "app/event.h"
#include "gui/style.h"

// Interaction states (Widget::state): the style record that applies in each.
enum { WIDGET_NORMAL = 0, WIDGET_HOVER = 2, WIDGET_FOCUS = 3, WIDGET_FOCUS_HOVER = 4 };

// The base of every widget: a box (margin, border, padding, content) with styles per interaction
// state, painted by its parent. A plain Widget draws only its style's layers (background, border,
// frames, images), so it serves as a picture or a coloured block.
struct Widget {
    Widget *parent = nullptr;   // the container holding it (not owned); null for a root
    Widget *next = nullptr;     // takes the focus on TAB (not owned); null for none, and nulled
                                // when that widget leaves this tree (removed or destroyed)
    int32_t inner_x = 0;        // content box offset from the outer left: margin + border + padding
    int32_t inner_y = 0;        // content box offset from the outer top
    int32_t content_w = 0;      // content box size, set by measuring
    int32_t content_h = 0;      // content box height
    int32_t x = 0;              // outer left in the parent's content coordinates (set by the caller,
                                // or by a Table or Box)
    int32_t y = 0;              // outer top in the parent's content coordinates
    int32_t w = 0;              // outer width, set by measuring
    int32_t h = 0;              // outer height
    int32_t scroll_x = 0;       // content scroll (TextInput)
    int32_t scroll_y = 0;       // content scroll (TextInput)
    // Action codes on_event returns (0 = none): a program picks the numbers and acts on them.
    int32_t on_click = 0;       // on EV_CLICK (press and release on it)
    int32_t on_press = 0;       // on EV_MOUSEDOWN
    int32_t on_move = 0;        // on EV_MOUSEMOVE over it
    int32_t on_enter = 0;       // on ENTER in a TextInput
    std::string name;           // for find()
    Style style_base;           // what applies in every state unless the state's record sets it
    Style style_normal;         // the state records, one per WIDGET_* state
    Style style_current;        // what is painted: one frame closer to the records each frame
    Style style_hover;          // while the pointer is over it
    Style style_focus;          // while focused
    Style style_focus_hover;    // while focused and under the pointer
    int32_t hovered = 0;        // nonzero while under the pointer (from EV_HOVER to EV_UNHOVER)
    int32_t focused = 0;        // nonzero while focused (from EV_FOCUS to EV_BLUR)
    int32_t state = WIDGET_NORMAL;   // WIDGET_*, from hovered and focused
    int32_t hidden = 0;         // nonzero: ignored by pointer hit tests (still painted)
    int32_t col = 0;            // cell in a Table: column, set by add_cell
    int32_t row = 0;            // cell in a Table: row, set by add_cell
    int32_t col_span = 1;       // columns the cell spans; set after add_cell, which resets it to 1
    int32_t row_span = 1;       // rows the cell spans; set after add_cell, which resets it to 1

    Widget() = default;
    Widget(const Widget &) = delete;             // widgets live in one tree: not copied
    Widget &operator=(const Widget &) = delete;  // nor assigned

    virtual Widget *find(const char *name);     // this or the first descendant with that name, or null
    // The value of a widget that holds one (TextInput: its text). Others print "n/a" and give
    // null or 0, and ignore a new value.
    virtual const char *get_value_s();
    virtual void set_value_s(const char *text);  // a widget's text value (see get_value_s)
    virtual int32_t get_value_i();               // a widget's number value (none has one yet)
    virtual void set_value_i(int32_t value);     // a widget's number value (see get_value_i)
    virtual void focus();                       // focus this widget along the whole path from the root
    virtual int32_t on_event(Event *e);         // e in content coordinates; returns an action code
    virtual void update();                      // per tick; a Container hands it to its children
    virtual void paint_content();               // origin at the content box's top-left
    virtual void set_content_size(int32_t w, int32_t h);   // a parent's request; plain widgets ignore it
    // Sets content_w, content_h: a plain widget takes the style's width and height (unset: 0).
    virtual void measure_content();
    virtual int32_t dispatch(Event *e);         // e in outer coordinates: sounds, then on_event
    virtual void paint();                       // origin at the outer top-left: box layers, content
    virtual void resize(int32_t w, int32_t h);  // fit the outer size to w x h where the widget can
    virtual void measure();                     // measure_content, then insets and outer size
    virtual ~Widget();                          // unlinks itself from every next link of its tree

    Style &style_of_state();                    // the record that applies in the current state
    void resolve_style();                       // style_current one frame closer to it
    void set_flags(int32_t hovered, int32_t focused);   // and recompute state
    void apply_insets();                        // inner_x/y, w, h from content size + style_current
};

// Holds widgets at the positions they are given, and routes events: a press focuses the child
// under the pointer, moves hover it, and every event goes on to the focused child.
struct Container : Widget {
    std::vector<Widget *> children;   // owned; paint order (last on top), reverse of hit-test order
    Widget *hover_child = nullptr;    // the child under the pointer, or null
    Widget *focus_child = nullptr;    // the focused child, or null

    Container() = default;
    ~Container() override;            // destroys the children

    Widget *find(const char *name) override;
    int32_t on_event(Event *e) override;
    void update() override;
    void paint_content() override;
    void set_content_size(int32_t w, int32_t h) override;
    // Resolves and measures every child; the content size reaches the farthest child's outer edge.
    void measure_content() override;

    // Appends child (its x, y set by the caller), adopts it, resolves its style and measures its
    // content. Returns the child, typed, for chaining.
    template <class T> T *add(T *child) { adopt(child); return child; }
    void adopt(Widget *child);          // add() untyped; null does nothing
    void remove(Widget *child);         // destroys it; nothing when it is not a child
    void clear();                       // destroys every child (a screen rebuilding itself)
    Widget *child_at(float px, float py);   // topmost non-hidden child under the point, or null
};

// A grid: cells are added row by row, each child's col/row/col_span/row_span give its cell.
struct Table : Container {
    int32_t next_row = -1;         // row of the next add_cell; -1 until new_row or the first cell
    int32_t next_col = 0;          // column of the next add_cell
    Widget *filler;                // hidden first child that spreads the table's width/height

    Table();
    // Column widths and row heights from the cells' outer sizes (spans spread what they lack),
    // widened to the style's width and height; every cell is then resized to its cell.
    void measure_content() override;
    void new_row();                // the next add_cell starts a new row at column 0
    void clear();                  // drops every cell (the filler stays) and starts at the first row
    // Adds child as the next cell of the current row (a first cell without new_row opens row 0):
    // its row and col are set, its spans reset to 1. Returns the child, typed.
    template <class T> T *add_cell(T *child) { adopt_cell(child); return child; }
    void adopt_cell(Widget *child);    // add_cell() untyped; null does nothing
};

// Holds exactly one child (children[0]) and places it by halign/valign inside its own size.
// width/height of a Box are outer sizes; clip cuts the child to the content box.
struct Box : Container {
    explicit Box(Widget *child);   // takes child (owned; null: an empty Widget)
    Widget *child() { return children.empty() ? nullptr : children[0]; }   // the child, or null
    void paint_content() override;
    void set_content_size(int32_t w, int32_t h) override;
    // At least the child's size, or the style's width and height less the insets; with clip, that
    // size exactly.
    void measure_content() override;
    virtual void align_child();    // places the child by halign, valign (unset: centred)
};

// A text in a font (white unless style color, alpha and halign say otherwise). Without a style
// width it is one line as wide as the whole text: a text holding newlines is then drawn on several
// lines but measured as wide as all of them end to end (font_width), so centring and any Box around
// it are off. Give it a style width (it then wraps at that width and breaks at each newline), or
// use one Label per line in a Table.
struct Label : Widget {
    int32_t font = 0;              // font index (font_load); 0 draws nothing
    std::string text;              // the text; written any time, measured in the next frame

    Label(int32_t font, const char *text);   // null text: empty
    void paint_content() override;
    // Width: the style's width, else font_width of the text; height: the lines at that width.
    void measure_content() override;
};
