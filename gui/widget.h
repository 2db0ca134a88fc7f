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

struct Widget {
    Widget *parent = nullptr;   // the container holding it (not owned); null for a root
    Widget *next = nullptr;     // takes the focus on TAB (not owned); null for none, and nulled
                                // when that widget leaves this tree (removed or destroyed)
    int32_t inner_x = 0, inner_y = 0;       // content box offset: margin + border + padding
    int32_t content_w = 0, content_h = 0;
    int32_t x = 0, y = 0;                   // outer top-left in the parent's content coordinates
    int32_t w = 0, h = 0;                   // outer size
    int32_t scroll_x = 0, scroll_y = 0;     // content scroll (TextInput)
    int32_t on_click = 0, on_press = 0, on_move = 0, on_enter = 0;   // action codes, 0 = none
    std::string name;                       // for find()
    Style style_base, style_normal, style_current, style_hover, style_focus, style_focus_hover;
    int32_t hovered = 0, focused = 0;
    int32_t state = WIDGET_NORMAL;
    int32_t hidden = 0;                     // nonzero: ignored by pointer hit tests (still painted)
    int32_t col = 0, row = 0, col_span = 1, row_span = 1;   // cell in a Table

    Widget() = default;
    Widget(const Widget &) = delete;
    Widget &operator=(const Widget &) = delete;

    virtual Widget *find(const char *name);
    virtual const char *get_value_s();
    virtual void set_value_s(const char *text);
    virtual int32_t get_value_i();
    virtual void set_value_i(int32_t value);
    virtual void focus();                       // focus this widget along the whole path from the root
    virtual int32_t on_event(Event *e);         // e in content coordinates; returns an action code
    virtual void update();
    virtual void paint_content();               // origin at the content box's top-left
    virtual void set_content_size(int32_t w, int32_t h);   // a parent's request; plain widgets ignore it
    virtual void measure_content();
    virtual int32_t dispatch(Event *e);         // e in outer coordinates: sounds, then on_event
    virtual void paint();                       // origin at the outer top-left: box layers, content
    virtual void resize(int32_t w, int32_t h);  // fit the outer size to w x h where the widget can
    virtual void measure();                     // measure_content, then insets and outer size
    virtual ~Widget();

    Style &style_of_state();                    // the record that applies in the current state
    void resolve_style();                       // style_current one frame closer to it
    void set_flags(int32_t hovered, int32_t focused);   // and recompute state
    void apply_insets();                        // inner_x/y, w, h from content size + style_current
};

struct Container : Widget {
    std::vector<Widget *> children;   // owned; paint order (last on top), reverse of hit-test order
    Widget *hover_child = nullptr;
    Widget *focus_child = nullptr;

    Container() = default;
    ~Container() override;

    Widget *find(const char *name) override;
    int32_t on_event(Event *e) override;
    void update() override;
    void paint_content() override;
    void set_content_size(int32_t w, int32_t h) override;
    void measure_content() override;

    // Appends child (its x, y set by the caller), adopts it, resolves its style and measures its
    // content. Returns the child, typed, for chaining.
    template <class T> T *add(T *child) { adopt(child); return child; }
    void adopt(Widget *child);
    void remove(Widget *child);         // destroys it; nothing when it is not a child
    void clear();                       // destroys every child (a screen rebuilding itself)
    Widget *child_at(float px, float py);   // topmost non-hidden child under the point, or null
};

// A grid: cells are added row by row, each child's col/row/col_span/row_span give its cell.
struct Table : Container {
    int32_t next_row = -1;         // row of the next add_cell; -1 until new_row or the first cell
    int32_t next_col = 0;
    Widget *filler;                // hidden first child that spreads the table's width/height

    Table();
    void measure_content() override;
    void new_row();
    void clear();                  // drops every cell (the filler stays) and starts at the first row
    template <class T> T *add_cell(T *child) { adopt_cell(child); return child; }
    void adopt_cell(Widget *child);
};

// Holds exactly one child (children[0]) and places it by halign/valign inside its own size.
// width/height of a Box are outer sizes; clip cuts the child to the content box.
struct Box : Container {
    explicit Box(Widget *child);
    Widget *child() { return children.empty() ? nullptr : children[0]; }
    void paint_content() override;
    void set_content_size(int32_t w, int32_t h) override;
    void measure_content() override;
    virtual void align_child();
};

// A text in a font: one line, or wrapped at style width; colour, alpha and halign from the style.
struct Label : Widget {
    int32_t font = 0;
    std::string text;

    Label(int32_t font, const char *text);
    void paint_content() override;
    void measure_content() override;
};
