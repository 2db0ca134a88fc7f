// SPDX-License-Identifier: Zlib
// font_sheet.h - a TrueType font at one pixel size rendered into a glyph sheet: 256 glyphs (the
// byte values read as Latin-1), white with a dark outline and a drop shadow, packed into one
// picture, and the font's catalogue entry. Shared by the asset generator and glitz_font.
//
// USAGE
//   FontSheet s;
//   if (font_sheet_make(lib, face, {40, 2.5f, 3}, s)) {   // pixel size, outline, shadow
//       s.sheet.write_png(dir + "/font1.png");
//       entry = font_sheet_entry(s, "font1.png");         // the texture's catalogue name
//   }
//
// Bytes below 32 and 127..159 have neither picture nor advance; a byte the face has no glyph for
// advances like a space. The sheet is 1024 or 2048 pixels wide (whichever gives the smaller
// power-of-two sheet) and as high as the next power of two; glyphs keep FONT_SHEET_GAP pixels
// apart so filtering never mixes two of them.
#pragma once
#include <string>
#include <vector>
#include "canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

struct FontStyle {
    int px;         // pixel size (em)
    float outline;  // outline width in pixels
    int shadow;     // drop shadow offset in pixels
};

struct FontGlyph {
    Canvas pic{0, 0};
    int ox = 0, oy = 0;  // offset of the picture from the pen at the line's top-left
    int advance = 0;
    int x = 0, y = 0;    // place in the sheet
};

struct FontSheet {
    std::vector<FontGlyph> glyphs;  // 256, by byte value
    int height = 0;                 // line height in pixels
    Canvas sheet{0, 0};
};

enum { FONT_SHEET_GAP = 3 };

// Pen advance of byte b in whole pixels at the face's current size, plus tracking (outlines would
// overlap without it); 0 for bytes without a glyph.
int font_advance(FT_Face face, int b, int tracking);
// Renders the 256 glyphs of face at st.px into out; false when FreeType fails.
bool font_sheet_make(FT_Library lib, FT_Face face, const FontStyle& st, FontSheet& out);
// The catalogue entry of the font whose sheet is the texture entry named texture.
std::string font_sheet_entry(const FontSheet& s, const std::string& texture);
