// fonts.cpp - the three bitmap fonts: DejaVu Sans Bold rendered with FreeType into glyph sheets,
// white glyphs with a dark outline and a soft drop shadow, 256 glyphs each (bytes as Latin-1).
#include "canvas.h"
#include "gen.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <stb_image.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H

namespace {

const char* FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The instruction line of the title screen: font0 must break it into two lines at 768 units.
const char* INSTRUCTION =
    "TO PLAY: MOVE LEFT AND RIGHT TO AVOID FALLING GLITZ BALLS!!  GET READY TO PARTY DUDES!!";
const float WRAP = 768;

struct Style {
    const char* name;
    int px;        // pixel size (em); 0 = chosen so the instruction wraps well
    float outline; // outline width in pixels
    int shadow;    // drop shadow offset in pixels
};

struct Glyph {
    Canvas pic{0, 0};
    int ox = 0, oy = 0; // offset of the picture from the pen at the line's top-left
    int advance = 0;
    int x = 0, y = 0; // place in the sheet
};

// Fonts kept for the screen mock-ups (only when previews are asked for).
struct PreviewFont {
    std::vector<Glyph> glyphs;
    int height = 0;
};
std::map<std::string, PreviewFont> previews;

bool printable(int b) { return b >= 32 && !(b >= 127 && b < 160); }

// Pen advance in whole pixels; outlines would overlap without the extra tracking.
int advance_of(FT_Face face, int b, int tracking) {
    if (!printable(b)) return 0;
    FT_UInt gi = FT_Get_Char_Index(face, b);
    if (!gi) gi = FT_Get_Char_Index(face, ' ');
    if (FT_Load_Glyph(face, gi, FT_LOAD_DEFAULT)) return 0;
    return (int)((face->glyph->advance.x + 32) >> 6) + tracking;
}

// Breaks text as the game does (at spaces once the running width passes the wrap width) and
// returns the line texts.
std::vector<std::string> wrap_lines(const std::string& t, const int adv[256], float width) {
    std::vector<std::string> lines;
    size_t start = 0, brk = 0, n = t.size();
    float w = 0;
    for (size_t i = 0; i <= n; i++) {
        int c = i < n ? (unsigned char)t[i] : 0;
        bool end = false;
        if (c == 0 || c == '\n') end = true;
        else if (w + adv[c] > width) {
            if (brk) i = brk, c = ' ';
            end = true;
        }
        if (end) {
            lines.push_back(t.substr(start, i - start));
            w = 0, brk = 0;
            if (c == ' ' || c == '\n' || c == 0) start = i + 1;
            else start = i--;
            if (c == 0) break;
            continue;
        }
        if (c == ' ' && i) brk = i;
        w += adv[c];
    }
    return lines;
}

// Copies a FreeType grey bitmap into a layer of the glyph picture with colour c.
void stamp(Canvas& pic, const FT_Bitmap& bm, int x0, int y0, Rgba c) {
    for (unsigned j = 0; j < bm.rows; j++)
        for (unsigned i = 0; i < bm.width; i++) {
            float a = bm.buffer[j * bm.pitch + i] / 255.f;
            int x = x0 + (int)i, y = y0 + (int)j;
            if (a > 0 && x >= 0 && y >= 0 && x < pic.w && y < pic.h) pic.blend(x, y, c, a);
        }
}

bool render_glyph(FT_Face face, FT_Stroker stroker, const Style& st, int ascender, int b, int tracking,
                  Glyph& g) {
    g.advance = advance_of(face, b, tracking);
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

bool make_font(FT_Library lib, FT_Face face, const Style& st, const std::string& dir, Catalogue& cat,
               const std::string& preview) {
    FT_Set_Pixel_Sizes(face, 0, st.px);
    int ascender = (int)((face->size->metrics.ascender + 32) >> 6);
    int height = (int)((face->size->metrics.height + 32) >> 6) + (int)std::ceil(st.outline);
    int tracking = (int)std::ceil(st.outline);
    FT_Stroker stroker;
    if (FT_Stroker_New(lib, &stroker)) return false;
    FT_Stroker_Set(stroker, (FT_Fixed)(st.outline * 64), FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
    std::vector<Glyph> gl(256);
    bool ok = true;
    for (int b = 0; b < 256 && ok; b++) ok = render_glyph(face, stroker, st, ascender, b, tracking, gl[b]);
    FT_Stroker_Done(stroker);
    if (!ok) return false;

    // Shelf packing in byte order, with gaps so filtering never mixes two glyphs. The sheet is
    // 1024 or 2048 wide, whichever gives the smaller power-of-two sheet.
    const int GAP = 3;
    int W = 0, H = 0;
    for (int tw = 1024; tw <= 2048; tw *= 2) {
        int x = GAP, y = GAP, shelf = 0;
        for (Glyph& g : gl) {
            if (g.pic.w == 0) continue;
            if (x + g.pic.w + GAP > tw) x = GAP, y += shelf + GAP, shelf = 0;
            x += g.pic.w + GAP;
            shelf = std::max(shelf, g.pic.h);
        }
        int th = next_pow2(y + shelf + GAP);
        if (!W || tw * th < W * H) W = tw, H = th;
    }
    int x = GAP, y = GAP, shelf = 0;
    for (Glyph& g : gl) {
        if (g.pic.w == 0) continue;
        if (x + g.pic.w + GAP > W) x = GAP, y += shelf + GAP, shelf = 0;
        g.x = x, g.y = y;
        x += g.pic.w + GAP;
        shelf = std::max(shelf, g.pic.h);
    }
    Canvas sheet(W, H);
    for (Glyph& g : gl)
        if (g.pic.w) sheet.draw(g.pic, g.x, g.y);
    std::string file = std::string(st.name) + ".png";
    if (!sheet.write_png(dir + "/" + file)) return false;
    cat.texture(file, file, W, H);

    std::string rects, shapes;
    for (int b = 0; b < 256; b++) {
        const Glyph& g = gl[b];
        rects += (b ? ", " : "") + Catalogue::rect(g.x, g.y, g.pic.w, g.pic.h);
        shapes += (b ? ", " : "") + Catalogue::rect(g.ox, g.oy, g.advance, g.pic.h);
    }
    cat.entries[st.name] = "{\"height\": " + Catalogue::num(height) + ", \"texture\": " + Catalogue::str(file) +
                           ", \"rect\": " + Catalogue::rect(0, 0, W, H) + ", \"rects\": [" + rects +
                           "], \"shapes\": [" + shapes + "]}";
    if (!preview.empty()) previews[st.name] = {std::move(gl), height};
    fprintf(stderr, "glitz_assets: %s: %d px, line height %d, sheet %d x %d\n", st.name, st.px, height, W, H);

    if (!preview.empty()) { // the sheet over a dark purple checkerboard
        Canvas p(W, H);
        for (int j = 0; j < H; j++)
            for (int i = 0; i < W; i++)
                p.at(i, j) = ((i / 16 + j / 16) % 2) ? hex(0x5a3a78) : hex(0x3a2a58);
        p.draw(sheet, 0, 0);
        p.write_png(preview + "/sheet_" + st.name + ".png");
    }
    return true;
}

// font0's size: the largest at which the instruction breaks into exactly two lines.
int pick_instruction_size(FT_Face face, float outline) {
    for (int px = 34; px >= 14; px--) {
        FT_Set_Pixel_Sizes(face, 0, px);
        int adv[256];
        for (int b = 0; b < 256; b++) adv[b] = advance_of(face, b, (int)std::ceil(outline));
        std::vector<std::string> lines = wrap_lines(INSTRUCTION, adv, WRAP);
        if (lines.size() == 2) {
            fprintf(stderr, "glitz_assets: instruction at %d px: \"%s\" / \"%s\"\n", px, lines[0].c_str(),
                    lines[1].c_str());
            return px;
        }
    }
    return 22;
}

} // namespace

bool make_fonts(const std::string& dir, Catalogue& cat, const std::string& preview) {
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) {
        fprintf(stderr, "glitz_assets: FreeType does not start\n");
        return false;
    }
    FT_Face face;
    if (FT_New_Face(lib, FONT_FILE, 0, &face)) {
        fprintf(stderr, "glitz_assets: cannot open %s (Debian package fonts-dejavu-core)\n", FONT_FILE);
        FT_Done_FreeType(lib);
        return false;
    }
    Style styles[] = {{"font0", 0, 1.6f, 2}, {"font1", 40, 2.5f, 3}, {"font2", 88, 4.5f, 5}};
    styles[0].px = pick_instruction_size(face, styles[0].outline);
    bool ok = true;
    for (const Style& s : styles) ok = ok && make_font(lib, face, s, dir, cat, preview);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    if (!ok) return false;
    // The test screen previews a glyph sheet under this name.
    cat.entries["font.png"] = cat.entries["font1.png"];
    return true;
}

namespace {

// Draws one line with the glyph pictures the way the game does (pen + shape offset), tinted.
void mock_text(Canvas& dst, const PreviewFont& f, const std::string& t, float x, float y, Rgba tint) {
    float pen = x;
    for (unsigned char b : t) {
        const Glyph& g = f.glyphs[b];
        for (int j = 0; j < g.pic.h; j++)
            for (int i = 0; i < g.pic.w; i++) {
                int dx = (int)pen + g.ox + i, dy = (int)y + g.oy + j;
                if (dx < 0 || dy < 0 || dx >= dst.w || dy >= dst.h) continue;
                Rgba c = g.pic.at(i, j);
                dst.blend(dx, dy, {c.r * tint.r, c.g * tint.g, c.b * tint.b, c.a}, 1);
            }
        pen += g.advance;
    }
}

float mock_width(const PreviewFont& f, const std::string& t) {
    float w = 0;
    for (unsigned char b : t) w += f.glyphs[b].advance;
    return w;
}

// A picture file of the data directory, scaled (bilinear) into the rectangle.
void mock_picture(Canvas& dst, const std::string& path, int sw, int sh, float x, float y, float w, float h) {
    int iw, ih, n;
    unsigned char* px = stbi_load(path.c_str(), &iw, &ih, &n, 4);
    if (!px) return;
    for (int j = 0; j < (int)h; j++)
        for (int i = 0; i < (int)w; i++) {
            float u = (i + 0.5f) * sw / w - 0.5f, v = (j + 0.5f) * sh / h - 0.5f;
            int u0 = std::max(0, std::min(iw - 1, (int)std::floor(u))), v0 = std::max(0, std::min(ih - 1, (int)std::floor(v)));
            int u1 = std::min(std::min(iw, sw) - 1, u0 + 1), v1 = std::min(std::min(ih, sh) - 1, v0 + 1);
            float fu = clamp01(u - u0), fv = clamp01(v - v0);
            float acc[4] = {0, 0, 0, 0};
            const int us[2] = {u0, u1}, vs[2] = {v0, v1};
            const float wu[2] = {1 - fu, fu}, wv[2] = {1 - fv, fv};
            for (int a = 0; a < 2; a++)
                for (int b = 0; b < 2; b++) {
                    const unsigned char* p = px + ((size_t)vs[b] * iw + us[a]) * 4;
                    float k = wu[a] * wv[b], al = p[3] / 255.f;
                    for (int c = 0; c < 3; c++) acc[c] += p[c] / 255.f * al * k; // premultiplied
                    acc[3] += al * k;
                }
            int dx = (int)x + i, dy = (int)y + j;
            if (acc[3] > 0 && dx >= 0 && dy >= 0 && dx < dst.w && dy < dst.h)
                dst.blend(dx, dy, {acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3]}, 1);
        }
    stbi_image_free(px);
}

} // namespace

