// mipmap_web.cpp - the mipmap chain of the sizes gfx/mipmap.cpp leaves out, in a browser, where
// emscripten has no gluBuild2DMipmaps: the picture is scaled down to the largest power-of-two
// size that fits (each new pixel the average of the source area it covers, as gluScaleImage does
// when shrinking) and that chain is uploaded. Pixels may differ from GLU's by its rounding.
#include "gfx/mipmap.h"

#include <GL/gl.h>
#include <cstddef>
#include <vector>

static int32_t power_below(int32_t n, int32_t max) {
    int32_t p = 1;
    while (p * 2 <= n && p * 2 <= max) p *= 2;
    return p;
}

bool gfx_mipmap_fallback(int32_t w, int32_t h, const uint8_t *rgba, const char **why) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (w < 1 || h < 1 || max_size < 1) {
        if (why) *why = "no texture of that size";
        return false;
    }
    const int32_t pw = power_below(w, max_size), ph = power_below(h, max_size);
    std::vector<uint8_t> scaled((size_t)pw * ph * 4);
    for (int32_t y = 0; y < ph; y++) {
        const int32_t y0 = (int32_t)((int64_t)y * h / ph), y1 = (int32_t)((int64_t)(y + 1) * h / ph);
        for (int32_t x = 0; x < pw; x++) {
            const int32_t x0 = (int32_t)((int64_t)x * w / pw), x1 = (int32_t)((int64_t)(x + 1) * w / pw);
            uint32_t sum[4] = {0, 0, 0, 0};
            for (int32_t sy = y0; sy < y1; sy++)
                for (int32_t sx = x0; sx < x1; sx++)
                    for (int c = 0; c < 4; c++) sum[c] += rgba[((size_t)sy * w + sx) * 4 + c];
            const uint32_t n = (uint32_t)(y1 - y0) * (uint32_t)(x1 - x0);   // >= 1: the sizes only shrink
            for (int c = 0; c < 4; c++) scaled[((size_t)y * pw + x) * 4 + c] = (uint8_t)((sum[c] + n / 2) / n);
        }
    }
    return gfx_mipmap_upload(pw, ph, scaled.data(), why);
}
