// SPDX-License-Identifier: Zlib
// TextInput: every key, mouse placement and drag, wheel, filtering, length limit, history, password,
// multi-line movement, scrolling and the painted selection and caret. Glyphs are 10 wide, lines 12.
// And the Latin-1 / UTF-8 border every platform's paste goes through (app/clipboard_text.h).
#include "test_gui_support.h"
#include "app/clipboard.h"
#include "app/clipboard_text.h"
#include "gui/text_input.h"
#include "gfx/gfx_internal.h"

struct Field : ::testing::Test {
    GuiScene scene;
    Container root;
    TextInput *in = nullptr;
    void make(const char *text, int32_t width = 0) {
        in = root.add(new TextInput(scene.font, text));
        if (width) in->style_base.width = width;
        root.measure_content();
        in->focus();
    }
    void press(int32_t code, int32_t mods = 0, int32_t unicode = 0) { Event e = key(code, mods, unicode); root.on_event(&e); }
    void type(const char *s) { for (; *s; s++) press(0, 0, (unsigned char)*s); }
    void select(int32_t a, int32_t c) { in->anchor = a; in->cursor = c; }
    std::string text() const { return in->text; }
};

TEST_F(Field, FocusByTabSelectsAllAndScrollsByPressDoesNot) {
    Widget *before = root.add(new Widget);
    make("abcde", 20);
    before->next = in;
    before->focus();
    EXPECT_FALSE(in->focused);
    EXPECT_EQ(0, in->scroll_x);
    testing::internal::CaptureStderr();
    press(KEY_TAB);
    EXPECT_EQ("evt_focus\n", testing::internal::GetCapturedStderr());
    EXPECT_TRUE(in->focused);
    EXPECT_EQ(0, in->anchor);
    EXPECT_EQ(5, in->cursor);
    EXPECT_EQ(50 + 2 - 20, in->scroll_x);

    // A press elsewhere blurs it (scroll back to 0); a press on it focuses without scrolling, then
    // places the caret and collapses the selection.
    Event away = mouse(EV_MOUSEDOWN, 500, 500);
    root.on_event(&away);
    EXPECT_EQ(0, in->scroll_x);
    Event f = event_make(EV_FOCUS);
    f.key = 8;
    in->on_event(&f);
    EXPECT_EQ(0, in->anchor);
    EXPECT_EQ(5, in->cursor);
    EXPECT_EQ(0, in->scroll_x);
    Event blur = event_make(EV_BLUR);
    in->on_event(&blur);
    Event down = mouse(EV_MOUSEDOWN, in->x + 11, in->y + 5);
    root.on_event(&down);
    EXPECT_EQ(1, in->cursor);
    EXPECT_EQ(1, in->anchor);
}

TEST_F(Field, TypingUndoAndRedo) {
    make("");
    type("ab");
    EXPECT_EQ("ab", text());
    press(KEY_Z, MOD_CTRL);
    EXPECT_EQ("a", text());
    EXPECT_EQ(1, in->cursor);
    press(KEY_Z, MOD_CTRL | MOD_SHIFT);
    EXPECT_EQ("ab", text());
    EXPECT_EQ(2, in->cursor);
    press(KEY_Z, MOD_META);
    press(KEY_Z, MOD_ALT);
    EXPECT_EQ("", text());
    press(KEY_Z, MOD_CTRL);                    // nothing left to undo
    type("x");                                 // a new edit drops the redo path
    press(KEY_Z, MOD_CTRL | MOD_SHIFT);
    EXPECT_EQ("x", text());
    EXPECT_EQ(1u, in->history.size());
    type("z");                                 // KEY_Z without command types its character
    EXPECT_EQ("xz", text());
    press(0, 0, 200);                          // not printable: nothing at all
    press(0, 0, 9);
    EXPECT_EQ("xz", text());
    EXPECT_EQ(2u, in->history.size());
}

TEST_F(Field, PasteIsFilteredForASingleLine) {
    make("");
    clipboard_set("a\r\nb\x7f\xc3");
    press(KEY_V, MOD_CTRL);
    EXPECT_EQ("a? b??", text());
    EXPECT_EQ(6, in->cursor);
    in->multiline = 1;
    press(KEY_V, MOD_CTRL);
    EXPECT_EQ("a? b??a?\nb??", text());
    Event enter = key(KEY_ENTER);
    in->on_enter = 9;
    EXPECT_EQ(0, root.on_event(&enter));       // multi-line: a newline
    EXPECT_EQ('\n', text().back());
    in->multiline = 0;
    EXPECT_EQ(9, root.on_event(&enter));       // single-line: the enter action
    type("\n");                                // a typed newline becomes a space
    EXPECT_EQ(' ', text().back());
}

