// SPDX-License-Identifier: Zlib
// text_input.cpp - TextInput: editing, history, caret placement, scrolling and painting.
#include "gui/text_input.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include "gfx/font_internal.h"
#include "app/clipboard.h"
#include "util/log.h"
#include "gfx/gfx_internal.h"
#include "gui/style_internal.h"

TextInput::TextInput(int32_t f, const char *t) : font(f), text(t ? t : "") {
    max_len = std::max<int32_t>(255, (int32_t)std::min<size_t>(text.size(), INT32_MAX));
    update_display();
    resolve_style();
    measure_content();
    scroll_to_caret(false, false);
}

const char *TextInput::get_value_s() { return text.c_str(); }

void TextInput::set_value_s(const char *s) { edit(0, (int32_t)text.size(), s ? s : ""); }

std::string TextInput::filter(std::string s) const {
    for (char &ch : s) {
        unsigned char c = (unsigned char)ch;
        if (c == '\n' && !multiline) c = ' ';
        if (c != '\n' && (c < 32 || c > 126)) c = '?';
        ch = (char)c;
    }
    return s;
}

void TextInput::update_display() {
    display = text;
    if (!password) return;
    display.assign(text.size(), '*');
    if (reveal_last && !text.empty()) display.back() = text.back();
}

void TextInput::clamp_positions() {
    int32_t len = (int32_t)text.size();
    cursor = std::clamp(cursor, 0, len);
    anchor = std::clamp(anchor, 0, len);
}

void TextInput::splice(int32_t start, int32_t count, const std::string &s) {
    int32_t len = (int32_t)text.size();
    start = std::clamp(start, 0, len);
    count = std::clamp(count, 0, len - start);
    text.replace((size_t)start, (size_t)count, s);
    update_display();
}

void TextInput::edit(int32_t start, int32_t count, std::string s) {
    int32_t len = (int32_t)text.size();
    if (start < 0 || count < 0) return;
    if (start > len - count) {          // start + count beyond the end, without overflow
        count = len - start;
        if (count < 0) return;
    }
    if ((int64_t)len - count + (int64_t)s.size() > max_len) {
        int64_t keep = (int64_t)max_len - len + count;
        if (keep < 0) return;
        s.resize((size_t)keep);
    }
    s = filter(std::move(s));
    TextEdit rec{cursor, start, text.substr((size_t)start, (size_t)count), s};
    splice(start, count, s);
    cursor = anchor = start + (int32_t)s.size();
    history.resize((size_t)history_pos);   // a new edit after undos drops the redo path
    history.push_back(std::move(rec));
    if (++history_pos > TEXT_HISTORY_MAX) {
        history.erase(history.begin());
        history_pos--;
    }
}

void TextInput::undo() {
    if (history_pos <= 0) return;
    const TextEdit &r = history[(size_t)--history_pos];
    splice(r.start, (int32_t)r.inserted.size(), r.removed);
    cursor = anchor = r.cursor_before;
    clamp_positions();
}

void TextInput::redo() {
    if (history_pos >= (int32_t)history.size()) return;
    const TextEdit &r = history[(size_t)history_pos++];
    splice(r.start, (int32_t)r.removed.size(), r.inserted);
    cursor = anchor = r.start + (int32_t)r.inserted.size();
    clamp_positions();
}

void TextInput::measure_content() {
    content_h = style_set(style_current.height) ? style_current.height
              : gfx_trunc(font_height(font, text.c_str(), multiline ? (float)content_w : 0.0f));
    content_w = style_set(style_current.width) ? style_current.width
              : std::max(gfx_trunc(font_width(font, text.c_str())), content_h);
}

GfxRect TextInput::caret_box(int32_t pos) {
    GfxRect c = font_caret(font, display.c_str(), pos, (float)wrap_width());
    c.w = (float)caret_w;
    return c;
}

void TextInput::place_cursor(int32_t px, int32_t py, bool move_anchor) {
    cursor = font_hit(font, display.c_str(), px, py, (float)wrap_width());
    clamp_positions();
    if (move_anchor) anchor = cursor;
}

void TextInput::scroll_to_caret(bool reset_pref, bool follow) {
    if (reset_pref) pref_x = -1;
    int32_t ww = wrap_width();
    int32_t tw = ww ? ww : gfx_trunc(font_width(font, display.c_str()));
    int32_t th = gfx_trunc(font_height(font, display.c_str(), (float)ww));
    if (follow) {
        GfxRect c = caret_box(cursor);
        if ((float)scroll_x > c.x) scroll_x = gfx_trunc(c.x);
        if ((float)(scroll_x + content_w) < c.x + c.w) scroll_x = gfx_trunc(c.x + c.w - (float)content_w);
        if ((float)scroll_y > c.y) scroll_y = gfx_trunc(c.y);
        if ((float)(scroll_y + content_h) < c.y + c.h) scroll_y = gfx_trunc(c.y + c.h - (float)content_h);
    }
    scroll_x = std::max(0, std::min(scroll_x, caret_w - content_w + tw));
    scroll_y = std::max(0, std::min(scroll_y, th - content_h));
}

