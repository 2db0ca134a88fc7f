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

// One undoable edit: at byte start, `removed` gave way to `inserted`.
struct TextEdit {
    int32_t cursor_before;   // caret before the edit
    int32_t start;           // byte index of the edit
    std::string removed;     // the bytes it removed
    std::string inserted;    // the bytes it inserted
};

// Edits the history keeps, and the colour of the selection (0xRRGGBB).
enum { TEXT_HISTORY_MAX = 255, TEXT_SELECTION_COLOR = 0x55AAFF };

// An editable text field. Keys: arrows, HOME, END, BACKSPACE, DELETE (Shift selects); Ctrl (or Alt
// or Meta) with Z undo, Shift+Z redo, X cut, C copy, V paste; ENTER returns on_enter (a multiline
// field inserts a newline); TAB moves the focus to `next`. A press places the caret.
struct TextInput : Widget {
    int32_t font = 0;        // font index (font_load)
    std::string text;        // the value
    std::string display;     // what is drawn: text, or stars for a password
    std::vector<TextEdit> history;   // the last TEXT_HISTORY_MAX edits, oldest first
    int32_t history_pos = 0; // records before it can be undone, from it on redone
    int32_t anchor = 0;      // fixed end of the selection
    int32_t cursor = 0;      // caret, 0..length
    int32_t caret_w = 2;     // caret width in canvas units
    int32_t pref_x = -1;     // x kept while moving up and down; -1 for none
    int32_t max_len = 255;   // most bytes the value may hold (at least the initial text's length)
    int32_t password = 0;    // nonzero: drawn as stars, and cut and copy put nothing on the clipboard
    int32_t reveal_last = 0; // nonzero: a password shows its last character until the next key,
                             // click or focus change
    int32_t multiline = 0;   // nonzero: ENTER inserts a newline and the text wraps at the width

    // A field on font holding text (null: empty), one line high; set style_base.width to fix its
    // width, else it is as wide as its text.
    TextInput(int32_t font, const char *text);

    const char *get_value_s() override;             // the text; valid until the next change
    void set_value_s(const char *text) override;   // one undoable edit replacing everything
    int32_t on_event(Event *e) override;
    void paint_content() override;
    // The style's width and height where set, else the text's size (at least one line high, and
    // as wide as high).
    void measure_content() override;

    void edit(int32_t start, int32_t count, std::string s);   // filtered, limited, recorded
    void undo();                               // takes back the last edit, if any
    void redo();                               // does again the last edit undone, if any
    void update_display();                     // display from text, password and reveal_last
    // Moves the caret to the byte nearest content point x, y (and the anchor too when move_anchor).
    void place_cursor(int32_t x, int32_t y, bool move_anchor);
    // Scrolls so the caret shows (follow) or only keeps the scroll in range; reset_pref forgets pref_x.
    void scroll_to_caret(bool reset_pref, bool follow);
    // The width the text wraps at: the content width less the caret for multiline, else 0 (none).
    int32_t wrap_width() const { return multiline ? content_w - caret_w : 0; }
    GfxRect caret_box(int32_t pos);   // caret rectangle at pos, caret_w wide
    // s as the field takes it: newlines become spaces in a single-line field, other bytes outside
    // 32..126 become '?'.
    std::string filter(std::string s) const;

private:
    void splice(int32_t start, int32_t count, const std::string &s);
    void clamp_positions();
    int32_t on_key(Event *e);
};
