// SPDX-License-Identifier: Zlib
// gen.h - pieces of the asset generator (glitz_assets): each part writes its files into the data
// directory and adds its entries to the catalogue that becomes data.json.
//
// USAGE
//   Catalogue cat;
//   make_sprites(dir, cat, preview);   // "ball", "player", "blank" and their textures
//   cat.write(dir + "/data.json");
//   make_icons(icon_dir, "glitzfall");  // the program's icon, apart from the data
//
// Every part must write the same bytes on every run: fixed seeds, no clocks, sorted output.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// data.json under construction: entry name -> the entry's JSON text. Entries come out sorted by
// name, so the file does not depend on the order in which the parts ran.
struct Catalogue {
    std::map<std::string, std::string> entries;

    static std::string rect(double x, double y, double w, double h);
    static std::string num(double v);
    static std::string str(const std::string& s);
    void texture(const std::string& name, const std::string& fname, int w, int h);
    void image(const std::string& name, const std::string& tex, int x, int y, int w, int h,
               int sx, int sy, int sw, int sh);
    void sound(const std::string& name, const std::string& fname);
    bool write(const std::string& path) const;
};

// A small deterministic generator (xorshift32), so pictures and sounds are the same on every run.
struct Rng {
    uint32_t s;
    explicit Rng(uint32_t seed) : s(seed ? seed : 1) {}
    uint32_t next() { s ^= s << 13; s ^= s >> 17; s ^= s << 5; return s; }
    float unit() { return (next() >> 8) * (1.0f / 16777216.0f); }  // 0 <= v < 1
    float range(float a, float b) { return a + (b - a) * unit(); }
};

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

// Each part returns false (after a message on stderr) when it could not write its files.
// `preview` is empty or a directory for pictures meant for people (not part of the data).
bool make_sprites(const std::string& dir, Catalogue& cat, const std::string& preview);
bool make_test_art(const std::string& dir, Catalogue& cat);
bool make_fonts(const std::string& dir, Catalogue& cat, const std::string& preview);
bool make_sounds(const std::string& dir, Catalogue& cat);
bool make_music(const std::string& dir, Catalogue& cat);
// The program's icon (the glitter ball) as DIR/<n>x<n>/apps/NAME.png for n = 48, 128 and 256, the
// layout of an icon theme's folder.
bool make_icons(const std::string& dir, const std::string& name);
// Mock-ups of the title and game-over screens from the written files (needs a preview dir).
void preview_screens(const std::string& dir, const std::string& preview);
