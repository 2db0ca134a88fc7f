// SPDX-License-Identifier: Zlib
// canvas.h - a float RGBA picture for the asset generator, with anti-aliased shape drawing.
//
// USAGE
//   Canvas c(170, 170);                          // transparent, straight (not premultiplied) alpha
//   c.fill(sd_circle(x, y, cx, cy, r) ...)       // see paint(): coverage from a signed distance
//   c.paint([&](float x, float y) { return sd_circle(x, y, 85, 85, 40); }, rgba(1, 0.5f, 0, 1));
//   c.write_png("data/player.png");              // 8-bit RGBA, same bytes on every run
//
// Pixel centres are at (i + 0.5, j + 0.5). Distances are in pixels, negative inside a shape; a
// pixel's coverage is clamp(0.5 - distance), which gives a one-pixel anti-aliased edge.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgba {
    float r, g, b, a;
};
inline Rgba rgba(float r, float g, float b, float a = 1) { return {r, g, b, a}; }
inline Rgba hex(uint32_t c, float a = 1) {
    return {((c >> 16) & 255) / 255.f, ((c >> 8) & 255) / 255.f, (c & 255) / 255.f, a};
}
inline Rgba mix(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float smooth(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Signed distances (pixels, negative inside).
inline float sd_circle(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) - r;
}
// Ellipse: a cheap approximation that is exact on the axes, good enough for soft cartoon shapes.
inline float sd_ellipse(float x, float y, float cx, float cy, float rx, float ry) {
    float px = x - cx, py = y - cy;
    float k0 = std::hypot(px / rx, py / ry), k1 = std::hypot(px / (rx * rx), py / (ry * ry));
    if (k1 < 1e-9f) return -std::min(rx, ry);
    return k0 * (k0 - 1) / k1;
}
// Segment from (ax, ay) to (bx, by) with radius r (a capsule).
inline float sd_capsule(float x, float y, float ax, float ay, float bx, float by, float r) {
    float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float h = clamp01((px * dx + py * dy) / (dx * dx + dy * dy + 1e-9f));
    return std::hypot(px - dx * h, py - dy * h) - r;
}
// Box centred at (cx, cy) with half sizes hw, hh and corner radius r.
inline float sd_rbox(float x, float y, float cx, float cy, float hw, float hh, float r) {
    float qx = std::fabs(x - cx) - hw + r, qy = std::fabs(y - cy) - hh + r;
    float ox = std::max(qx, 0.f), oy = std::max(qy, 0.f);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.f) - r;
}
// Convex polygon given counter- or clockwise; distance is exact outside up to the edges' lines.
inline float sd_poly(float x, float y, const std::vector<float>& pts) {
    size_t n = pts.size() / 2;
    float d = 1e9f, s = 1;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        float ex = pts[2 * j] - pts[2 * i], ey = pts[2 * j + 1] - pts[2 * i + 1];
        float wx = x - pts[2 * i], wy = y - pts[2 * i + 1];
        float h = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
        float bx = wx - ex * h, by = wy - ey * h;
        d = std::min(d, bx * bx + by * by);
        bool c1 = y >= pts[2 * i + 1], c2 = y < pts[2 * j + 1], c3 = ex * wy > ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

struct Canvas {
    int w = 0, h = 0;
    std::vector<Rgba> px; // straight alpha

    Canvas(int w_, int h_) : w(w_), h(h_), px((size_t)w_ * h_, Rgba{0, 0, 0, 0}) {}
    Rgba& at(int x, int y) { return px[(size_t)y * w + x]; }
    const Rgba& at(int x, int y) const { return px[(size_t)y * w + x]; }

    // Source-over of a straight-alpha colour with extra coverage k.
    void blend(int x, int y, Rgba c, float k) {
        float a = c.a * k;
        if (a <= 0) return;
        Rgba& d = at(x, y);
        float oa = a + d.a * (1 - a);
        if (oa <= 0) return;
        d.r = (c.r * a + d.r * d.a * (1 - a)) / oa;
        d.g = (c.g * a + d.g * d.a * (1 - a)) / oa;
        d.b = (c.b * a + d.b * d.a * (1 - a)) / oa;
        d.a = oa;
    }
    // Paints a shape given by its distance function with a colour function, optionally inside a
    // bounding box (x0, y0, x1, y1) to save time.
    void paint(const std::function<float(float, float)>& sd, const std::function<Rgba(float, float)>& col,
               int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
        if (x1 < 0) x1 = w;
        if (y1 < 0) y1 = h;
        x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w), y1 = std::min(y1, h);
        for (int j = y0; j < y1; j++)
            for (int i = x0; i < x1; i++) {
                float fx = i + 0.5f, fy = j + 0.5f;
                float k = clamp01(0.5f - sd(fx, fy));
                if (k > 0) blend(i, j, col(fx, fy), k);
            }
    }
    void paint(const std::function<float(float, float)>& sd, Rgba c) {
        paint(sd, [c](float, float) { return c; });
    }
    // Paints the shape with a dark outline of width `ow` around it (a cartoon ink line).
    void inked(const std::function<float(float, float)>& sd, const std::function<Rgba(float, float)>& col,
               float ow, Rgba ink) {
        paint([&](float x, float y) { return sd(x, y) - ow; }, ink);
        paint(sd, col);
    }
    void inked(const std::function<float(float, float)>& sd, Rgba c, float ow, Rgba ink) {
        inked(sd, [c](float, float) { return c; }, ow, ink);
    }
    // Copies another canvas at (dx, dy) with source-over.
    void draw(const Canvas& src, int dx, int dy) {
        for (int j = 0; j < src.h; j++)
            for (int i = 0; i < src.w; i++) {
                int x = dx + i, y = dy + j;
                if (x >= 0 && y >= 0 && x < w && y < h) blend(x, y, src.at(i, j), 1);
            }
    }
    std::vector<uint8_t> bytes() const;
    bool write_png(const std::string& path) const;
};
