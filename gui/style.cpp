// SPDX-License-Identifier: Zlib
// style.cpp - style records, their rules of motion and resolution.
#include "gui/style_internal.h"
#include <cmath>

// Motion rule per slot, in record order.
static const int32_t style_motion_table[STYLE_SLOTS] = {
    1000, 1000,                   // width, height
    STYLE_JUMP, STYLE_JUMP, STYLE_JUMP, // clip, halign, valign
    STYLE_COLOR, STYLE_COLOR, 36, // color, bg_color, alpha
    1, 1, 1, 1,                   // border
    STYLE_COLOR,                  // border_color
    1, 1, 1, 1,                   // padding
    1, 1, 1, 1,                   // margin
    STYLE_COLOR, 1, 1, STYLE_JUMP, 36,           // frame_color, _expand, _corner, _image, _alpha
    STYLE_JUMP, STYLE_COLOR, 36,                 // image, image_color, image_alpha
    STYLE_JUMP, STYLE_COLOR, 36,                 // image2, image2_color, image2_alpha
    STYLE_JUMP, STYLE_COLOR, 36, 1,              // frame2_image, _color, _alpha, _corner
    STYLE_JUMP, STYLE_JUMP, STYLE_JUMP,          // click, press, release sounds
};

Style::Style() {
    for (int32_t i = 0; i < STYLE_SLOTS; i++) *style_slot(*this, i) = STYLE_UNSET;
}

void Style::set_border(int32_t all) { for (int32_t &v : border) v = all; }
void Style::set_padding(int32_t all) { for (int32_t &v : padding) v = all; }
void Style::set_margin(int32_t all) { for (int32_t &v : margin) v = all; }

int32_t *style_slot(Style &s, int32_t slot) {
    if (slot < 0 || slot >= STYLE_SLOTS) return nullptr;
    return reinterpret_cast<int32_t *>(&s) + slot;   // flat record of int32 (static_assert in style.h)
}

const int32_t *style_slot(const Style &s, int32_t slot) {
    return style_slot(const_cast<Style &>(s), slot);
}

int32_t style_motion(int32_t slot) {
    return slot >= 0 && slot < STYLE_SLOTS ? style_motion_table[slot] : STYLE_JUMP;
}

int32_t style_approach(int32_t cur, int32_t target, int32_t step) {
    double d = (double)target - (double)cur;   // no int32 overflow between far-apart values
    if ((double)step > std::fabs(d)) return target;
    if (d > 0) return (int32_t)((double)cur + step);
    if (d < 0) return (int32_t)((double)cur - step);
    return cur;
}

int32_t style_approach_color(int32_t cur, int32_t target) {
    int32_t out = 0;
    for (int32_t shift = 0; shift <= 16; shift += 8) {
        int32_t c = (cur >> shift) & 255, t = (target >> shift) & 255;
        out |= style_approach(c, t, 36) << shift;
    }
    return out;
}

void style_resolve(Style &cur, const Style &state_record, const Style &base) {
    for (int32_t i = 0; i < STYLE_SLOTS; i++) {
        int32_t src = *style_slot(state_record, i);
        if (!style_set(src)) src = *style_slot(base, i);
        if (!style_set(src)) continue;             // nobody gives it: the displayed value stays
        int32_t &c = *style_slot(cur, i);
        int32_t rule = style_motion_table[i];
        if (!style_set(c) || rule == STYLE_JUMP) c = src;
        else if (rule == STYLE_COLOR) c = style_approach_color(c, src);
        else c = style_approach(c, src, rule);
    }
}

int32_t style_inset(const Style &s, int32_t side) {
    if (side < 0 || side > 3) return 0;
    return style_or(s.margin[side], 0) + style_or(s.border[side], 0) + style_or(s.padding[side], 0);
}
