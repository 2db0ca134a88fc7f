// SPDX-License-Identifier: Zlib
// mipmap_glu.cpp - the mipmap chain of the sizes gfx/mipmap.cpp leaves out, by GLU (desktop builds).
#include "gfx/mipmap.h"

#include <GL/gl.h>
#include <GL/glu.h>

bool gfx_mipmap_fallback(int32_t w, int32_t h, const uint8_t *rgba, const char **why) {
    int err = gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (err && why) *why = (const char *)gluErrorString(err);
    return err == 0;
}
