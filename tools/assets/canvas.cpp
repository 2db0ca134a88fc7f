// SPDX-License-Identifier: Zlib
// canvas.cpp - PNG output and the catalogue writer of the asset generator.
#include "canvas.h"
#include "gen.h"

#include <cmath>
#include <cstdio>
#include <stb_image_write.h>

std::vector<uint8_t> Canvas::bytes() const {
    std::vector<uint8_t> out((size_t)w * h * 4);
    for (size_t i = 0; i < px.size(); i++) {
        const Rgba& p = px[i];
        uint8_t a = (uint8_t)std::lround(clamp01(p.a) * 255);
        out[i * 4 + 3] = a;
        if (a == 0) continue; // fully transparent pixels are stored as 0, 0, 0, 0
        out[i * 4 + 0] = (uint8_t)std::lround(clamp01(p.r) * 255);
        out[i * 4 + 1] = (uint8_t)std::lround(clamp01(p.g) * 255);
        out[i * 4 + 2] = (uint8_t)std::lround(clamp01(p.b) * 255);
    }
    return out;
}

bool Canvas::write_png(const std::string& path) const {
    std::vector<uint8_t> b = bytes();
    if (!stbi_write_png(path.c_str(), w, h, 4, b.data(), w * 4)) {
        fprintf(stderr, "glitz_assets: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && fclose(f) != 0) ok = false;
    if (!ok) fprintf(stderr, "glitz_assets: cannot write %s\n", path.c_str());
    return ok;
}

std::string Catalogue::num(double v) {
    char buf[64];
    if (v == std::floor(v) && std::fabs(v) < 1e9) snprintf(buf, sizeof buf, "%d", (int)v);
    else snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

std::string Catalogue::str(const std::string& s) {
    std::string o = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') o += '\\';
        o += c;
    }
    return o + "\"";
}

std::string Catalogue::rect(double x, double y, double w, double h) {
    return "{\"x\": " + num(x) + ", \"y\": " + num(y) + ", \"w\": " + num(w) + ", \"h\": " + num(h) + "}";
}

void Catalogue::texture(const std::string& name, const std::string& fname, int w, int h) {
    entries[name] = "{\"fname\": " + str(fname) + ", \"rect\": " + rect(0, 0, w, h) + "}";
}

void Catalogue::image(const std::string& name, const std::string& tex, int x, int y, int w, int h,
                      int sx, int sy, int sw, int sh) {
    entries[name] = "{\"texture\": " + str(tex) + ", \"rect\": " + rect(x, y, w, h) +
                    ", \"shape\": " + rect(sx, sy, sw, sh) + "}";
}

void Catalogue::sound(const std::string& name, const std::string& fname) {
    entries[name] = "{\"fname\": " + str(fname) + "}";
}

bool Catalogue::write(const std::string& path) const {
    std::string s = "{\n";
    size_t i = 0;
    for (auto& [name, body] : entries)
        s += "  " + str(name) + ": " + body + (++i < entries.size() ? ",\n" : "\n");
    s += "}\n";
    return write_file(path, std::vector<uint8_t>(s.begin(), s.end()));
}
