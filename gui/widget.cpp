// SPDX-License-Identifier: Zlib
// widget.cpp - Widget and Container: box model, style painting, event routing, focus and hover.
#include "gui/widget.h"
#include <GL/gl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "gfx/gfx_internal.h"
#include "sound/sound.h"
#include "gui/style_internal.h"

// ---------------------------------------------------------------------------------------------
// Widget

// Clears every `next` under w (w included) that points at gone.
static void forget_tab_links(Widget *w, const Widget *gone) {
    if (w->next == gone) w->next = nullptr;
    if (Container *c = dynamic_cast<Container *>(w))
        for (Widget *child : c->children) forget_tab_links(child, gone);
}

// `next` owns nothing: a widget going away unlinks itself from every TAB link in its root's tree.
// Containers take children out of their list before destroying them, so the walk from the root
// meets only widgets that are still alive (the rest of the dying subtree is gone from it already).
Widget::~Widget() {
    Widget *root = this;
    while (root->parent) root = root->parent;
    if (root != this) forget_tab_links(root, this);
}

Widget *Widget::find(const char *wanted) {
    return wanted && name == wanted ? this : nullptr;
}

const char *Widget::get_value_s() { fprintf(stderr, "const char *get_value_s(): n/a\n"); return nullptr; }
void Widget::set_value_s(const char *) { fprintf(stderr, "set_value_s(const char *): n/a\n"); }
int32_t Widget::get_value_i() { fprintf(stderr, "int get_value_i(): n/a\n"); return 0; }
void Widget::set_value_i(int32_t) { fprintf(stderr, "set_value_i(int): n/a\n"); }

void Widget::focus() {
    // Blur the old focus path: every container from here up drops what it focused.
    Event blur = event_make(EV_BLUR);
    for (Widget *p = this; p; p = p->parent) p->on_event(&blur);
    // Then focus the path from the root down to here.
    Event foc = event_make(EV_FOCUS);
    on_event(&foc);
    for (Widget *below = this, *p = parent; p; below = p, p = p->parent) {
        static_cast<Container *>(p)->focus_child = below;   // only containers are parents
        p->on_event(&foc);
    }
}

void Widget::set_flags(int32_t hov, int32_t foc) {
    hovered = hov;
    focused = foc;
    state = hovered && focused ? WIDGET_FOCUS_HOVER : focused ? WIDGET_FOCUS : hovered ? WIDGET_HOVER : WIDGET_NORMAL;
}

int32_t Widget::on_event(Event *e) {
    if (e->type == EV_KEYDOWN && e->key == KEY_TAB && next) next->focus();
    switch (e->type) {
    case EV_CLICK: return on_click;
    case EV_MOUSEMOVE: return on_move;
    case EV_MOUSEDOWN: return on_press;
    case EV_FOCUS: set_flags(hovered, 1); return 0;
    case EV_BLUR: set_flags(hovered, 0); return 0;
    case EV_HOVER: set_flags(1, focused); return 0;
    case EV_UNHOVER: set_flags(0, focused); return 0;
    default: return 0;
    }
}

void Widget::update() {}
void Widget::paint_content() {}

void Widget::set_content_size(int32_t, int32_t) { measure_content(); }

void Widget::measure_content() {
    content_w = style_or(style_current.width, 0);
    content_h = style_or(style_current.height, 0);
}

int32_t Widget::dispatch(Event *e) {
    Event local = *e;
    local.pos[0] -= (float)inner_x;
    local.pos[1] -= (float)inner_y;
    int32_t sound = STYLE_UNSET;
    if (e->type == EV_CLICK) sound = style_current.click_sound;
    else if (e->type == EV_MOUSEDOWN) sound = style_current.press_sound;
    else if (e->type == EV_MOUSEUP) sound = style_current.release_sound;
    if (style_set(sound)) sound_play(sound, 1.0f, 0.0f);
    return on_event(&local);
}

