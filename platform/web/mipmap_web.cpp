// SPDX-License-Identifier: Zlib
// mipmap_web.cpp - the mipmap chain of the sizes gfx/mipmap.cpp leaves out, in a browser, where
// emscripten has no gluBuild2DMipmaps: the picture is scaled to the size GLU chooses (gfx_mipmap_fit:
// nearest powers of two, halved while above the maximum) as gluScaleImage scales (gfx_mipmap_scale,
// area-weighted, up or down), and that chain is uploaded. The levels have the desktop's sizes. The
// scaled pixels are within 1 of gluScaleImage's (it rounds with floats, this rounds exact sums);
// where a side is enlarged, the desktop's gluBuild2DMipmaps interpolates linearly instead, so
// enlarged pictures look slightly softer here.
#include "gfx/mipmap.h"

#include <GL/gl.h>
#include <cstddef>
#include <vector>

bool gfx_mipmap_fallback(int32_t w, int32_t h, const uint8_t *rgba, const char **why) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    int32_t fw = 0, fh = 0;
    if (!gfx_mipmap_fit(w, h, max_size, &fw, &fh)) {
        if (why) *why = "no texture of that size";
        return false;
    }
    std::vector<uint8_t> scaled((size_t)fw * fh * 4);
    gfx_mipmap_scale(rgba, w, h, scaled.data(), fw, fh);
    return gfx_mipmap_upload(fw, fh, scaled.data(), why);
}
