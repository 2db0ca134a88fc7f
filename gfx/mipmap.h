// SPDX-License-Identifier: Zlib
// mipmap.h - the mipmap chain of a texture, built by the graphics layer itself (gfx/ only).
//
//   glBindTexture(GL_TEXTURE_2D, name);
//   const char *why = nullptr;
//   if (!gfx_mipmap_upload(w, h, rgba, &why)) ...   // rgba: w x h pixels, overwritten by the chain
//
// A power-of-two RGBA image no larger than GL_MAX_TEXTURE_SIZE is halved level by level with a box
// filter and every level uploaded with glTexImage2D (internal format 4): byte for byte the chain
// gluBuild2DMipmaps makes of it. Each halving averages 2 x 2 blocks as (a + b + c + d + 2) / 4;
// once one side is 1, pairs along the other side as (a + b) / 2, truncated. Those are GLU's
// roundings, found by comparing its levels with candidates. The levels are made in place in the
// caller's buffer: no second copy of the picture exists at any time.
//
// Any other image goes to gfx_mipmap_fallback, the one piece each platform provides for itself
// (mipmap_glu.cpp: GLU; mipmap_web.cpp: gfx_mipmap_fit and gfx_mipmap_scale below, then the chain
// above), which scales it to the powers of two GLU chooses. A side below 1 is refused with a reason
// and nothing is uploaded. The uploads need a current OpenGL context; fit and scale need none.
#pragma once
#include <cstdint>

// The size gluBuild2DMipmaps gives a w x h picture on a driver taking sides up to max_size: each
// side becomes its nearest power of two, rounding up from one and a half times a power (3 -> 4,
// 5 -> 4, 6 -> 8, 11 -> 8, 12 -> 16), then while either side is above max_size both are halved
// together, neither below 1 (32768 x 64 -> 16384 x 32 for a maximum of 16384). False, leaving
// *fit_w and *fit_h alone, when w, h or max_size is below 1.
[[nodiscard]] bool gfx_mipmap_fit(int32_t w, int32_t h, int32_t max_size, int32_t *fit_w, int32_t *fit_h);

// Scales a w x h RGBA picture to dw x dh (every size >= 1; src and dst apart) as gluScaleImage
// does: each new pixel is the area-weighted average of a box of source pixels centred where the
// new pixel's centre falls, as wide as the new pixel when shrinking and one source pixel wide when
// enlarging; that box wraps round the edges (enlarged, the far edge shows through by up to half a
// pixel, as with gluScaleImage). Rounded to nearest: within 1 of its bytes, which round with floats.
void gfx_mipmap_scale(const uint8_t *src, int32_t w, int32_t h, uint8_t *dst, int32_t dw, int32_t dh);

// Halves a w x h RGBA picture in place as described above: its first max(w / 2, 1) x
// max(h / 2, 1) pixels become the next level. w, h are powers of two, not both 1.
void gfx_mipmap_halve(uint8_t *rgba, int32_t w, int32_t h);

// Uploads the full chain into the texture bound to GL_TEXTURE_2D. False, with a reason in *why,
// when it could not (only the fallback fails).
[[nodiscard]] bool gfx_mipmap_upload(int32_t w, int32_t h, uint8_t *rgba, const char **why);

// The platform's chain for what gfx_mipmap_upload does not handle itself: sizes no power of two or
// above GL_MAX_TEXTURE_SIZE, scaled to gfx_mipmap_fit's size; false with a reason for a side below 1.
[[nodiscard]] bool gfx_mipmap_fallback(int32_t w, int32_t h, const uint8_t *rgba, const char **why);
