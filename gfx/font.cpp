// SPDX-License-Identifier: Zlib
// font.cpp - the font table, line breaking, measuring, drawing and the caret queries.
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

FontTable *font_table = nullptr;

static const AssetKind kFontKind = {"trying load font %s\n", "unable to find font %s\n",
                                    "doing load font %s (%d)\n", "font table full (%d), not loading font %s\n"};

static const Font kNoFont = {};   // what index 0 and every index out of range read as

static const Font &font_at(int32_t font) {
    if (!font_table || font <= 0 || font >= FONT_MAX) return kNoFont;
    const Font *f = font_table->fonts.find(font);
    return f ? *f : kNoFont;
}

static inline float advance(const Font &f, unsigned char b) { return f.shapes[b].w; }

// Truncation toward zero that stays defined for any float from an untrusted catalogue.
static int64_t trunc_i64(double v) {
    if (!(v == v)) return 0;   // NaN
    if (v > 1e13) return (int64_t)1e13;
    if (v < -1e13) return -(int64_t)1e13;
    return (int64_t)v;
}
static int32_t trunc_i32(float v) {
    int64_t t = trunc_i64(v);
    return t > INT32_MAX ? INT32_MAX : t < INT32_MIN ? INT32_MIN : (int32_t)t;
}

// ---- the table ------------------------------------------------------------------------------

void font_table_create(const var &catalogue, const char *data_dir) {
    if (font_table) font_table_destroy();
    font_table = new FontTable();   // value-initialised: every record zero
    font_table->cache.create(catalogue, data_dir);
    font_table->count = 1;
}

void font_table_destroy() {
    if (!font_table) return;
    font_table->cache.destroy();
    delete font_table;
    font_table = nullptr;
}

// Rectangle b from element b, by element access whatever the kind: past the end of a list each
// element prints an IndexError line, a number or string a TypeError line; those glyphs read as 0.
static void read_rects(var &list, GfxRect *out) {
    for (int b = 0; b < 256; b++) out[b] = read_rect(list[b]);
}

int32_t font_load(const char *name) {
    if (!font_table || !name) return 0;
    return font_table->cache.lookup(name, kFontKind, font_table->count, [](var &entry) {
        int32_t index = font_table->count;
        Font &f = font_table->fonts[index];
        f.id = index;
        f.height = (float)entry["height"].num();
        std::string tex_name = entry["texture"].str();
        f.tex = gfx_tex_load(tex_name.c_str());
        f.rect = read_rect(entry["rect"]);
        read_rects(entry["rects"], f.rects);
        read_rects(entry["shapes"], f.shapes);
        font_table->count++;
        return index;
    }, FONT_MAX);
}

// ---- layout ---------------------------------------------------------------------------------

static void lines_of(const Font &f, const char *t, float width, TextLines &out) {
    out.count = 0;
    size_t n = strlen(t);
    size_t start = 0, brk = 0;   // brk: index of the remembered space, 0 for none
    int32_t brk_width = 0;
    float w = 0;
    for (size_t i = 0; i <= n;) {
        unsigned char c = (unsigned char)t[i];
        int32_t line_width;
        if (c == '\n' || c == 0) {
            line_width = trunc_i32(w);
        } else if (width != 0 && w + advance(f, c) > width) {
            if (brk) {
                i = brk;
                c = (unsigned char)t[i];
                line_width = brk_width;
            } else {
                line_width = trunc_i32(w);
            }
        } else {
            if (c == ' ') {
                brk = i;
                brk_width = trunc_i32(w);
            }
            w += advance(f, c);
            i++;
            continue;
        }
        out.lines[out.count++] = TextLine{(int32_t)start, (int32_t)i, line_width};
        if (out.count == TEXT_MAX_LINES) return;
        w = 0;
        brk = 0;
        if (c == ' ' || c == '\n' || c == 0) i++;   // the break character belongs to no line
        start = i;                                   // else the glyph that overflowed opens the next
    }
}

