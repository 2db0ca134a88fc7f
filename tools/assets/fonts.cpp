// SPDX-License-Identifier: Zlib
// fonts.cpp - the game's three bitmap fonts: DejaVu Sans Bold rendered into glyph sheets by
// font_sheet.cpp (white glyphs, dark outline, soft drop shadow, 256 glyphs as Latin-1), font0's
// size chosen for the instruction line, and the screen mock-ups that preview them.
#include "canvas.h"
#include "font_sheet.h"
#include "gen.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <stb_image.h>

namespace {

const char* FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// The instruction line of the title screen: font0 must break it into two lines at 768 units.
const char* INSTRUCTION =
    "TO PLAY: MOVE LEFT AND RIGHT TO AVOID FALLING GLITZ BALLS!!  GET READY TO PARTY DUDES!!";
const float WRAP = 768;

struct Style {
    const char* name;
    FontStyle look;  // px 0: chosen so the instruction wraps well
};

// Fonts kept for the screen mock-ups (only when previews are asked for).
struct PreviewFont {
    std::vector<FontGlyph> glyphs;
    int height = 0;
};
std::map<std::string, PreviewFont> previews;

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

bool make_font(FT_Library lib, FT_Face face, const Style& st, const std::string& dir, Catalogue& cat,
               const std::string& preview) {
    FontSheet fs;
    if (!font_sheet_make(lib, face, st.look, fs)) return false;
    int W = fs.sheet.w, H = fs.sheet.h;
    std::string file = std::string(st.name) + ".png";
    if (!fs.sheet.write_png(dir + "/" + file)) return false;
    cat.texture(file, file, W, H);
    cat.entries[st.name] = font_sheet_entry(fs, file);
    fprintf(stderr, "glitz_assets: %s: %d px, line height %d, sheet %d x %d\n", st.name, st.look.px, fs.height, W, H);

    if (!preview.empty()) { // the sheet over a dark purple checkerboard
        Canvas p(W, H);
        for (int j = 0; j < H; j++)
            for (int i = 0; i < W; i++)
                p.at(i, j) = ((i / 16 + j / 16) % 2) ? hex(0x5a3a78) : hex(0x3a2a58);
        p.draw(fs.sheet, 0, 0);
        p.write_png(preview + "/sheet_" + st.name + ".png");
        previews[st.name] = {std::move(fs.glyphs), fs.height};
    }
    return true;
}

// font0's size: the largest at which the instruction breaks into exactly two lines.
int pick_instruction_size(FT_Face face, float outline) {
    for (int px = 34; px >= 14; px--) {
        FT_Set_Pixel_Sizes(face, 0, px);
        int adv[256];
        for (int b = 0; b < 256; b++) adv[b] = font_advance(face, b, (int)std::ceil(outline));
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
    Style styles[] = {{"font0", {0, 1.6f, 2}}, {"font1", {40, 2.5f, 3}}, {"font2", {88, 4.5f, 5}}};
    styles[0].look.px = pick_instruction_size(face, styles[0].look.outline);
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
        const FontGlyph& g = f.glyphs[b];
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
