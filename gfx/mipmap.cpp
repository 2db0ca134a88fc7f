// SPDX-License-Identifier: Zlib
// mipmap.cpp - the mipmap chain of power-of-two RGBA textures, made in place and uploaded level by
// level; the size and scaling GLU gives other pictures, for platforms without GLU.
#include "gfx/mipmap.h"

#include <GL/gl.h>
#include <cstddef>
#include <vector>

// The internal format of every texture: four components, by its name (WebGL refuses the bare
// count 4 that OpenGL 1.0 took, and the two mean the same everywhere else).
static const GLint kComponents = GL_RGBA;

static bool power_of_two(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

void gfx_mipmap_halve(uint8_t *rgba, int32_t w, int32_t h) {
    uint8_t *d = rgba;
    if (w > 1 && h > 1) {
        // Row pairs 2y, 2y + 1 give row y; the writes trail the reads, so one buffer serves both.
        const size_t row = (size_t)w * 4;
        for (int32_t y = 0; y < h / 2; y++) {
            const uint8_t *r0 = rgba + 2 * (size_t)y * row, *r1 = r0 + row;
            for (int32_t x = 0; x < w / 2; x++, r0 += 8, r1 += 8, d += 4)
                for (int c = 0; c < 4; c++) d[c] = (uint8_t)((r0[c] + r0[c + 4] + r1[c] + r1[c + 4] + 2) >> 2);
        }
    } else {
        // A single row or column: neighbours pair up along it, and they lie side by side in memory.
        const int32_t n = (w > 1 ? w : h) / 2;
        const uint8_t *s = rgba;
        for (int32_t i = 0; i < n; i++, s += 8, d += 4)
            for (int c = 0; c < 4; c++) d[c] = (uint8_t)((s[c] + s[c + 4]) >> 1);
    }
}

bool gfx_mipmap_upload(int32_t w, int32_t h, uint8_t *rgba, const char **why) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (!power_of_two(w) || !power_of_two(h) || w > max_size || h > max_size)
        return gfx_mipmap_fallback(w, h, rgba, why);
    for (GLint level = 0;; level++) {
        glTexImage2D(GL_TEXTURE_2D, level, kComponents, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        if (w == 1 && h == 1) return true;
        gfx_mipmap_halve(rgba, w, h);
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
}

// The nearest power of two as GLU takes it: up from one and a half times the power below.
static int64_t nearest_power(int64_t n) {
    int64_t p = 1;
    while (p * 2 <= n) p *= 2;
    return p > 1 && n >= p + p / 2 ? p * 2 : p;
}

bool gfx_mipmap_fit(int32_t w, int32_t h, int32_t max_size, int32_t *fit_w, int32_t *fit_h) {
    if (w < 1 || h < 1 || max_size < 1) return false;
    int64_t fw = nearest_power(w), fh = nearest_power(h);   // 64 bits: 2^31 is a possible answer
    while (fw > max_size || fh > max_size) {
        fw = fw > 1 ? fw / 2 : 1;
        fh = fh > 1 ? fh / 2 : 1;
    }
    *fit_w = (int32_t)fw;
    *fit_h = (int32_t)fh;
    return true;
}

namespace {
// The source pixels each new pixel along one side averages, with their weights. Positions are
// counted in 1 / (2 m) of a source pixel, where everything is a whole number: new pixel x is
// centred on (2 x + 1) n and its box reaches box = max(n, m) either side of that.
struct ScaleAxis {
    std::vector<int32_t> first;    // new pixel x uses entries first[x] .. first[x + 1] - 1
    std::vector<int32_t> src;      // source pixel (wrapped into 0 .. n - 1)
    std::vector<int64_t> weight;   // the length of the box over it
    int64_t total = 0;             // every new pixel's weights add up to this

    ScaleAxis(int32_t n, int32_t m) {
        const int64_t box = n > m ? n : m, unit = 2 * (int64_t)m;
        total = 2 * box;
        for (int32_t x = 0; x < m; x++) {
            first.push_back((int32_t)src.size());
            const int64_t lo = (2 * (int64_t)x + 1) * n - box, hi = lo + 2 * box;
            for (int64_t s = lo >= 0 ? lo / unit : -1; s * unit < hi; s++) {   // lo > -unit
                const int64_t from = s * unit > lo ? s * unit : lo, to = (s + 1) * unit < hi ? (s + 1) * unit : hi;
                src.push_back((int32_t)((s + n) % n));
                weight.push_back(to - from);
            }
        }
        first.push_back((int32_t)src.size());
    }
};
}  // namespace

void gfx_mipmap_scale(const uint8_t *src, int32_t w, int32_t h, uint8_t *dst, int32_t dw, int32_t dh) {
    const ScaleAxis ax(w, dw), ay(h, dh);
    // At most 4 times the larger picture's pixel count: 255 times that stays far inside 64 bits.
    const uint64_t area = (uint64_t)ax.total * (uint64_t)ay.total;
    for (int32_t y = 0; y < dh; y++)
        for (int32_t x = 0; x < dw; x++, dst += 4) {
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int32_t j = ay.first[y]; j < ay.first[y + 1]; j++)
                for (int32_t i = ax.first[x]; i < ax.first[x + 1]; i++) {
                    const uint8_t *p = src + ((size_t)ay.src[j] * w + ax.src[i]) * 4;
                    const uint64_t wt = (uint64_t)(ay.weight[j] * ax.weight[i]);
                    for (int c = 0; c < 4; c++) sum[c] += p[c] * wt;
                }
            for (int c = 0; c < 4; c++) dst[c] = (uint8_t)((sum[c] + area / 2) / area);
        }
}
