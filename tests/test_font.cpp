// SPDX-License-Identifier: Zlib
// Fonts: line breaking, measuring, caret and hit, the censor, loading by name; drawing (window).
#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>
#include "test_gfx_support.h"
#include "gfx/gfx_internal.h"
#include "gfx/font_internal.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// Font 1: every glyph advances 10 except the terminator (0), '*' (3) and 'W' (50); height 12.
struct TenFont : ::testing::Test {
    void SetUp() override {
        font_table = new FontTable();
        font_table->count = 2;
        Font &f = font_table->fonts[1];
        f.id = 1;
        f.height = 12;
        for (int b = 1; b < 256; b++) f.shapes[b].w = 10;
        f.shapes[(int)'*'].w = 3;
        f.shapes[(int)'W'].w = 50;
    }
    void TearDown() override { delete font_table; font_table = nullptr; }
    static std::string lines(const char *text, float width) {
        TextLines l;
        font_lines(1, text, width, l);
        std::string s;
        for (int i = 0; i < l.count; i++)
            s += "{" + std::to_string(l.lines[i].start) + "," + std::to_string(l.lines[i].end) + "," +
                 std::to_string(l.lines[i].width) + "}";
        return s;
    }
};

TEST_F(TenFont, LineBreaking) {
    EXPECT_EQ(lines("", 0), "{0,0,0}");
    EXPECT_EQ(lines("", 100), "{0,0,0}");
    EXPECT_EQ(lines("ab\ncd", 0), "{0,2,20}{3,5,20}");
    EXPECT_EQ(lines("ab\n", 0), "{0,2,20}{3,3,0}");
    EXPECT_EQ(lines("abc def", 35), "{0,3,30}{4,7,30}");          // the space belongs to neither
    EXPECT_EQ(lines("abcdefg", 35), "{0,3,30}{3,6,30}{6,7,10}");  // a long word is cut where it overflows
    EXPECT_EQ(lines("ab cd ef", 55), "{0,2,20}{3,8,50}");         // back to the last space
    EXPECT_EQ(lines(" abcd", 35), "{0,3,30}{3,5,20}");            // a space at 0 is no break point
    EXPECT_EQ(lines("abc def", 0), "{0,7,70}");                   // width 0: no wrapping
    EXPECT_EQ(lines("ab\n\ncd", 100), "{0,2,20}{3,3,0}{4,6,20}");
    TextLines l;
    font_lines(1, "W", 35, l);   // never fits: empty lines up to the limit
    EXPECT_EQ(l.count, TEXT_MAX_LINES);
    EXPECT_EQ(l.lines[31].start, 0);
    EXPECT_EQ(l.lines[31].end, 0);
    std::string many;
    for (int i = 0; i < 40; i++) many += "a\n";
    font_lines(1, many.c_str(), 0, l);
    EXPECT_EQ(l.count, TEXT_MAX_LINES);
    EXPECT_EQ(l.lines[31].start, 62);
    font_lines(1, nullptr, 0, l);
    EXPECT_EQ(l.count, 1);
}

TEST_F(TenFont, WidthAndHeight) {
    EXPECT_EQ(font_width(1, ""), 0);
    EXPECT_EQ(font_width(1, "ab\ncd"), 50);   // the newline's advance counts too
    EXPECT_EQ(font_width(1, "Damn it"), 3 * 4 + 30);   // censored: four stars
    EXPECT_EQ(font_width(1, "xx"), 20);
    EXPECT_EQ(font_height(1, "xx xx", 45), 24);
    font_table->fonts[1].shapes[(int)'x'].w = 2.25f;   // changed in place: nothing measured before holds
    EXPECT_EQ(font_width(1, "xx"), 5);   // raised to the next whole pixel
    EXPECT_EQ(font_height(1, "xx xx", 45), 12);
    EXPECT_EQ(font_height(1, "", 0), 12);
    EXPECT_EQ(font_height(1, "", 100), 12);
    EXPECT_EQ(font_height(1, "ab\ncd", 0), 12);   // width 0: one line whatever the text
    EXPECT_EQ(font_height(1, "ab\ncd", 100), 24);
    EXPECT_EQ(font_height(1, "abcdefg", 35), 36);
    EXPECT_EQ(font_height(1, "damn damn", 35), 12);   // censored: "**** ****" fits one line
    EXPECT_EQ(font_height(1, nullptr, 35), 12);
    std::string many(2000, 'a');
    EXPECT_EQ(font_height(1, many.c_str(), 35), 12 * TEXT_MAX_LINES);
}

