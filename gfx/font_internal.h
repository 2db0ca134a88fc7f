// SPDX-License-Identifier: Zlib
// font_internal.h - the font table's insides: the font records, the table whoever opens the window
// creates, and the caret geometry the text field uses. The framework and its tests include it;
// programs use gfx/font.h, and it is not installed.
//
//   font_table_create(catalogue, "./data");        // by whoever opens the window, after gfx_init
//   ...                                             // text calls (gfx/font.h)
//   font_table_destroy();
#pragma once
#include <cstdint>
#include <memory>
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "util/asset_cache.h"
#include "util/zev_var.h"

struct Font {
    int32_t id;
    int32_t tex;            // texture slot of the glyph sheet
    GfxRect rects[256];     // glyph b's picture in the texture, pixels
    GfxRect shapes[256];    // x, y: picture offset from the pen; w: advance
    float height;           // line height
    GfxRect rect;           // w, h: the texture's pixel size
};

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

extern FontTable *font_table;   // null when there is no table

void font_table_create(const var &catalogue, const char *data_dir);   // shares the catalogue
void font_table_destroy();
// The caret's box before byte pos of text laid out at width (one glyph's advance wide).
GfxRect font_caret(int32_t font, const char *text, int32_t pos, float width);
// The byte position nearest to x, y in text laid out at width: nearest line, then nearest glyph.
int32_t font_hit(int32_t font, const char *text, int32_t x, int32_t y, float width);