// The decoder's edges: the first and last lead byte of each length, the narrowed second byte after
// E0, ED, F0 and F4 and the byte just outside each range, and every way a sequence goes wrong. A
// valid character above Latin-1 is one '?'; an ill-formed piece is one '?' for the longest valid
// start (a lead with the continuations that fit it) and one for each byte after it, and the next
// valid character always survives ('A', or é as C3 A9). Faults each block catches: a moved bound
// (C1 or F5 taken as a lead, E0 80 or ED A0 or F4 90 accepted, C2 or EF or F4 refused), a fixed
// sequence length that eats what follows a cut, broken or whole sequence, one '?' for a whole overlong form.
TEST(ClipboardText, Utf8ToLatin1AtEveryBoundary) {
    const struct { std::string in, out; } cases[] = {
        // Valid: one byte.
        {std::string("\0A", 2), std::string("\0A", 2)}, {"\x7f" "A", "\x7f" "A"},
        // Valid: two bytes, Latin-1 and above it.
        {"\xc2\x80" "A", "\x80" "A"}, {"\xc2\xbf" "A", "\xbf" "A"}, {"\xc3\x80" "A", "\xc0" "A"},
        {"\xc3\xbf" "A", "\xff" "A"}, {"\xc4\x80" "A", "?A"}, {"\xdf\xbf" "A", "?A"},
        // Valid: three bytes (E0 from A0, ED up to 9F).
        {"\xe0\xa0\x80" "A", "?A"}, {"\xe0\xbf\xbf" "A", "?A"}, {"\xe1\x80\x80" "A", "?A"},
        {"\xec\xbf\xbf" "A", "?A"}, {"\xed\x80\x80" "A", "?A"}, {"\xed\x9f\xbf" "A", "?A"},
        {"\xee\x80\x80" "A", "?A"}, {"\xef\xbf\xbf" "A", "?A"},
        // Valid: four bytes (F0 from 90, F4 up to 8F).
        {"\xf0\x90\x80\x80" "A", "?A"}, {"\xf0\xbf\xbf\xbf" "A", "?A"}, {"\xf1\x80\x80\x80" "A", "?A"},
        {"\xf3\xbf\xbf\xbf" "A", "?A"}, {"\xf4\x80\x80\x80" "A", "?A"}, {"\xf4\x8f\xbf\xbf" "A", "?A"},
        // Overlong forms: C0 and C1 are no leads; E0 below A0 and F0 below 90 end the piece at the lead.
        {"\xc0\x80" "A", "??A"}, {"\xc1\xbf" "A", "??A"}, {"\xe0\x80\x80" "A", "???A"},
        {"\xe0\x9f\xbf" "A", "???A"}, {"\xf0\x80\x80\x80" "A", "????A"}, {"\xf0\x8f\xbf\xbf" "A", "????A"},
        // Surrogates (ED from A0) and code points above U+10FFFF (F4 from 90, leads F5 up).
        {"\xed\xa0\x80" "A", "???A"}, {"\xed\xbf\xbf" "A", "???A"}, {"\xf4\x90\x80\x80" "A", "????A"},
        {"\xf4\xbf\xbf\xbf" "A", "????A"}, {"\xf5\x80\x80\x80" "A", "????A"}, {"\xff\x80" "A", "??A"},
        // Lone continuation bytes.
        {"\x80" "A", "?A"}, {"\xbf" "A", "?A"}, {"\x80\xbf\x80", "???"}, {"\xc3\xa9\xa9", "\xe9?"},
        {"\xe0\xa0\x80\x80", "??"}, {"\xf0\x90\x80\x80\x80", "??"},   // after a whole sequence
        // Cut short at the end of the text: one '?' for what was there.
        {"A\xc3", "A?"}, {"A\xe2", "A?"}, {"A\xe2\x82", "A?"}, {"A\xf0\x9f\x98", "A?"}, {"A\xf4\x8f\xbf", "A?"},
        {"A\xe0\xa0", "A?"}, {"A\xe0\x9f", "A??"},
        // Cut short by the next character, which is kept.
        {"\xc3" "A", "?A"}, {"\xe2\x82" "A", "?A"}, {"\xf0\x9f\x98" "A", "?A"}, {"\xc3\xc3\xa9", "?\xe9"},
        {"\xe2\x82\xc3\xa9", "?\xe9"}, {"\xf0\x9f\x98\xc3\xa9", "?\xe9"}, {"\xf4\x8f\xc3\xa9", "?\xe9"},
    };
    for (const auto &c : cases) {
        std::string hex;
        for (unsigned char b : c.in) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15], hex += ' ';
        EXPECT_EQ(c.out, clipboard_utf8_to_latin1(c.in)) << hex;
    }

    // Every byte from 0x80 up alone before 'A' is one '?' and never takes the 'A' with it; every
    // Latin-1 byte goes out as UTF-8 and comes back as itself.
    for (int b = 0x80; b <= 0xFF; b++)
        EXPECT_EQ("?A", clipboard_utf8_to_latin1(std::string(1, (char)b) + "A")) << std::hex << b;
    std::string all;
    for (int b = 0; b <= 0xFF; b++) all += (char)b;
    EXPECT_EQ(all, clipboard_utf8_to_latin1(clipboard_latin1_to_utf8(all)));
    EXPECT_EQ(128u + 2 * 128u, clipboard_latin1_to_utf8(all).size());
}