TEST_F(TenFont, CaretAndHit) {
    auto caret = [](const char *t, int pos, float width) {
        GfxRect r = font_caret(1, t, pos, width);
        return std::to_string((int)r.x) + "," + std::to_string((int)r.y) + "," + std::to_string((int)r.w) +
               "," + std::to_string((int)r.h);
    };
    EXPECT_EQ(caret("abc", 0, 0), "0,0,10,12");
    EXPECT_EQ(caret("abc", 2, 0), "20,0,10,12");
    EXPECT_EQ(caret("abc", 3, 0), "30,0,0,12");     // after the last character: zero width
    EXPECT_EQ(caret("abc", 10, 0), "30,0,0,12");    // beyond the text: end of the last line
    EXPECT_EQ(caret("abc def", 5, 35), "10,12,10,12");
    EXPECT_EQ(caret("abc def", 3, 35), "30,0,10,12");   // the break space, on the first line
    EXPECT_EQ(caret("", 0, 0), "0,0,0,12");
    EXPECT_EQ(caret("damn x", 5, 0), "22,0,10,12");   // censored: four narrow stars before the space

    EXPECT_EQ(font_hit(1, "abc def", -50, 5, 35), 0);    // left of a line: its start
    EXPECT_EQ(font_hit(1, "abc def", 200, 5, 35), 3);    // right of it: its end
    EXPECT_EQ(font_hit(1, "abc def", 200, 20, 35), 7);
    EXPECT_EQ(font_hit(1, "abc def", 12, 18, 35), 5);
    EXPECT_EQ(font_hit(1, "abc def", 16, 5, 35), 2);
    EXPECT_EQ(font_hit(1, "abc def", 15, 5, 35), 1);     // a tie goes to the earlier position
    EXPECT_EQ(font_hit(1, "abc def", 0, 1000000, 35), 4);   // far below: the last line
    EXPECT_EQ(font_hit(1, "abc def", INT32_MIN, INT32_MAX, 35), 4);
    EXPECT_EQ(font_hit(1, "", 50, 50, 0), 0);
    EXPECT_EQ(font_hit(1, "damn x", 22, 5, 0), 5);   // censored, as the caret places it
}

TEST(FontCensor, EveryWordInAnyCaseInsideWordsKeepingLength) {
    const char *words[] = {"bastard", "bitch", "clit", "cunt", "damn", "dick", "fag", "fuck", "nigger",
                           "penis", "piss", "pussy", "shit", "fck", "fuk", "phuck", "wtf", "phuk",
                           "asshole", "cuunt", "f@g", "fuuck", "vagina", "smeg", "klit", "kunt", "wank", "fock"};
    for (const char *w : words) {
        std::string mixed = w;
        for (size_t i = 0; i < mixed.size(); i += 2) mixed[i] = (char)toupper((unsigned char)mixed[i]);
        std::string text = "Xy" + mixed + "!? " + w;
        std::string want = "Xy" + std::string(strlen(w), '*') + "!? " + std::string(strlen(w), '*');
        EXPECT_EQ(text_censor(text.c_str()), want) << w;
    }
    EXPECT_STREQ(text_censor("DICK"), "****");
    EXPECT_STREQ(text_censor("Damn."), "****.");
    EXPECT_STREQ(text_censor("Scunthorpe United"), "S****horpe United");
    EXPECT_STREQ(text_censor("Hello, World"), "Hello, World");
    EXPECT_STREQ(text_censor("shitshit"), "********");
    EXPECT_STREQ(text_censor(""), "");
    EXPECT_STREQ(text_censor(nullptr), "");
    EXPECT_STREQ(text_censor("\xc4\xe4 damn \xff"), "\xc4\xe4 **** \xff");   // bytes above 127 stay
}

