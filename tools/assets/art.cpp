// SPDX-License-Identifier: Zlib
// art.cpp - the game's pictures: the glitter ball, the party figure, the blank frame and the test
// screen's atlas, all drawn from code.
#include "canvas.h"
#include "gen.h"

#include <sys/stat.h>
#include <cmath>

namespace {

const float PI = 3.14159265f;

struct V3 {
    float x, y, z;
};
V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 norm(V3 a) { return a * (1.0f / std::sqrt(dot(a, a))); }

// Rotation of the ball's tile grid against the view: tilt about x, then turn about y.
const float TILT = 0.42f, TURN = 0.30f;
V3 to_ball(V3 v) { // view -> ball space
    float c = std::cos(TILT), s = std::sin(TILT);
    V3 a = {v.x, v.y * c + v.z * s, -v.y * s + v.z * c};
    c = std::cos(TURN), s = std::sin(TURN);
    return {a.x * c - a.z * s, a.y, a.x * s + a.z * c};
}
V3 to_view(V3 v) { // ball -> view space
    float c = std::cos(TURN), s = std::sin(TURN);
    V3 a = {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
    c = std::cos(TILT), s = std::sin(TILT);
    return {a.x, a.y * c - a.z * s, a.y * s + a.z * c};
}

// The party room the mirror tiles reflect: a dim silver gradient with coloured spot lights and
// one hard white key light up on the left.
Rgba room(V3 d) {
    float up = d.y * 0.5f + 0.5f;
    float base = 0.16f + 0.42f * up * up;
    Rgba c = {base * 0.92f, base * 0.95f, base * 1.08f, 1};
    struct Spot {
        V3 dir;
        Rgba col;
        float width, power;
    };
    static const Spot spots[] = {
        {norm({-0.55f, 0.62f, 0.55f}), {1, 1, 1, 1}, 0.012f, 2.6f},     // key light
        {norm({0.75f, 0.35f, 0.55f}), {1, 0.18f, 0.75f, 1}, 0.10f, 1.1f}, // hot pink
        {norm({-0.85f, -0.25f, 0.45f}), {0.1f, 0.85f, 1, 1}, 0.10f, 1.0f}, // cyan
        {norm({0.25f, -0.8f, 0.55f}), {1, 0.78f, 0.15f, 1}, 0.09f, 1.0f},  // gold
        {norm({0.1f, 0.95f, -0.2f}), {0.6f, 0.3f, 1, 1}, 0.15f, 0.8f},     // violet
        {norm({0.6f, -0.3f, -0.7f}), {0.2f, 1, 0.5f, 1}, 0.12f, 0.7f},     // green
    };
    for (const Spot& s : spots) {
        float k = s.power * std::exp((dot(d, s.dir) - 1) / s.width);
        c.r += s.col.r * k, c.g += s.col.g * k, c.b += s.col.b * k;
    }
    return c;
}

// The glitter ball, `size` pixels across, centred in a size x size canvas.
Canvas draw_ball(int size) {
    const int ROWS = 26, SS = 4;
    const float R = size * 0.5f, cx = size * 0.5f, cy = size * 0.5f;
    Canvas c(size, size);
    for (int j = 0; j < size; j++)
        for (int i = 0; i < size; i++) {
            Rgba sum = {0, 0, 0, 0};
            int inside = 0;
            for (int sj = 0; sj < SS; sj++)
                for (int si = 0; si < SS; si++) {
                    float x = (i + (si + 0.5f) / SS - cx) / R, y = (j + (sj + 0.5f) / SS - cy) / R;
                    float rr = x * x + y * y;
                    if (rr >= 1) continue;
                    inside++;
                    V3 n = {x, -y, std::sqrt(1 - rr)};
                    V3 b = to_ball(n);
                    float lat = std::asin(std::max(-1.f, std::min(1.f, b.y)));
                    float fr = (lat + PI / 2) / PI * ROWS;
                    int row = std::min(ROWS - 1, (int)fr);
                    float latc = ((row + 0.5f) / ROWS) * PI - PI / 2;
                    int cols = std::max(3, (int)std::lround(2 * ROWS * std::cos(latc)));
                    float lon = std::atan2(b.x, b.z) + PI;
                    float fc = lon / (2 * PI) * cols;
                    int col = std::min(cols - 1, (int)fc);
                    float u = fc - col, v = fr - row;
                    // Each tile is a small flat mirror, slightly out of true.
                    Rng t((uint32_t)(row * 977 + col * 131 + 7));
                    t.next();
                    float lonc = ((col + 0.5f) / cols) * 2 * PI - PI;
                    float jl = t.range(-0.05f, 0.05f), jo = t.range(-0.05f, 0.05f);
                    V3 fb = {std::cos(latc + jl) * std::sin(lonc + jo), std::sin(latc + jl),
                             std::cos(latc + jl) * std::cos(lonc + jo)};
                    V3 fn = to_view(fb);
                    V3 r = norm(fn * (2 * fn.z) + V3{0, 0, -1});
                    Rgba m = room(r);
                    float bright = t.range(0.72f, 1.25f);
                    float tint = t.unit();
                    m.r *= bright * (tint < 0.15f ? 1.25f : 1), m.g *= bright,
                        m.b *= bright * (tint > 0.85f ? 1.3f : 1);
                    // Grout between the tiles, and a bevel that lights the tile's upper edge.
                    float edge = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
                    float grout = smooth(0.035f, 0.09f, edge);
                    float bevel = (1 - smooth(0.08f, 0.2f, 1 - v)) * 0.12f;
                    float shade = 0.45f + 0.55f * n.z; // darker towards the rim
                    Rgba g = {0.05f, 0.04f, 0.08f, 1};
                    Rgba p = mix(g, {m.r * shade + bevel, m.g * shade + bevel, m.b * shade + bevel, 1}, grout);
                    // Cool rim light and a soft sheen where the key light hits the sphere.
                    float rim = std::pow(1 - n.z, 3.f) * 0.35f;
                    float hx = x + 0.38f, hy = y + 0.42f;
                    float sheen = 0.32f * std::exp(-(hx * hx + hy * hy) / (2 * 0.17f * 0.17f));
                    p.r += rim * 0.45f + sheen, p.g += rim * 0.55f + sheen, p.b += rim * 1.0f + sheen;
                    sum.r += p.r, sum.g += p.g, sum.b += p.b;
                }
            if (!inside) continue;
            c.at(i, j) = {sum.r / inside, sum.g / inside, sum.b / inside, inside / float(SS * SS)};
        }
    // Sparkles: four-pointed stars with a soft core, kept inside the ball.
    struct Star {
        float x, y, len, k;
    };
    const Star stars[] = {{-0.40f, -0.45f, 0.30f, 1.0f}, {0.35f, -0.30f, 0.16f, 0.8f},
                          {-0.55f, 0.25f, 0.14f, 0.7f},  {0.20f, 0.45f, 0.18f, 0.8f},
                          {-0.10f, -0.70f, 0.12f, 0.6f}, {0.62f, 0.20f, 0.12f, 0.6f},
                          {-0.18f, 0.05f, 0.10f, 0.5f}};
    for (const Star& s : stars) {
        float sx = cx + s.x * R, sy = cy + s.y * R, L = s.len * R;
        int x0 = (int)(sx - L - 2), x1 = (int)(sx + L + 3), y0 = (int)(sy - L - 2), y1 = (int)(sy + L + 3);
        for (int j = std::max(0, y0); j < std::min(size, y1); j++)
            for (int i = std::max(0, x0); i < std::min(size, x1); i++) {
                Rgba& p = c.at(i, j);
                if (p.a <= 0) continue;
                float dx = (i + 0.5f - sx) / L, dy = (j + 0.5f - sy) / L;
                float d = std::sqrt(dx * dx + dy * dy);
                float ray = std::exp(-std::fabs(dy) * 90) * std::max(0.f, 1 - std::fabs(dx)) +
                            std::exp(-std::fabs(dx) * 90) * std::max(0.f, 1 - std::fabs(dy));
                float du = (dx + dy) * 0.7071f, dv = (dx - dy) * 0.7071f; // short diagonal rays
                ray += 0.5f * (std::exp(-std::fabs(dv) * 120) * std::max(0.f, 1 - 2.2f * std::fabs(du)) +
                               std::exp(-std::fabs(du) * 120) * std::max(0.f, 1 - 2.2f * std::fabs(dv)));
                float core = std::exp(-d * d * 60) * 1.2f + std::exp(-d * d * 8) * 0.25f;
                float k = s.k * (ray + core);
                p.r += k, p.g += k * 0.97f, p.b += k * 0.9f;
            }
    }
    return c;
}

// The party figure in a 170 x 170 frame, feet on the bottom edge, hat tip at the top centre
// (where the game's hit box sits).
Canvas draw_player() {
    Canvas c(170, 170);
    const Rgba ink = hex(0x1c1030);
    const float ow = 2.6f;
    const Rgba skin = hex(0xffc98e), skin_dark = hex(0xf0a870);
    using F = std::function<float(float, float)>;

    // Glow sticks held up high, with a halo.
    auto stick = [&](float ax, float ay, float bx, float by, Rgba col) {
        c.paint([=](float x, float y) { return sd_capsule(x, y, ax, ay, bx, by, 4) - 7; },
                [=](float x, float y) {
                    float d = sd_capsule(x, y, ax, ay, bx, by, 4);
                    return Rgba{col.r, col.g, col.b, 0.45f * (1 - clamp01(d / 7))};
                });
        c.inked([=](float x, float y) { return sd_capsule(x, y, ax, ay, bx, by, 4); },
                [=](float x, float y) {
                    float d = sd_capsule(x, y, ax, ay, bx, by, 4);
                    return mix(col, Rgba{1, 1, 1, 1}, clamp01(-d / 4) * 0.6f);
                },
                1.8f, ink);
    };
    stick(36, 60, 24, 20, hex(0x39ff6a));
    stick(134, 60, 146, 20, hex(0xff4fd8));

    // Arms (behind the body), raised in a cheer.
    for (int s = -1; s <= 1; s += 2) {
        float sx = 85 + s * 21, hx = 85 + s * 49;
        c.inked([=](float x, float y) { return sd_capsule(x, y, sx, 100, hx, 64, 7.5f); }, skin, ow, ink);
        c.inked([=](float x, float y) { return sd_circle(x, y, hx, 60, 9.5f); }, skin, ow, ink);
        // Sleeve.
        c.inked([=](float x, float y) { return sd_capsule(x, y, sx, 101, sx + s * 9, 91, 9.5f); },
                hex(0x22c7e8), ow, ink);
    }
    // Legs and sneakers.
    for (int s = -1; s <= 1; s += 2) {
        float lx = 85 + s * 12;
        c.inked([=](float x, float y) { return sd_capsule(x, y, lx, 128, lx + s * 3, 152, 8.5f); },
                hex(0x3350c8), ow, ink);
        float fx = 85 + s * 19;
        c.inked([=](float x, float y) { return sd_ellipse(x, y, fx, 158, 15, 8.5f); },
                [=](float, float y) { return y > 161 ? hex(0xff3355) : hex(0xffffff); }, ow, ink);
    }
    // Body: a bright shirt with a star on it.
    F body = [](float x, float y) { return sd_rbox(x, y, 85, 113, 25, 22, 13); };
    c.inked(body, [](float x, float y) {
        Rgba a = hex(0x28d4f0), b = hex(0x1a8fe0);
        Rgba col = mix(a, b, clamp01((y - 92) / 44));
        // Polka sparkle dots.
        float gx = std::fmod(x + 200, 12.f) - 6, gy = std::fmod(y + (std::fmod(x + 200, 24.f) < 12 ? 6 : 0) + 200, 12.f) - 6;
        if (gx * gx + gy * gy < 3.2f) col = mix(col, hex(0xffffff), 0.55f);
        return col;
    }, ow, ink);
    std::vector<float> star;
    for (int k = 0; k < 10; k++) {
        float a = -PI / 2 + k * PI / 5, r = (k % 2) ? 5.f : 12.f;
        star.push_back(85 + r * std::cos(a));
        star.push_back(114 + r * std::sin(a));
    }
    // The star is not convex: draw it as five triangles plus the inner pentagon.
    std::vector<float> inner;
    for (int k = 1; k < 10; k += 2) inner.insert(inner.end(), {star[2 * k], star[2 * k + 1]});
    auto star_sd = [star, inner](float x, float y) {
        float d = sd_poly(x, y, inner);
        for (int k = 0; k < 10; k += 2) {
            int a = (k + 9) % 10, b = (k + 1) % 10;
            d = std::min(d, sd_poly(x, y, {star[2 * a], star[2 * a + 1], star[2 * k], star[2 * k + 1],
                                            star[2 * b], star[2 * b + 1]}));
        }
        return d;
    };
    c.inked(star_sd, hex(0xffe14a), 1.6f, ink);

    // Head.
    c.inked([](float x, float y) { return sd_circle(x, y, 85, 70, 25); },
            [=](float x, float y) { return mix(skin, skin_dark, clamp01((std::hypot(x - 80, y - 64) - 12) / 18)); },
            ow, ink);
    // Hair tufts peeking out under the hat.
    for (int s = -1; s <= 1; s += 2)
        c.inked([=](float x, float y) { return sd_ellipse(x, y, 85 + s * 22, 55, 7, 9); }, hex(0x7a3b16), 2, ink);
    // Party hat: a striped cone with a pompom.
    std::vector<float> cone = {85, 10, 106, 52, 64, 52};
    c.inked([cone](float x, float y) { return sd_poly(x, y, cone); }, [](float x, float y) {
        float wave = std::sin((y * 0.9f + x * 0.35f) * (2 * PI / 12)); // anti-aliased stripes
        return mix(hex(0xff3fa4), hex(0xffe14a), clamp01(wave * 4 + 0.5f));
    }, ow, ink);
    c.inked([](float x, float y) { return sd_rbox(x, y, 85, 52, 23, 3.5f, 3.5f); }, hex(0x8a4dff), 2, ink);
    c.inked([](float x, float y) { return sd_circle(x, y, 85, 10, 7); }, [](float x, float y) {
        return mix(hex(0xffffff), hex(0x40e0ff), clamp01(std::hypot(x - 83, y - 8) / 8));
    }, 2, ink);

    // Face: big happy eyes, rosy cheeks and an open smile.
    for (int s = -1; s <= 1; s += 2) {
        float ex = 85 + s * 9;
        c.inked([=](float x, float y) { return sd_ellipse(x, y, ex, 67, 5.5f, 7); }, hex(0xffffff), 1.6f, ink);
        c.paint([=](float x, float y) { return sd_ellipse(x, y, ex + 1, 68.5f, 3.6f, 4.6f); }, hex(0x2a1a40));
        c.paint([=](float x, float y) { return sd_circle(x, y, ex + 2.2f, 66.3f, 1.5f); }, hex(0xffffff));
        c.paint([=](float x, float y) { return sd_ellipse(x, y, 85 + s * 17, 78, 5, 3.2f); }, hex(0xff6a8a, 0.55f));
    }
    auto mouth = [](float x, float y) {
        return std::max(sd_ellipse(x, y, 85, 78, 11, 10), 78 - y); // lower half of an ellipse
    };
    c.inked(mouth, hex(0x9b1b3a), 1.6f, ink);
    c.paint([=](float x, float y) { return std::max(sd_ellipse(x, y, 85, 86, 6, 3.5f), mouth(x, y)); },
            hex(0xff7a8e));
    c.paint([=](float x, float y) { return std::max(mouth(x, y), y - 80.5f); }, hex(0xffffff));

    // A soft light halo around the whole figure so it reads on a black screen.
    Canvas glow(170, 170);
    const int GR = 5;
    for (int j = 0; j < 170; j++)
        for (int i = 0; i < 170; i++) {
            float m = 0;
            for (int dj = -GR; dj <= GR; dj++)
                for (int di = -GR; di <= GR; di++) {
                    int x = i + di, y = j + dj;
                    if (x < 0 || y < 0 || x >= 170 || y >= 170) continue;
                    float d = std::sqrt(float(di * di + dj * dj));
                    if (d > GR) continue;
                    m = std::max(m, c.at(x, y).a * (1 - d / (GR + 1)));
                }
            glow.at(i, j) = {0.75f, 0.7f, 1.0f, m * 0.42f};
        }
    glow.draw(c, 0, 0);
    return glow;
}

} // namespace

bool make_sprites(const std::string& dir, Catalogue& cat, const std::string& preview) {
    Canvas ball = draw_ball(512);
    if (!ball.write_png(dir + "/ball.png")) return false;
    cat.texture("ball.png", "ball.png", 512, 512);
    cat.image("ball", "ball.png", 0, 0, 512, 512, 0, 0, 512, 512);

    // The figure's texture is a power of two; the blank frame is a transparent corner of it.
    Canvas sheet(256, 256);
    Canvas player = draw_player();
    sheet.draw(player, 0, 0);
    if (!sheet.write_png(dir + "/player.png")) return false;
    cat.texture("player.png", "player.png", 256, 256);
    cat.image("player", "player.png", 0, 0, 170, 170, 0, 0, 170, 170);
    cat.image("blank", "player.png", 208, 208, 32, 32, 0, 0, 32, 32);

    if (!preview.empty()) { // the figure over black, as the game shows it, and 3x larger
        Canvas big(510, 510);
        for (auto& p : big.px) p = {0, 0, 0, 1};
        for (int j = 0; j < 510; j++)
            for (int i = 0; i < 510; i++) big.blend(i, j, player.at(i / 3, j / 3), 1);
        big.write_png(preview + "/player_on_black.png");
    }
    return true;
}

bool make_icons(const std::string& dir, const std::string& name) {
    // Drawn at each size rather than scaled, so the small icon keeps crisp tiles; a margin of a
    // sixteenth on each side, as icon themes expect.
    for (int size : {48, 128, 256}) {
        std::string sub = dir + "/" + std::to_string(size) + "x" + std::to_string(size);
        mkdir(sub.c_str(), 0777);
        mkdir((sub + "/apps").c_str(), 0777);
        int margin = size / 16;
        Canvas icon(size, size);
        icon.draw(draw_ball(size - 2 * margin), margin, margin);
        if (!icon.write_png(sub + "/apps/" + name + ".png")) return false;
    }
    return true;
}

bool make_test_art(const std::string& dir, Catalogue& cat) {
    const Rgba ink = hex(0x1c1030);
    Canvas atlas(256, 256);
    // img1: a golden star, 128 x 128, untrimmed.
    std::vector<float> star;
    for (int k = 0; k < 10; k++) {
        float a = -PI / 2 + k * PI / 5, r = (k % 2) ? 24.f : 58.f;
        star.push_back(64 + r * std::cos(a));
        star.push_back(68 + r * std::sin(a));
    }
    auto star_sd = [&](float x, float y) {
        float d = 1e9f;
        for (int k = 0; k < 10; k += 2) {
            int a = (k + 9) % 10, b = (k + 1) % 10;
            d = std::min(d, sd_poly(x, y, {star[2 * a], star[2 * a + 1], star[2 * k], star[2 * k + 1],
                                            star[2 * b], star[2 * b + 1], 64, 68}));
        }
        return d;
    };
    atlas.inked(star_sd, [](float x, float y) { return mix(hex(0xfff27a), hex(0xffa41c), clamp01((x + y - 60) / 140)); },
                3, ink);
    // img2: a heart, stored trimmed (96 x 88 of pixels inside a 128 x 128 frame at 16, 20).
    auto heart = [](float x, float y) { // in frame coordinates
        float d = std::min(sd_circle(x, y, 46, 50, 26), sd_circle(x, y, 82, 50, 26));
        return std::min(d, sd_poly(x, y, {24.5f, 62, 64, 104, 103.5f, 62, 64, 40}));
    };
    Canvas h2(96, 88);
    h2.inked([&](float x, float y) { return heart(x + 16, y + 20); },
             [](float, float y) { return mix(hex(0xff5a8c), hex(0xd01050), clamp01(y / 88)); }, 3, ink);
    h2.paint([](float x, float y) { return sd_ellipse(x, y, 28, 26, 9, 6); }, hex(0xffffff, 0.6f));
    atlas.draw(h2, 128, 0);
    // img3: a small smiling balloon, 64 x 64.
    Canvas b3(64, 64);
    b3.paint([](float x, float y) { return sd_capsule(x, y, 32, 50, 30, 63, 0.8f); }, hex(0xdddddd));
    b3.inked([](float x, float y) { return sd_ellipse(x, y, 32, 27, 21, 24); },
             [](float x, float y) { return mix(hex(0x7cf0ff), hex(0x1f8fff), clamp01(std::hypot(x - 24, y - 18) / 34)); },
             2.5f, ink);
    b3.paint([](float x, float y) { return std::max(sd_circle(x, y, 32, 28, 9), 28 - y) + 1.2f; }, ink);
    atlas.draw(b3, 0, 128);
    if (!atlas.write_png(dir + "/atlas1.png")) return false;
    cat.texture("atlas1", "atlas1.png", 256, 256);
    cat.image("img1", "atlas1", 0, 0, 128, 128, 0, 0, 128, 128);
    cat.image("img2", "atlas1", 128, 0, 96, 88, 16, 20, 128, 128);
    cat.image("img3", "atlas1", 0, 128, 64, 64, 0, 0, 64, 64);

    // img4: a texture of its own, a checkerboard under a rainbow sweep.
    Canvas t4(128, 128);
    for (int j = 0; j < 128; j++)
        for (int i = 0; i < 128; i++) {
            float hue = (i + j) / 256.f * 6;
            int k = (int)hue;
            float f = hue - k;
            Rgba r;
            switch (k % 6) {
            case 0: r = {1, f, 0, 1}; break;
            case 1: r = {1 - f, 1, 0, 1}; break;
            case 2: r = {0, 1, f, 1}; break;
            case 3: r = {0, 1 - f, 1, 1}; break;
            case 4: r = {f, 0, 1, 1}; break;
            default: r = {1, 0, 1 - f, 1}; break;
            }
            bool dark = ((i / 16) + (j / 16)) % 2;
            t4.at(i, j) = dark ? mix(r, {0, 0, 0, 1}, 0.45f) : r;
        }
    if (!t4.write_png(dir + "/img4.png")) return false;
    cat.texture("img4", "img4.png", 128, 128);
    return true;
}