// ---- layout cache -----------------------------------------------------------------------------
// A label measures its text and draws it again in the same frame, a text field asks for the caret
// and the nearest position of one text: the sums and the lines of the last few texts are kept.
// An entry answers only for the same glyph numbers (a font's record compared byte for byte, so a
// record changed in place is measured anew), the same text and, for lines, the same width: what
// it gives is what measuring again would give.

enum { LAYOUT_ENTRIES = 8, LAYOUT_TEXT_MAX = 256 };

struct LayoutEntry {
    bool used, has_sum, has_lines;
    float sum;              // the advances of the text added up in order
    float wrap;             // the width the lines were broken at
    TextLines lines;
    size_t n;
    char text[LAYOUT_TEXT_MAX];
    GfxRect shapes[256];
};

static LayoutEntry s_layout[LAYOUT_ENTRIES];
static int s_layout_next = 0;   // the entry a new text takes (round robin)

// The entry for this font's glyph numbers and this text, a fresh one if none; null when the text
// is too long to keep.
static LayoutEntry *layout_entry(const Font &f, const char *t) {
    size_t n = strlen(t);
    if (n >= LAYOUT_TEXT_MAX) return nullptr;
    for (LayoutEntry &e : s_layout)
        if (e.used && e.n == n && memcmp(e.text, t, n) == 0 && memcmp(e.shapes, f.shapes, sizeof e.shapes) == 0)
            return &e;
    LayoutEntry &e = s_layout[s_layout_next];
    s_layout_next = (s_layout_next + 1) % LAYOUT_ENTRIES;
    e.used = true;
    e.has_sum = e.has_lines = false;
    e.n = n;
    memcpy(e.text, t, n);
    memcpy(e.shapes, f.shapes, sizeof e.shapes);
    return &e;
}

static void layout_lines(const Font &f, const char *t, float width, TextLines &out) {
    LayoutEntry *e = layout_entry(f, t);
    if (!e) return lines_of(f, t, width, out);
    if (!e->has_lines || memcmp(&e->wrap, &width, sizeof width) != 0) {
        lines_of(f, t, width, e->lines);
        e->wrap = width;
        e->has_lines = true;
    }
    out.count = e->lines.count;
    memcpy(out.lines, e->lines.lines, sizeof(TextLine) * (size_t)out.count);
}

static float advance_sum(const Font &f, const char *t) {
    LayoutEntry *e = layout_entry(f, t);
    if (e && e->has_sum) return e->sum;
    float w = 0;
    for (const char *p = t; *p; p++) w += advance(f, (unsigned char)*p);
    if (e) {
        e->sum = w;
        e->has_sum = true;
    }
    return w;
}

void font_lines(int32_t font, const char *text, float width, TextLines &lines) {
    layout_lines(font_at(font), text ? text : "", width, lines);
}

float font_width(int32_t font, const char *text) {
    const Font &f = font_at(font);
    return ceilf(advance_sum(f, text_censor(text)));
}

float font_height(int32_t font, const char *text, float width) {
    const Font &f = font_at(font);
    if (!text || width == 0) return f.height;
    TextLines lines;
    layout_lines(f, text_censor(text), width, lines);
    return f.height * (float)lines.count;
}

GfxRect font_caret(int32_t font, const char *text, int32_t pos, float width) {
    const Font &f = font_at(font);
    const char *t = text_censor(text);
    TextLines lines;
    layout_lines(f, t, width, lines);
    float x = 0, y = 0;
    for (int32_t l = 0; l < lines.count; l++, y += f.height) {
        x = 0;
        for (int32_t j = lines.lines[l].start; j <= lines.lines[l].end; j++) {
            float adv = advance(f, (unsigned char)t[j]);
            if (j >= pos) return GfxRect{x, y, adv, f.height};
            x += adv;
        }
    }
    return GfxRect{x, y - f.height, 0, f.height};
}