TEST(FontCensor, LongTextsWhole) {
    std::string text(3000, 'a');
    text += "Shit";
    text += std::string(2000, 'b') + "wank";
    std::string out = text_censor(text.c_str());
    ASSERT_EQ(out.size(), text.size());
    EXPECT_EQ(out.substr(3000, 4), "****");
    EXPECT_EQ(out.substr(5004), "****");
    EXPECT_EQ(out.substr(0, 3000), std::string(3000, 'a'));
    EXPECT_STREQ(text_censor("piss off"), "**** off");   // short again after a long one
    EXPECT_STREQ(text_censor("piss off"), "**** off");   // a repeat
    EXPECT_STREQ(text_censor("piss of"), "**** of");
    EXPECT_STREQ(text_censor(text_censor("a damn")), "a ****");   // its own result given back
}

TEST(FontNoTable, EveryCallIsHarmless) {
    ASSERT_EQ(font_table, nullptr);
    EXPECT_EQ(font_load("font1"), 0);
    EXPECT_EQ(font_width(1, "abc"), 0);
    EXPECT_EQ(font_height(1, "abc", 10), 0);
    font_draw(1, "abc", 0, 0, 0, 0);
    font_run(1, "abc", 0, 0);
    GfxRect r = font_caret(1, "abc", 1, 0);
    EXPECT_EQ(r.h, 0);
    EXPECT_EQ(font_hit(1, "abc", 5, 5, 0), 0);
}

TEST_F(TenFont, IndicesOutOfRangeMeasureNothing) {
    for (int32_t f : {0, -1, 2, (int32_t)FONT_MAX, INT32_MAX}) {
        EXPECT_EQ(font_width(f, "abc"), 0) << f;
        EXPECT_EQ(font_height(f, "abc", 0), 0) << f;
        font_draw(f, "abc", 0, 0, 100, 1);
        font_run(f, "abc", 0, 0);
    }
}

TEST(FontLoad, ByNameOnceMissingOnceAndShortLists) {
    TempCatalogue cat(std::string("{\"font1\":") + font_entry_json("sheet") +
                      ",\"short\":{\"height\":9,\"texture\":\"nosheet\",\"rects\":[{\"x\":1,\"y\":2,\"w\":3,\"h\":4}],"
                      "\"shapes\":7},\"sheet\":{\"fname\":\"sheet.png\",\"rect\":" + rect_json(0, 0, 64, 64) + "}}");
    font_table_create(data_catalogue(), data_dir());
    CaptureStderr();
    int32_t f = font_load("font1");
    std::string log = GetCapturedStderr();
    EXPECT_EQ(f, 1);
    EXPECT_NE(log.find("trying load font font1\n"), std::string::npos) << log;
    EXPECT_NE(log.find("doing load font font1 (1)\n"), std::string::npos) << log;
    const Font &font = font_table->fonts[1];
    EXPECT_EQ(font.id, 1);
    EXPECT_EQ(font.height, 12);
    EXPECT_EQ(font.rect.w, 64);
    EXPECT_EQ(font.rects[(int)'A'].w, 8);
    EXPECT_EQ(font.shapes[(int)'A'].x, 1);
    EXPECT_EQ(font.shapes[(int)' '].w, 10);
    EXPECT_EQ(font_width(1, "A B"), 30);

    CaptureStderr();
    EXPECT_EQ(font_load("font1"), 1);
    EXPECT_EQ(font_load("Font1"), 0);   // names are case-sensitive
    EXPECT_EQ(font_load("Font1"), 0);
    log = GetCapturedStderr();
    EXPECT_EQ(log, "trying load font Font1\nunable to find font Font1\n");

    CaptureStderr();
    EXPECT_EQ(font_load("short"), 2);   // a one-element list and a number where a list belongs
    log = GetCapturedStderr();
    auto count = [&log](const std::string &line) {
        size_t n = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) n++;
        return n;
    };
    // Element access reports each element: past the list's end, and on the number.
    EXPECT_EQ(count("IndexError: list index out of range\n"), 255u);
    EXPECT_EQ(count("TypeError: 'number' object does not support '__get__'\n"), 256u);
    EXPECT_EQ(font_table->fonts[2].rects[0].h, 4);
    EXPECT_EQ(font_table->fonts[2].rects[1].w, 0);
    EXPECT_EQ(font_table->fonts[2].shapes[0].w, 0);
    EXPECT_EQ(font_width(2, "abc"), 0);
    EXPECT_EQ(font_height(2, "abc", 0), 9);
}

