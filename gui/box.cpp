// SPDX-License-Identifier: Zlib
// box.cpp - Box: one child placed by alignment inside the box's own size, optionally clipped.
#include <algorithm>
#include "gfx/gfx.h"
#include "gui/widget.h"
#include "gui/style_internal.h"

Box::Box(Widget *child) {
    if (!child) child = new Widget;   // a box always has its child
    child->x = child->y = 0;
    add(child);
}

void Box::measure_content() {
    Container::measure_content();
    Widget *c = child();
    if (!c) { content_w = content_h = 0; return; }
    const Style &s = style_current;
    int32_t lr = style_inset(s, SIDE_LEFT) + style_inset(s, SIDE_RIGHT);
    int32_t tb = style_inset(s, SIDE_TOP) + style_inset(s, SIDE_BOTTOM);
    int32_t width = style_or(s.width, 0), height = style_or(s.height, 0);
    if (style_or(s.clip, 0)) {
        content_w = width ? width - lr : c->w;
        content_h = height ? height - tb : c->h;
    } else {
        content_w = std::max(c->w, width - lr);
        content_h = std::max(c->h, height - tb);
    }
    align_child();
}

void Box::align_child() {
    Widget *c = child();
    if (!c) return;
    c->x = (style_or(style_current.halign, 0) + 1) * (content_w - c->w) / 2;
    c->y = (style_or(style_current.valign, 0) + 1) * (content_h - c->h) / 2;
}

// Takes the size it is given (a table cell) and aligns the child in it. The child was measured by
// this frame's layout pass already; measuring again would advance its style animation twice.
void Box::set_content_size(int32_t cw, int32_t ch) {
    content_w = cw;
    content_h = ch;
    align_child();
}

void Box::paint_content() {
    bool clip = style_or(style_current.clip, 0) != 0;
    if (clip) gfx_clip_push(content_w, content_h);
    Container::paint_content();
    if (clip) gfx_clip_pop();
}
