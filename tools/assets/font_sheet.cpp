// SPDX-License-Identifier: Zlib
// font_sheet.cpp - glyph sheets rendered with FreeType (font_sheet.h).
#include "font_sheet.h"
#include "gen.h"

#include <algorithm>
#include <cmath>
#include FT_GLYPH_H
#include FT_STROKER_H

namespace {

bool printable(int b) { return b >= 32 && !(b >= 127 && b < 160); }

} // namespace

int font_advance(FT_Face face, int b, int tracking) {
    if (!printable(b)) return 0;
    FT_UInt gi = FT_Get_Char_Index(face, b);
    if (!gi) gi = FT_Get_Char_Index(face, ' ');
    if (FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT)) return 0;
    return (int)((face->glyph->advance.x + 32) >> 6) + tracking;
}

namespace {

// Copies a FreeType grey bitmap into a layer of the glyph picture with colour c.
void stamp(Canvas& pic, const FT_Bitmap& bm, int x0, int y0, Rgba c) {
    for (unsigned j = 0; j < bm.rows; j++)
        for (unsigned i = 0; i < bm.width; i++) {
            float a = bm.buffer[j * bm.pitch + i] / 255.f;
            int x = x0 + (int)i, y = y0 + (int)j;
            if (a > 0 && x >= 0 && y >= 0 && x < pic.w && y < pic.h) pic.blend(x, y, c, a);
        }
}

bool render_glyph(FT_Face face, FT_Stroker stroker, const FontStyle& st, int ascender, int b, int tracking,
                  FontGlyph& g) {
    g.advance = font_advance(face, b, tracking);
    FT_UInt gi = printable(b) ? FT_Get_Char_Index(face, b) : 0;
    if (!gi || b == ' ' || b == 0xA0) return true; // empty picture
    if (FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT)) return true;
    FT_Glyph fill = nullptr, line = nullptr;
    if (FT_Get_Glyph(face->glyph, &fill)) return false;
    if (FT_Glyph_Copy(fill, &line)) {
        FT_Done_Glyph(fill);
        return false;
    }
    FT_Glyph_StrokeBorder(&line, stroker, 0, 1);
    FT_Glyph_To_Bitmap(&fill, FT_RENDER_MODE_NORMAL, nullptr, 1);
    FT_Glyph_To_Bitmap(&line, FT_RENDER_MODE_NORMAL, nullptr, 1);
    FT_BitmapGlyph bf = (FT_BitmapGlyph)fill, bl = (FT_BitmapGlyph)line;
    // Picture box in pen coordinates (y down from the baseline): the outline plus its shadow.
    int left = std::min(bf->left, bl->left), top = std::max(bf->top, bl->top);
    int right = std::max(bf->left + (int)bf->bitmap.width, bl->left + (int)bl->bitmap.width) + st.shadow;
    int bottom = std::max(-bf->top + (int)bf->bitmap.rows, -bl->top + (int)bl->bitmap.rows) + st.shadow;
    const int pad = 1;
    g.pic = Canvas(right - left + 2 * pad, bottom + top + 2 * pad);
    int bx = -left + pad, by = top + pad; // the pen's baseline point inside the picture
    stamp(g.pic, bl->bitmap, bx + bl->left + st.shadow, by - bl->top + st.shadow, rgba(0, 0, 0, 0.55f));
    stamp(g.pic, bl->bitmap, bx + bl->left, by - bl->top, hex(0x160b26));
    stamp(g.pic, bf->bitmap, bx + bf->left, by - bf->top, rgba(1, 1, 1, 1));
    g.ox = left - pad;
    g.oy = ascender - top - pad;
    FT_Done_Glyph(fill);
    FT_Done_Glyph(line);
    return true;
}

int next_pow2(int v) {
    int p = 1;
    while (p < v) p *= 2;
    return p;
}

} // namespace

bool font_sheet_make(FT_Library lib, FT_Face face, const FontStyle& st, FontSheet& out) {
    if (FT_Set_Pixel_Sizes(face, 0, st.px)) return false;
    int ascender = (int)((face->size->metrics.ascender + 32) >> 6);
    out.height = (int)((face->size->metrics.height + 32) >> 6) + (int)std::ceil(st.outline);
    int tracking = (int)std::ceil(st.outline);
    FT_Stroker stroker;
    if (FT_Stroker_New(lib, &stroker)) return false;
    FT_Stroker_Set(stroker, (FT_Fixed)(st.outline * 64), FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
    std::vector<FontGlyph>& gl = out.glyphs;
    gl.assign(256, FontGlyph{});
    bool ok = true;
    for (int b = 0; b < 256 && ok; b++) ok = render_glyph(face, stroker, st, ascender, b, tracking, gl[b]);
    FT_Stroker_Done(stroker);
    if (!ok) return false;

    // Shelf packing in byte order.
    const int GAP = FONT_SHEET_GAP;
    int W = 0, H = 0;
    for (int tw = 1024; tw <= 2048; tw *= 2) {
        int x = GAP, y = GAP, shelf = 0;
        for (FontGlyph& g : gl) {
            if (g.pic.w == 0) continue;
            if (x + g.pic.w + GAP > tw) x = GAP, y += shelf + GAP, shelf = 0;
            x += g.pic.w + GAP;
            shelf = std::max(shelf, g.pic.h);
        }
        int th = next_pow2(y + shelf + GAP);
        if (!W || tw * th < W * H) W = tw, H = th;
    }
    int x = GAP, y = GAP, shelf = 0;
    for (FontGlyph& g : gl) {
        if (g.pic.w == 0) continue;
        if (x + g.pic.w + GAP > W) x = GAP, y += shelf + GAP, shelf = 0;
        g.x = x, g.y = y;
        x += g.pic.w + GAP;
        shelf = std::max(shelf, g.pic.h);
    }
    out.sheet = Canvas(W, H);
    for (FontGlyph& g : gl)
        if (g.pic.w) out.sheet.draw(g.pic, g.x, g.y);
    return true;
}

std::string font_sheet_entry(const FontSheet& s, const std::string& texture) {
    std::string rects, shapes;
    for (int b = 0; b < 256; b++) {
        const FontGlyph& g = s.glyphs[b];
        rects += (b ? ", " : "") + Catalogue::rect(g.x, g.y, g.pic.w, g.pic.h);
        shapes += (b ? ", " : "") + Catalogue::rect(g.ox, g.oy, g.advance, g.pic.h);
    }
    return "{\"height\": " + Catalogue::num(s.height) + ", \"texture\": " + Catalogue::str(texture) +
           ", \"rect\": " + Catalogue::rect(0, 0, s.sheet.w, s.sheet.h) + ", \"rects\": [" + rects +
           "], \"shapes\": [" + shapes + "]}";
}