TEST(FontLoad, The256thFontIsRefused) {
    std::string json = "{";
    for (int i = 0; i < 300; i++) json += (i ? ",\"f" : "\"f") + std::to_string(i) + "\":{\"height\":" + std::to_string(i) + "}";
    TempCatalogue cat(json + "}");
    font_table_create(data_catalogue(), data_dir());
    CaptureStderr();
    for (int i = 0; i < 255; i++) ASSERT_EQ(font_load(("f" + std::to_string(i)).c_str()), i + 1);
    GetCapturedStderr();
    CaptureStderr();
    EXPECT_EQ(font_load("f255"), 0);
    EXPECT_EQ(font_load("f255"), 0);
    EXPECT_EQ(font_load("f7"), 8);
    std::string log = GetCapturedStderr();
    EXPECT_EQ(log, "trying load font f255\nfont table full (255), not loading font f255\n");
    EXPECT_EQ(font_table->count, FONT_MAX);
    EXPECT_EQ(font_table->fonts[255].height, 254);
}

// Drawing censors too: on this sheet '*' shows a clear corner, so a censored word leaves no pixel.
TEST(FontDraw, DrawsTheCensoredText) {
    std::string font = font_entry_json("sheet"), block = rect_json(0, 0, 8, 8);
    size_t star = std::string::npos;
    for (int b = 33; b <= '*'; b++) star = font.find(block, star + 1);   // rects of 33, 34, ... '*'
    font.replace(star, block.size(), rect_json(32, 32, 8, 8));
    TempCatalogue cat("{\"font\":" + font + ",\"sheet\":{\"fname\":\"sheet.png\",\"rect\":" +
                      rect_json(0, 0, 64, 64) + "}}", 128, 64);
    GlWindow win(128, 64);
    REQUIRE_WINDOW(win);
    std::vector<uint8_t> px(64 * 64 * 4);
    for (int i = 0; i < 64 * 64; i++) memset(&px[i * 4], i % 64 < 16 && i / 64 < 16 ? 255 : 0, 4);
    cat.write_png("sheet.png", 64, 64, px.data());
    gfx_init(data_catalogue(), data_dir());
    gfx_set_window(cat.d.width, cat.d.height);
    font_table_create(data_catalogue(), data_dir());
    gfx->view_w = 128, gfx->view_h = 64, gfx->view_scale = 1;
    gfx_view();
    CaptureStderr();
    int32_t f = font_load("font");
    GetCapturedStderr();
    ASSERT_EQ(f, 1);
    font_draw(f, "a damn", 10, 20, 0, -1);
    auto lit = [](int x, int y) {
        uint8_t p[4] = {0, 0, 0, 0};
        glReadPixels(x, 64 - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return p[0] + p[1] + p[2] > 0;
    };
    EXPECT_TRUE(lit(10 + 1 + 3, 20 + 2 + 3));          // 'a'
    for (int i = 2; i < 6; i++)
        EXPECT_FALSE(lit(10 + i * 10 + 1 + 3, 20 + 2 + 3)) << i;   // the stars
}
