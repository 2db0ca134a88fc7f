// SPDX-License-Identifier: Zlib
// font.h - bitmap fonts, text layout and the word censor.
//
// A font is one texture of 256 glyph pictures (one per byte value) plus placement numbers, all
// from a catalogue entry. Every text operation censors its text first (same length, listed words
// become '*'). Glyphs are drawn in the current colour (gfx_color).
//
//   font_table_create(catalogue, "./data");        // by whoever opens the window, after gfx_init
//   int f = font_load("font1");                     // 0 when missing: measures 0, draws nothing
//   float w = font_width(f, "HELLO");
//   font_draw(f, text, x, y, 768, 0);               // wrap at 768, centre each line
//
// Text operations share static working storage: the censor's result stays valid until the next
// text call. A null text reads as "". Font index 0 or out of range measures 0 and draws nothing.
// A font whose sheet failed to load draws its glyphs as untextured quads in the current colour.
// Limits: 255 fonts per table (the 256th is refused with a message and index 0), 32 lines per
// text; lines of any length are drawn (in batches of 1024 glyphs), texts of any length censored.
#pragma once
#include <cstdint>
#include <memory>
#include "gfx/gfx.h"
#include "util/asset_cache.h"

struct Font {
    int32_t id;
    int32_t tex;            // texture slot of the glyph sheet
    GfxRect rects[256];     // glyph b's picture in the texture, pixels
    GfxRect shapes[256];    // x, y: picture offset from the pen; w: advance
    float height;           // line height
    GfxRect rect;           // w, h: the texture's pixel size
};

enum { FONT_MAX = 256, TEXT_MAX_LINES = 32 };

// The table's FONT_MAX records. A record is made (all zero) when it is first written or read
// through []: a table of 2 MB in records costs only the fonts loaded into it.
class FontRecords {
public:
    Font &operator[](int32_t i) {
        std::unique_ptr<Font> &f = at_[i];
        if (!f) f.reset(new Font());
        return *f;
    }
    const Font *find(int32_t i) const { return at_[i].get(); }   // null until made

private:
    std::unique_ptr<Font> at_[FONT_MAX];
};

struct FontTable {
    AssetCache cache;       // root: the catalogue; names: font name -> index
    FontRecords fonts;      // by index 0..FONT_MAX - 1
    int32_t count;          // index the next font gets; starts at 1
};

struct TextLine { int32_t start, end, width; };
struct TextLines { int32_t count; TextLine lines[TEXT_MAX_LINES]; };

extern FontTable *font_table;   // null when there is no table

void font_table_create(const var &catalogue, const char *data_dir);   // shares the catalogue
void font_table_destroy();
int32_t font_load(const char *name);
const char *text_censor(const char *text);
void font_lines(int32_t font, const char *text, float width, TextLines &lines);
float font_width(int32_t font, const char *text);
float font_height(int32_t font, const char *text, float width);
void font_draw(int32_t font, const char *text, float x, float y, float width, int32_t align);
void font_run(int32_t font, const char *text, float x, float y);
GfxRect font_caret(int32_t font, const char *text, int32_t pos, float width);
int32_t font_hit(int32_t font, const char *text, int32_t x, int32_t y, float width);