TEST_F(Field, LengthLimit) {
    make(std::string(255, 'x').c_str());
    size_t before = in->history.size();
    in->cursor = in->anchor = 255;
    type("y");
    EXPECT_EQ(255u, text().size());
    EXPECT_EQ(before + 1, in->history.size());   // recorded although nothing was inserted
    clipboard_set("12345");
    select(10, 12);
    press(KEY_V, MOD_CTRL);
    EXPECT_EQ(255u, text().size());
    EXPECT_EQ("12", text().substr(10, 2));
    EXPECT_EQ(12, in->cursor);

    TextInput long_one(scene.font, std::string(300, 'q').c_str());
    EXPECT_EQ(300, long_one.max_len);
    long_one.edit(-1, 0, "a");
    long_one.edit(0, -1, "a");
    long_one.edit(301, 0, "a");
    EXPECT_TRUE(long_one.history.empty());
    long_one.edit(299, 5, "ab");                 // count cut to the end; the insert fits in 300
    EXPECT_EQ(std::string(299, 'q') + "a", long_one.text);
}

TEST_F(Field, DeletionAtTheEdges) {
    make("abc");
    select(0, 0);
    press(KEY_BACKSPACE);
    EXPECT_EQ("abc", text());
    size_t n = in->history.size();
    EXPECT_EQ(0u, n);                            // nothing recorded at position 0
    select(3, 3);
    press(KEY_DELETE);
    EXPECT_EQ("abc", text());
    EXPECT_EQ(1u, in->history.size());           // an empty edit is recorded
    press(KEY_BACKSPACE);
    EXPECT_EQ("ab", text());

    // A selection of several characters goes as a whole, whichever end holds the caret.
    in->set_value_s("abcdef");
    select(1, 4);
    press(KEY_DELETE);
    EXPECT_EQ("aef", text());
    EXPECT_EQ(1, in->cursor);
    select(3, 1);
    press(KEY_BACKSPACE);
    EXPECT_EQ("a", text());
    EXPECT_EQ(1, in->cursor);
    EXPECT_EQ(1, in->anchor);
}

TEST_F(Field, ShiftArrowsSelectAndPlainArrowsCollapse) {
    make("hello");
    select(5, 5);
    for (int i = 0; i < 3; i++) press(KEY_LEFT, MOD_SHIFT);
    EXPECT_EQ(5, in->anchor);
    EXPECT_EQ(2, in->cursor);
    press(KEY_RIGHT);
    EXPECT_EQ(3, in->cursor);
    EXPECT_EQ(3, in->anchor);
    select(0, 0);
    press(KEY_LEFT);
    EXPECT_EQ(0, in->cursor);
    select(5, 5);
    press(KEY_RIGHT);
    EXPECT_EQ(5, in->cursor);
    select(2, 2);
    press(KEY_HOME);
    EXPECT_EQ(0, in->cursor);
    press(KEY_END, MOD_SHIFT);
    EXPECT_EQ(0, in->anchor);
    EXPECT_EQ(5, in->cursor);
}

