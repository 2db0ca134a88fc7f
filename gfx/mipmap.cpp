// mipmap.cpp - the mipmap chain of power-of-two RGBA textures, made in place and uploaded level by level.
#include "gfx/mipmap.h"

#include <GL/gl.h>
#include <cstddef>

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