void preview_screens(const std::string& dir, const std::string& preview) {
    if (preview.empty() || previews.size() < 3) return;
    const PreviewFont &f0 = previews["font0"], &f1 = previews["font1"], &f2 = previews["font2"];
    auto centred = [](Canvas& c, const PreviewFont& f, const std::string& t, float row_top, float row_h, Rgba tint) {
        mock_text(c, f, t, (1024 - mock_width(f, t)) / 2, row_top + (row_h - f.height) / 2, tint);
    };
    // Title screen: the ball behind a five-row table.
    Canvas menu(1024, 768);
    for (auto& p : menu.px) p = {0, 0, 0, 1};
    mock_picture(menu, dir + "/ball.png", 512, 512, 256, 128, 515, 515);
    const float rh = 768 / 5.f;
    centred(menu, f2, "GLITZ FALL!!", 0, rh, {1, 1, 1, 1});
    centred(menu, f1, "FEST 2012 GRAB BAG", rh, rh, hex(0xffff55));
    centred(menu, f1, "CODE: RONAN VESK", 2 * rh, rh, hex(0xff55ff));
    centred(menu, f1, "MUSIC: OLAF TREMM", 3 * rh, rh, hex(0x55ffff));
    int adv[256];
    for (int b = 0; b < 256; b++) adv[b] = f0.glyphs[b].advance;
    std::vector<std::string> lines = wrap_lines(INSTRUCTION, adv, WRAP);
    float top = 4 * rh + (rh - f0.height * lines.size()) / 2;
    for (size_t i = 0; i < lines.size(); i++) centred(menu, f0, lines[i], top + i * f0.height, (float)f0.height, {1, 1, 1, 1});
    menu.write_png(preview + "/screen_menu.png");

    // Game over: the field with balls of several sizes, the score and the banner.
    Canvas fail(1024, 768);
    for (auto& p : fail.px) p = {0, 0, 0, 1};
    mock_picture(fail, dir + "/player.png", 170, 170, 427, 598, 170, 170);
    const float balls[][3] = {{120, 80, 110}, {300, 420, 64}, {700, 200, 90}, {860, 560, 119}, {520, 620, 75}};
    for (const auto& b : balls) mock_picture(fail, dir + "/ball.png", 512, 512, b[0], b[1], b[2], b[2]);
    centred(fail, f2, "17", 0, (float)f2.height, hex(0x55ffff));
    centred(fail, f2, "GLITZ FAIL!!", 0, 768, hex(0xff55ff));
    fail.write_png(preview + "/screen_fail.png");
}