TEST_F(Field, UpAndDownKeepTheirColumn) {
    make("");
    in->multiline = 1;
    in->style_base.width = 52;                   // wrap width 50: five glyphs a line
    root.measure_content();
    in->set_value_s("abc\ndefgh");
    select(2, 2);
    press(KEY_DOWN);
    EXPECT_EQ(6, in->cursor);                    // same column on the next line
    EXPECT_EQ(21, in->pref_x);
    press(KEY_UP);
    EXPECT_EQ(2, in->cursor);
    select(8, 8);
    in->pref_x = -1;
    press(KEY_UP);
    EXPECT_EQ(3, in->cursor);                    // the short line's end
    press(KEY_DOWN);
    EXPECT_EQ(8, in->cursor);                    // the remembered column comes back
    press(KEY_LEFT);
    EXPECT_EQ(-1, in->pref_x);                   // any other move forgets it
    press(KEY_UP, MOD_SHIFT);
    EXPECT_EQ(7, in->anchor);
    EXPECT_EQ(3, in->cursor);
    press(KEY_END);
    EXPECT_EQ(3, in->cursor);
    in->set_value_s("abcdefghijkl");             // wraps inside the word: 5, 5, 2
    select(7, 7);
    press(KEY_END);
    EXPECT_EQ(10, in->cursor);
    press(KEY_HOME);
    EXPECT_EQ(5, in->cursor);
    press(KEY_END);                              // 5 ends the first line as far as the caret goes
    EXPECT_EQ(5, in->cursor);
}

TEST_F(Field, CopyCutAndPassword) {
    make("secret");
    select(0, 3);
    press(KEY_C, MOD_CTRL);
    EXPECT_EQ("sec", clipboard_get());
    EXPECT_EQ("secret", text());
    select(3, 6);
    press(KEY_X, MOD_CTRL);
    EXPECT_EQ("ret", clipboard_get());
    EXPECT_EQ("sec", text());

    in->password = 1;
    in->set_value_s("ab\x01");                   // set_value_s filters: byte 1 becomes '?'
    EXPECT_EQ("ab?", text());
    EXPECT_EQ("***", in->display);
    select(0, 3);
    press(KEY_C, MOD_CTRL);
    EXPECT_EQ("ret", clipboard_get());
    press(KEY_X, MOD_CTRL);
    EXPECT_EQ("ret", clipboard_get());
    EXPECT_EQ("", text());
    in->reveal_last = 1;
    in->set_value_s("pw");
    EXPECT_EQ("*w", in->display);
    press(KEY_LEFT);                             // a key press hides it again
    EXPECT_EQ(0, in->reveal_last);
    in->reveal_last = 1;
    Event down = mouse(EV_MOUSEDOWN, 5, 5), up = mouse(EV_MOUSEUP, 5, 5);
    root.on_event(&down);
    root.on_event(&up);                          // and so does a click
    EXPECT_EQ(0, in->reveal_last);
    in->paint_content();                         // the display is brought up to date when painting
    EXPECT_EQ("**", in->display);

    TextInput raw(scene.font, "ab\x01");         // constructed text is not filtered
    raw.password = 1;
    raw.update_display();
    raw.measure_content();
    EXPECT_EQ(20, raw.content_w);                // measures the real text, not the stars
    EXPECT_EQ("ab\x01", std::string(raw.get_value_s()));
}

TEST_F(Field, HistoryKeepsTheLast255Edits) {
    make("");
    for (int i = 0; i < 200; i++) type("a");
    for (int i = 0; i < 56; i++) press(KEY_BACKSPACE);
    EXPECT_EQ(255u, in->history.size());
    EXPECT_EQ(255, in->history_pos);
    EXPECT_EQ(144u, text().size());
    for (int i = 0; i < 300; i++) press(KEY_Z, MOD_CTRL);
    EXPECT_EQ("a", text());                      // the first edit cannot be undone any more
    EXPECT_EQ(0, in->history_pos);
    for (int i = 0; i < 300; i++) press(KEY_Z, MOD_CTRL | MOD_SHIFT);
    EXPECT_EQ(144u, text().size());
}

