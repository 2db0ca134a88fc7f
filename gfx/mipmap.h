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
// (mipmap_glu.cpp: GLU, which scales such sizes to powers of two). Needs a current OpenGL context.
#pragma once
#include <cstdint>

// Halves a w x h RGBA picture in place as described above: its first max(w / 2, 1) x
// max(h / 2, 1) pixels become the next level. w, h are powers of two, not both 1.
void gfx_mipmap_halve(uint8_t *rgba, int32_t w, int32_t h);

// Uploads the full chain into the texture bound to GL_TEXTURE_2D. False, with a reason in *why,
// when it could not (only the fallback fails).
[[nodiscard]] bool gfx_mipmap_upload(int32_t w, int32_t h, uint8_t *rgba, const char **why);

// The platform's chain for what gfx_mipmap_upload does not handle itself (any size >= 1).
[[nodiscard]] bool gfx_mipmap_fallback(int32_t w, int32_t h, const uint8_t *rgba, const char **why);
