// SPDX-License-Identifier: Zlib
// label.cpp - Label: a text in a font, measured from the text or wrapped at the style's width.
#include <algorithm>
#include "gfx/font.h"
#include "gui/widget.h"
#include "gfx/gfx_internal.h"
#include "gui/style_internal.h"

Label::Label(int32_t f, const char *t) : font(f), text(t ? t : "") {}

void Label::measure_content() {
    content_w = style_set(style_current.width) ? style_current.width : gfx_trunc(font_width(font, text.c_str()));
    content_h = gfx_trunc(font_height(font, text.c_str(), (float)content_w));
}

void Label::paint_content() {
    int32_t rgb = style_or(style_current.color, 0xFFFFFF);
    int32_t a = std::clamp(style_or(style_current.alpha, 255), 0, 255);
    gfx_color((uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb, (uint8_t)a);
    font_draw(font, text.c_str(), 0, 0, (float)content_w, style_or(style_current.halign, -1));
    gfx_color(255, 255, 255, 255);
}
