// SPDX-License-Identifier: Zlib
// text_input.h - TextInput: an editable text field with selection, undo/redo and the clipboard.
//
//   TextInput *in = root.add(new TextInput(font_load("font1"), "input"));
//   in->style_base.width = 200;       // fixed width: the text scrolls to keep the caret in view
//   in->on_enter = 7;                 // root.on_event returns 7 when ENTER is pressed in it
//   in->password = 1;                 // options: password (stars), reveal_last, multiline
//   const char *value = in->get_value_s();
//
// Positions (cursor, anchor, history) are byte indices into text. Every inserted text is filtered:
// single-line fields turn '\n' into ' ', and every byte outside 32..126 other than '\n' becomes '?'.
// The field holds at most max_len bytes; the history keeps the last 255 edits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "gfx/gfx.h"
#include "gui/widget.h"

struct TextEdit {
    int32_t cursor_before;   // caret before the edit
    int32_t start;
    std::string removed;
    std::string inserted;
};

enum { TEXT_HISTORY_MAX = 255, TEXT_SELECTION_COLOR = 0x55AAFF };

struct TextInput : Widget {
    int32_t font = 0;
    std::string text;        // the value
    std::string display;     // what is drawn: text, or stars for a password
    std::vector<TextEdit> history;
    int32_t history_pos = 0; // records before it can be undone, from it on redone
    int32_t anchor = 0;      // fixed end of the selection
    int32_t cursor = 0;      // caret, 0..length
    int32_t caret_w = 2;
    int32_t pref_x = -1;     // x kept while moving up and down; -1 for none
    int32_t max_len = 255;
    int32_t password = 0, reveal_last = 0, multiline = 0;

    TextInput(int32_t font, const char *text);

    const char *get_value_s() override;
    void set_value_s(const char *text) override;   // one undoable edit replacing everything
    int32_t on_event(Event *e) override;
    void paint_content() override;
    void measure_content() override;

    void edit(int32_t start, int32_t count, std::string s);   // filtered, limited, recorded
    void undo();
    void redo();
    void update_display();
    void place_cursor(int32_t x, int32_t y, bool move_anchor);
    void scroll_to_caret(bool reset_pref, bool follow);
    int32_t wrap_width() const { return multiline ? content_w - caret_w : 0; }
    GfxRect caret_box(int32_t pos);   // caret rectangle at pos, caret_w wide
    std::string filter(std::string s) const;

private:
    void splice(int32_t start, int32_t count, const std::string &s);
    void clamp_positions();
    int32_t on_key(Event *e);
};