int32_t font_hit(int32_t font, const char *text, int32_t x, int32_t y, float width) {
    const Font &f = font_at(font);
    const char *t = text_censor(text);
    TextLines lines;
    layout_lines(f, t, width, lines);
    int32_t best = 0;
    int64_t best_d = INT64_MAX;
    float ly = 0;
    for (int32_t l = 0; l < lines.count; l++, ly += f.height) {
        // The nearest line wins first, the nearest position on it second.
        // Distances in double: far points (any int32) stay exact enough to rank.
        int64_t dy = llabs(trunc_i64((double)ly + f.height * 0.5 - (double)y)) * 65536;
        float lx = 0;
        for (int32_t j = lines.lines[l].start; j <= lines.lines[l].end; j++) {
            int64_t d = llabs(trunc_i64((double)lx - (double)x)) + dy;
            if (d < best_d) {
                best_d = d;
                best = j;
            }
            lx += advance(f, (unsigned char)t[j]);
        }
    }
    return best;
}

// ---- drawing --------------------------------------------------------------------------------

// Whether a font's glyphs can be drawn, and the GL name of its glyph sheet. A sheet whose file
// failed to load has name 0: its glyphs are untextured quads in the current colour. Nothing is
// drawn without a sheet (texture slot 0) or, for a loaded sheet, without the size its texture
// coordinates are divided by.
static bool font_sheet(const Font &f, uint32_t *gl) {
    if (!gfx || f.tex <= 0 || f.tex >= GFX_MAX_TEXTURES || f.tex >= gfx->tex_next) return false;
    *gl = gfx->texs[f.tex].gl;
    return *gl == 0 || (f.rect.w != 0 && f.rect.h != 0);
}

// One line of n bytes, pen starting at x, into the batch (gfx_quad): one draw call per line, or
// per batch span when the caller opened one.
static void run_glyphs(const Font &f, const char *text, size_t n, float x, float y) {
    uint32_t gl = 0;
    if (!font_sheet(f, &gl)) return;
    const bool sized = f.rect.w != 0 && f.rect.h != 0;   // else name 0: coordinates unused
    const float W = f.rect.w, H = f.rect.h;
    float pen = x;
    gfx_batch_begin();
    for (size_t i = 0; i < n; i++) {
        unsigned char b = (unsigned char)text[i];
        const GfxRect &r = f.rects[b], &s = f.shapes[b];
        GfxRect a = {pen + s.x, y + s.y, r.w, r.h};
        GfxRect t = sized ? GfxRect{r.x / W, r.y / H, r.w / W, r.h / H} : GfxRect{0, 0, 0, 0};
        pen += s.w;
        if (gfx_clip(a, &t)) gfx_quad(gl, a, t);
    }
    gfx_batch_end();
}

void font_run(int32_t font, const char *text, float x, float y) {
    if (!text) return;
    run_glyphs(font_at(font), text, strlen(text), x, y);
}

void font_draw(int32_t font, const char *text, float x, float y, float width, int32_t align) {
    const Font &f = font_at(font);
    uint32_t gl = 0;
    if (!font_sheet(f, &gl)) return;
    const char *t = text_censor(text);
    TextLines lines;
    layout_lines(f, t, width, lines);
    // Each line is drawn straight from the censored text: no copy, no allocation; all lines in one batch.
    gfx_batch_begin();
    for (int32_t l = 0; l < lines.count; l++, y += f.height) {
        const TextLine &line = lines.lines[l];
        float lx = width == 0 ? x : x + (width - (float)line.width) * (float)(align + 1) * 0.5f;
        GfxRect box = {lx, y, (float)line.width, f.height};
        if (gfx_clip(box, nullptr)) run_glyphs(f, t + line.start, (size_t)(line.end - line.start), lx, y);
    }
    gfx_batch_end();
}