// Premultiplied colour from 0xRRGGBB and an alpha (unset: the given defaults).
static void set_color(int32_t rgb, int32_t alpha) {
    int32_t a = std::clamp(alpha, 0, 255);
    gfx_color((uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb, (uint8_t)a);
}

void Widget::paint() {
    const Style &s = style_current;
    auto v = [](int32_t x) { return style_or(x, 0); };
    int32_t mt = v(s.margin[SIDE_TOP]), mr = v(s.margin[SIDE_RIGHT]), mb = v(s.margin[SIDE_BOTTOM]), ml = v(s.margin[SIDE_LEFT]);
    int32_t bt = v(s.border[SIDE_TOP]), br = v(s.border[SIDE_RIGHT]), bb = v(s.border[SIDE_BOTTOM]), bl = v(s.border[SIDE_LEFT]);
    int32_t W = w, H = h;
    int32_t inside_h = H - mt - mb - bt - bb;   // height of the padding box
    if (style_set(s.bg_color))
        gfx_fill_rect(s.bg_color, ml + bl, mt + bt, W - ml - mr - bl - br, inside_h);
    if (style_set(s.border_color)) {
        if (bt) gfx_fill_rect(s.border_color, ml, mt, W - ml - mr, bt);
        if (bb) gfx_fill_rect(s.border_color, ml, H - mb - bb, W - ml - mr, bb);
        if (br) gfx_fill_rect(s.border_color, W - mr - br, mt + bt, br, inside_h);
        if (bl) gfx_fill_rect(s.border_color, ml, mt + bt, bl, inside_h);
    }
    if (style_set(s.frame_color) && style_set(s.frame_image)) {
        int32_t e = v(s.frame_expand);
        set_color(s.frame_color, style_or(s.frame_alpha, 255));
        gfx_draw_box(s.frame_image, ml - e, mt - e, W - ml - mr + 2 * e, H - mt - mb + 2 * e, style_or(s.frame_corner, 16));
        gfx_color(255, 255, 255, 255);
    }
    if (style_set(s.image)) {
        set_color(style_or(s.image_color, 0xFFFFFF), style_or(s.image_alpha, 255));
        gfx_draw_img(s.image, (float)inner_x, (float)inner_y, (float)content_w, (float)content_h);
        gfx_color(255, 255, 255, 255);
    }
    if (style_set(s.image2)) {
        set_color(style_or(s.image2_color, 0xFFFFFF), style_or(s.image2_alpha, 255));
        gfx_draw_img(s.image2, (float)inner_x, (float)inner_y, (float)content_w, (float)content_h);
        gfx_color(255, 255, 255, 255);
    }
    if (style_set(s.frame2_image)) {
        set_color(style_or(s.frame2_color, 0xFFFFFF), style_or(s.frame2_alpha, 255));
        gfx_draw_box(s.frame2_image, ml, mt, W - ml - mr, H - mt - mb, style_or(s.frame2_corner, 16));
        gfx_color(255, 255, 255, 255);
    }
    gfx_translate(inner_x, inner_y);
    paint_content();
    gfx_translate(-inner_x, -inner_y);
}

void Widget::apply_insets() {
    const Style &s = style_current;
    inner_x = style_inset(s, SIDE_LEFT);
    inner_y = style_inset(s, SIDE_TOP);
    w = content_w + inner_x + style_inset(s, SIDE_RIGHT);
    h = content_h + inner_y + style_inset(s, SIDE_BOTTOM);
}

void Widget::resize(int32_t rw, int32_t rh) {
    const Style &s = style_current;
    set_content_size(rw - style_inset(s, SIDE_LEFT) - style_inset(s, SIDE_RIGHT),
                     rh - style_inset(s, SIDE_TOP) - style_inset(s, SIDE_BOTTOM));
    apply_insets();
}

void Widget::measure() {
    measure_content();
    apply_insets();
}

Style &Widget::style_of_state() {
    switch (state) {
    case WIDGET_HOVER: return style_hover;
    case WIDGET_FOCUS: return style_focus;
    case WIDGET_FOCUS_HOVER: return style_focus_hover;
    default: return style_normal;
    }
}

void Widget::resolve_style() { style_resolve(style_current, style_of_state(), style_base); }

// ---------------------------------------------------------------------------------------------
// Container

Container::~Container() {
    std::vector<Widget *> old;   // out of the list first (see ~Widget), then destroyed in order
    old.swap(children);
    for (Widget *c : old) delete c;
}

Widget *Container::find(const char *wanted) {
    for (Widget *c : children)
        if (Widget *hit = c->find(wanted)) return hit;
    return Widget::find(wanted);
}

void Container::adopt(Widget *child) {
    if (!child) return;
    children.push_back(child);
    child->parent = this;
    child->resolve_style();
    child->measure_content();
}

void Container::remove(Widget *child) {
    if (!child) return;
    if (hover_child == child) hover_child = nullptr;
    if (focus_child == child) focus_child = nullptr;
    auto it = std::find(children.begin(), children.end(), child);
    if (it == children.end()) return;
    children.erase(it);
    delete child;
}

void Container::clear() {
    hover_child = focus_child = nullptr;
    std::vector<Widget *> old;
    old.swap(children);
    for (Widget *c : old) delete c;
}

Widget *Container::child_at(float px, float py) {
    for (size_t i = children.size(); i-- > 0;) {
        Widget *c = children[i];
        if (c->hidden) continue;
        if ((float)c->x <= px && px < (float)c->x + (float)c->w && (float)c->y <= py && py < (float)c->y + (float)c->h)
            return c;
    }
    return nullptr;
}

// A copy of e with pos relative to child c.
static Event relative_to(const Event *e, const Widget *c) {
    Event local = *e;
    local.pos[0] -= (float)c->x;
    local.pos[1] -= (float)c->y;
    return local;
}

int32_t Container::on_event(Event *e) {
    int32_t r = Widget::on_event(e);
    if (r) return r;
    if (e->type == EV_CLICK) return 0;

    // Focus: a press focuses the child under the pointer (or nothing), a blur drops it.
    Widget *cand = focus_child;
    if (e->type == EV_MOUSEDOWN) cand = child_at(e->pos[0], e->pos[1]);
    else if (e->type == EV_BLUR) cand = nullptr;
    if (cand != focus_child) {
        Widget *old = focus_child;
        focus_child = cand;   // stored first, so a handler that looks at it sees the new state
        if (old) { Event b = event_make(EV_BLUR); old->on_event(&b); }
        if (cand) { Event f = event_make(EV_FOCUS); f.key = 8; cand->on_event(&f); }
    }

    // Hover: the child under the pointer on moves and presses, nothing on unhover.
    cand = hover_child;
    if (e->type == EV_MOUSEMOVE || e->type == EV_MOUSEDOWN) cand = child_at(e->pos[0], e->pos[1]);
    else if (e->type == EV_UNHOVER) cand = nullptr;
    if (cand != hover_child) {
        Widget *old = hover_child;
        hover_child = cand;
        if (old) { Event u = event_make(EV_UNHOVER); old->on_event(&u); }
        if (cand) { Event o = event_make(EV_HOVER); cand->on_event(&o); }
    }

    if (e->type == EV_FOCUS || e->type == EV_BLUR || e->type == EV_HOVER || e->type == EV_UNHOVER) return 0;

    if (hover_child && hover_child != focus_child && (e->type == EV_MOUSEMOVE || e->type == EV_WHEEL)) {
        Event local = relative_to(e, hover_child);
        if ((r = hover_child->dispatch(&local))) return r;
    }
    if (!focus_child) return 0;
    Widget *fc = focus_child;
    Event local = relative_to(e, fc);
    if ((r = fc->dispatch(&local))) return r;
    if (hover_child == focus_child && focus_child == fc && e->type == EV_MOUSEUP) {
        Event click = relative_to(e, fc);
        click.type = EV_CLICK;
        return fc->dispatch(&click);
    }
    return 0;
}

void Container::update() {
    for (Widget *c : children) c->update();
}

void Container::paint_content() {
    bool push = children.size() >= 2 || !parent;
    for (Widget *c : children) {
        GfxRect box = {(float)c->x, (float)c->y, (float)c->w, (float)c->h};
        if (!gfx_clip(box, nullptr)) continue;   // wholly outside the clip rectangle
        if (push && gfx) glPushMatrix();
        gfx_translate(c->x, c->y);
        c->paint();
        gfx_translate(-c->x, -c->y);
        if (push && gfx) { gfx_flush(); glPopMatrix(); }
    }
}

// A container's size comes from its children, measured in this frame's layout pass; measuring again
// here would resolve the children's styles a second time and double their animation speed.
void Container::set_content_size(int32_t, int32_t) {}

void Container::measure_content() {
    int32_t mw = 0, mh = 0;
    for (Widget *c : children) {
        c->resolve_style();
        c->measure();
        mw = std::max(mw, c->x + c->w);
        mh = std::max(mh, c->y + c->h);
    }
    content_w = mw;
    content_h = mh;
}