TEST_F(Field, NarrowFieldScrollsToTheCaret) {
    make("0123456789", 30);
    select(10, 10);
    in->scroll_to_caret(true, true);
    EXPECT_EQ(100 + 2 - 30, in->scroll_x);
    press(KEY_HOME);
    EXPECT_EQ(0, in->scroll_x);
    press(KEY_END);
    EXPECT_EQ(72, in->scroll_x);
    for (int i = 0; i < 6; i++) press(KEY_LEFT);
    EXPECT_EQ(40, in->scroll_x);                 // caret at 40 is the left edge now
    EXPECT_EQ(4, in->cursor);

    // Mouse: a press places the caret at scrolled coordinates, a held drag extends the selection.
    Event down = mouse(EV_MOUSEDOWN, 1, 5);
    root.on_event(&down);
    EXPECT_EQ(4, in->cursor);
    EXPECT_EQ(4, in->anchor);
    Event drag = mouse(EV_MOUSEMOVE, 21, 5, 1);
    root.on_event(&drag);
    EXPECT_EQ(6, in->cursor);
    EXPECT_EQ(4, in->anchor);
    Event hover = mouse(EV_MOUSEMOVE, 1, 5, 0);  // no button held: no change
    root.on_event(&hover);
    EXPECT_EQ(6, in->cursor);
    Event up = mouse(EV_MOUSEUP, 11, 5);
    root.on_event(&up);
    EXPECT_EQ(5, in->cursor);
    EXPECT_EQ(4, in->anchor);
}

TEST_F(Field, WheelScrollsByLinesWithinTheText) {
    make("");
    in->multiline = 1;
    in->style_base.width = 52;
    in->style_base.height = 24;                  // two lines visible
    root.measure_content();
    in->set_value_s("a\nb\nc\nd\ne");            // five lines, 60 high
    in->scroll_y = 0;
    Event wheel = mouse(EV_WHEEL, 5, 5);
    wheel.rel[1] = 1;
    root.on_event(&wheel);
    EXPECT_EQ(12, in->scroll_y);
    for (int i = 0; i < 5; i++) root.on_event(&wheel);
    EXPECT_EQ(36, in->scroll_y);                 // 60 - 24 at most
    wheel.rel[1] = -1;
    for (int i = 0; i < 5; i++) root.on_event(&wheel);
    EXPECT_EQ(0, in->scroll_y);
}

TEST(GuiTextInputPaint, SelectionAndCaret) {
    GuiScene scene(true);
    REQUIRE_SCENE_WINDOW(scene);
    Container root;
    TextInput *in = root.add(new TextInput(scene.font, "abcd"));
    in->x = 100;
    in->y = 100;
    root.measure_content();
    in->focus();
    EXPECT_EQ(2, in->scroll_x);                          // caret at the end, 2 wide
    in->anchor = 1;
    in->cursor = 3;
    in->scroll_x = 0;
    root.measure_content();
    root.paint_content();
    Pixels px;
    EXPECT_RECT(px.bounds(TEXT_SELECTION_COLOR), 110, 100, 20, 12);
    EXPECT_RECT(px.bounds(0xFFFFFF), 101, 100, 38, 12);   // glyphs 1 right, 2 down; caret at 130
    EXPECT_EQ(0xFFFFFF, px.rgb(130, 100));                // caret top, over the selection colour
    EXPECT_EQ(0xFFFFFF, px.rgb(131, 111));
    EXPECT_EQ(0, gfx->clip_depth);

    // Over four lines: from the lower end to the wrap width, the middle lines whole, and the last line
    // up to the upper end.
    glClear(GL_COLOR_BUFFER_BIT);
    in->multiline = 1;
    in->style_base.width = 52;                           // wrap width 50: five glyphs a line
    in->set_value_s("abcdefghijklmnopq");                // 5, 5, 5, 2
    in->anchor = 2;
    in->cursor = 16;
    root.measure_content();
    root.measure_content();                              // the height follows the new width
    in->scroll_x = in->scroll_y = 0;
    root.paint_content();
    Pixels lines;
    EXPECT_RECT(lines.bounds(TEXT_SELECTION_COLOR), 100, 100, 50, 48);
    EXPECT_EQ(0x000000, lines.rgb(119, 100));
    EXPECT_EQ(TEXT_SELECTION_COLOR, lines.rgb(120, 100));
    EXPECT_EQ(TEXT_SELECTION_COLOR, lines.rgb(109, 136));
    EXPECT_EQ(0x000000, lines.rgb(112, 136));            // past the upper end and its caret
    // 30 x 12 + 50 x 24 + 10 x 12, less the glyphs drawn over them (c d e, f to o, p).
    EXPECT_EQ(360 + 1200 + 120 - 14 * 64, lines.count(TEXT_SELECTION_COLOR));
}
