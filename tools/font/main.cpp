// SPDX-License-Identifier: Zlib
// glitz_font - renders a TrueType (or any FreeType) font at one pixel size into a glyph sheet for
// the Glitz framework and prints the sheet's and the font's catalogue entries.
//
// USAGE
//   glitz_font FONT_FILE PIXEL_SIZE NAME [OUT_DIR] [--outline PX] [--shadow PX]
//
// Writes OUT_DIR/NAME.png (OUT_DIR defaults to ".") and prints two catalogue entries on standard
// output, the texture "NAME.png" and the font "NAME", as members to paste into data.json's top
// object. The 256 glyphs are the byte values read as Latin-1, drawn white (tint them with the
// text colour) with a dark outline (default PIXEL_SIZE / 16) and a drop shadow (default
// PIXEL_SIZE / 13). Exit status 0 on success, 1 when the font or the sheet fails, 2 on bad usage.
#include "../assets/font_sheet.h"
#include "../assets/gen.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const int kMinPx = 6, kMaxPx = 150;   // up to 150 px a sheet stays within 4096 pixels
const size_t kMaxName = 64;
const int kMaxTextureSide = 4096;   // the largest texture side every OpenGL driver takes

int usage(const char* prog) {
    fprintf(stderr, "usage: %s FONT_FILE PIXEL_SIZE NAME [OUT_DIR] [--outline PX] [--shadow PX]\n"
                    "  PIXEL_SIZE %d..%d; NAME letters, digits, '_' and '-'; outline and shadow 0..PIXEL_SIZE/4\n",
            prog, kMinPx, kMaxPx);
    return 2;
}

// A whole text as a number, or false.
bool number(const char* text, double& out) {
    char* end = nullptr;
    out = strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(out);
}

// The name becomes a file name and a catalogue key: no paths, no quotes.
bool good_name(const std::string& name) {
    if (name.empty() || name.size() > kMaxName) return false;
    for (char c : name)
        if (!(isalnum((unsigned char)c) || c == '_' || c == '-')) return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string positional[4];
    int npos = 0;
    double outline = -1, shadow = -1;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--outline" || a == "--shadow") {
            double& value = a == "--outline" ? outline : shadow;   // below 0 until given: the default
            if (i + 1 >= argc || !number(argv[i + 1], value) || value < 0) return usage(argv[0]);
            i++;
        } else if (npos < 4 && (a.empty() || a[0] != '-')) {
            positional[npos++] = a;
        } else {
            return usage(argv[0]);
        }
    }
    double px = 0;
    if (npos < 3 || !number(positional[1].c_str(), px) || px != std::floor(px) || px < kMinPx || px > kMaxPx ||
        !good_name(positional[2]))
        return usage(argv[0]);
    if (outline < 0) outline = px / 16;
    if (shadow < 0) shadow = std::round(px / 13);
    if (outline > px / 4 || shadow > px / 4) return usage(argv[0]);
    const std::string font_file = positional[0], name = positional[2];
    const std::string dir = npos > 3 ? positional[3] : ".";

    FT_Library lib;
    if (FT_Init_FreeType(&lib)) {
        fprintf(stderr, "glitz_font: FreeType does not start\n");
        return 1;
    }
    FT_Face face;
    if (FT_New_Face(lib, font_file.c_str(), 0, &face)) {
        fprintf(stderr, "glitz_font: cannot open %s as a font\n", font_file.c_str());
        FT_Done_FreeType(lib);
        return 1;
    }
    FontSheet sheet;
    bool ok = font_sheet_make(lib, face, {(int)px, (float)outline, (int)shadow}, sheet);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    if (!ok) {
        fprintf(stderr, "glitz_font: %s does not render at %d px\n", font_file.c_str(), (int)px);
        return 1;
    }
    const std::string texture = name + ".png", path = dir + "/" + texture;
    if (!sheet.sheet.write_png(path)) return 1;
    Catalogue cat;
    cat.texture(texture, texture, sheet.sheet.w, sheet.sheet.h);
    printf("%s: %s,\n%s: %s\n", Catalogue::str(texture).c_str(), cat.entries[texture].c_str(),
           Catalogue::str(name).c_str(), font_sheet_entry(sheet, texture).c_str());
    if (sheet.sheet.w > kMaxTextureSide || sheet.sheet.h > kMaxTextureSide)
        fprintf(stderr, "glitz_font: warning: the sheet is larger than %d pixels, too large for some OpenGL drivers\n",
                kMaxTextureSide);
    fprintf(stderr, "glitz_font: %s: %d px, line height %d, sheet %d x %d in %s\n", name.c_str(), (int)px,
            sheet.height, sheet.sheet.w, sheet.sheet.h, path.c_str());
    return 0;
}