int32_t TextInput::on_event(Event *e) {
    int32_t r = Widget::on_event(e);
    if (r) return r;
    clamp_positions();
    bool single = !multiline;
    switch (e->type) {
    case EV_CLICK:
        reveal_last = 0;
        break;
    case EV_FOCUS:
        glitz_info("evt_focus\n");
        if (single) { anchor = 0; cursor = (int32_t)text.size(); }
        scroll_to_caret(false, e->key != 8);   // a focus made by a press does not scroll
        break;
    case EV_BLUR:
        reveal_last = 0;
        if (single) scroll_x = scroll_y = 0;
        scroll_to_caret(false, false);
        break;
    case EV_MOUSEDOWN:
        glitz_info("evt_down\n");
        place_cursor(gfx_trunc(e->pos[0] + (float)scroll_x), gfx_trunc(e->pos[1] + (float)scroll_y), true);
        scroll_to_caret(true, true);
        break;
    case EV_MOUSEMOVE:
        if (!focused || !e->button) break;
        [[fallthrough]];
    case EV_MOUSEUP:   // drag selection: the anchor stays where the press put it
        place_cursor(gfx_trunc(e->pos[0] + (float)scroll_x), gfx_trunc(e->pos[1] + (float)scroll_y), false);
        scroll_to_caret(true, true);
        break;
    case EV_WHEEL: {
        float line = font_height(font, "", 0.0f);   // one line: no wrap width
        float y = line * e->rel[1] + (float)scroll_y;
        scroll_y = std::isfinite(y) ? gfx_trunc(y) : scroll_y;
        scroll_to_caret(false, false);
        break;
    }
    case EV_KEYDOWN:
        reveal_last = 0;
        return on_key(e);
    default:
        break;
    }
    return 0;
}

int32_t TextInput::on_key(Event *e) {
    int32_t lo = std::min(anchor, cursor), n = std::abs(anchor - cursor), len = (int32_t)text.size();
    bool shift = (e->button & MOD_SHIFT) != 0;
    bool command = (e->button & (MOD_CTRL | MOD_ALT | MOD_META)) != 0;
    GfxRect c = caret_box(cursor);
    switch (e->key) {
    case KEY_TAB:
        return 0;   // Widget::on_event has moved the focus to next
    case KEY_BACKSPACE:
        if (n) edit(lo, n, "");
        else if (cursor > 0) edit(cursor - 1, 1, "");
        break;
    case KEY_DELETE:
        if (n) edit(lo, n, "");
        else edit(cursor, 1, "");
        break;
    case KEY_LEFT:
        if (cursor > 0) cursor--;
        if (!shift) anchor = cursor;
        break;
    case KEY_RIGHT:
        if (cursor < len) cursor++;
        if (!shift) anchor = cursor;
        break;
    case KEY_UP:
    case KEY_DOWN: {
        if (pref_x == -1) pref_x = gfx_trunc(c.x + c.w * 0.5f);
        float y = e->key == KEY_UP ? c.y - c.h * 0.5f : c.y + c.h + c.h * 0.5f;
        place_cursor(pref_x, gfx_trunc(y), !shift);
        scroll_to_caret(false, true);   // keeps pref_x for the next vertical move
        return 0;
    }
    case KEY_HOME:
        place_cursor(0, gfx_trunc(c.y + c.h * 0.5f), !shift);
        break;
    case KEY_END: {
        int32_t ww = wrap_width();
        place_cursor(ww ? ww : gfx_trunc(font_width(font, display.c_str())), gfx_trunc(c.y + c.h * 0.5f), !shift);
        break;
    }
    case KEY_ENTER:
        if (!multiline) return on_enter;
        edit(lo, n, "\n");
        break;
    default:
        if (command && e->key == KEY_Z) {
            if (shift) redo(); else undo();
        } else if (command && e->key == KEY_X) {
            if (!password) clipboard_set(text.substr((size_t)lo, (size_t)n));
            edit(lo, n, "");
        } else if (command && e->key == KEY_C) {
            if (!password) clipboard_set(text.substr((size_t)lo, (size_t)n));
            return 0;
        } else if (command && e->key == KEY_V) {
            edit(lo, n, clipboard_get());
        } else if (e->unicode == 10 || (e->unicode >= 32 && e->unicode <= 126)) {
            edit(lo, n, std::string(1, (char)e->unicode));
        } else {
            return 0;   // nothing typed: no scrolling either
        }
        break;
    }
    scroll_to_caret(true, true);
    return 0;
}

void TextInput::paint_content() {
    update_display();
    clamp_positions();
    int32_t ww = wrap_width();
    gfx_clip_push(content_w, content_h);
    gfx_translate(-scroll_x, -scroll_y);
    if (focused) {
        GfxRect c = caret_box(cursor);
        if (anchor != cursor) {
            GfxRect ra = caret_box(std::min(anchor, cursor)), rb = caret_box(std::max(anchor, cursor));
            auto i = gfx_trunc;
            if (ra.y == rb.y) {
                gfx_fill_rect(TEXT_SELECTION_COLOR, i(ra.x), i(ra.y), i(rb.x - ra.x), i(ra.h));
            } else {
                gfx_fill_rect(TEXT_SELECTION_COLOR, i(ra.x), i(ra.y), i((float)ww - ra.x), i(ra.h));
                gfx_fill_rect(TEXT_SELECTION_COLOR, 0, i(ra.y + ra.h), ww, i(rb.y - ra.y - ra.h));
                gfx_fill_rect(TEXT_SELECTION_COLOR, 0, i(rb.y), i(rb.x), i(rb.h));
            }
        }
        font_draw(font, display.c_str(), 0, 0, (float)ww, -1);
        gfx_fill_rect(0xFFFFFF, gfx_trunc(c.x), gfx_trunc(c.y), caret_w, gfx_trunc(c.h));
    } else {
        font_draw(font, display.c_str(), 0, 0, (float)ww, -1);
    }
    gfx_translate(scroll_x, scroll_y);
    gfx_clip_pop();
}
