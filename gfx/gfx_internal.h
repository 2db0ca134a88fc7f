// SPDX-License-Identifier: Zlib
// gfx_internal.h - the graphics context's insides: the Gfx record and its tables, its start and
// end (by whoever opens the window), the picture decoder, the one-quad path the fonts share, and
// the pure geometry the drawing calls compute (tested without OpenGL). The framework and its tests
// include it; programs use gfx/gfx.h, and it is not installed.
//
//   gfx_init(catalogue, "./data");               // entries' "fname" values are relative to the folder
//   gfx_set_window(1024, 768);                   // whenever the window's size changes
//   ...                                          // drawing (gfx/gfx.h)
//   gfx_destroy();
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include "gfx/gfx.h"
#include "util/asset_cache.h"
#include "util/zev_var.h"

struct GfxTexture {
    int32_t id;     // its own slot
    uint32_t gl;    // OpenGL texture name, 0 when the file did not load
    GfxRect rect;   // from the catalogue; w, h are the pixel size texture coordinates divide by
};

struct GfxImage {
    int32_t id;     // its own slot
    int32_t tex;    // texture slot of its atlas
    GfxRect rect;   // its pixels inside the texture
    GfxRect shape;  // x, y: where rect sits in the untrimmed frame; w, h: the frame's size
};

struct Gfx {
    float view_w, view_h;   // canvas size
    float view_rot;         // degrees
    float view_scale;       // set by view_fit()
    int32_t win_w, win_h;   // window size in pixels: the video surface's at gfx_init, then gfx_set_window
    AssetCache img_cache;   // root: the catalogue; names: image name -> slot
    GfxImage imgs[GFX_MAX_IMAGES];
    int32_t img_next;
    AssetCache tex_cache;   // root: the catalogue; names: texture name -> slot
    GfxTexture texs[GFX_MAX_TEXTURES];
    int32_t tex_next;
    float origin[2];                 // sum of the live gfx_translate calls
    bool gl;                         // a GL context was current at gfx_init: GL state may be set
    GfxRect clips[GFX_MAX_CLIPS + 1]; // clip rectangles 1..8, in origin-including coordinates
    int32_t clip_depth;
};

extern Gfx *gfx;   // null when there is no context

void gfx_init(const var &catalogue, const char *data_dir);   // shares the catalogue, copies the folder
void gfx_set_window(int32_t w, int32_t h);   // a new window size for gfx_view and gfx_unproject
void gfx_destroy();
uint32_t driver_tex_load(const char *dir, const char *file);  // file relative to dir -> GL name, 0 on failure
// Starts decoding the picture of a catalogue entry (a texture entry, or an image or font entry
// through its "texture") on a worker thread; needs no context and prints nothing. The next
// driver_tex_load of that file takes the decoded picture instead of decoding it (messages and
// slots as ever). Unknown names do nothing.
void gfx_tex_decode_ahead(var &catalogue, const char *data_dir, const char *name);
// Frees the pictures decoded ahead that no load took (waiting for those still decoding); called
// once the first screen has loaded what it needs, and by gfx_destroy.
void gfx_tex_decode_ahead_drop();
GfxRect read_rect(var &v);   // v["x"], v["y"], v["w"], v["h"] as numbers, by element access
// The loaders' reading of a rectangle with a verdict, for checking a catalogue: *out gets what
// read_rect gives, and the result is true when each of the four fields reads as the number it
// holds (var_num_exact), false with the first fault in *why (for example `"w" is a list, expected
// a number`) when v is no object or a field is missing or falls back. Reads no field of a value
// that is no object (*out is 0, 0, 0, 0), so it prints nothing; adds no key to v.
bool read_rect_exact(const var &v, GfxRect *out, std::string *why);

bool gfx_clip(GfxRect &a, GfxRect *t);   // cut a (and t in proportion) to the top clip rectangle

// Add one quad, already clipped, on texture gl: a (screen) and t (texture) corners as gfx_draw_img
// draws them. Drawn at once outside a span.
void gfx_quad(uint32_t gl, const GfxRect &a, const GfxRect &t);

// Pure geometry, no context needed: what the drawing calls above compute.
// Cut a (and t in proportion) to the clip rectangle c: left, right, top, bottom edge in turn.
bool gfx_clip_rect(const GfxRect &c, GfxRect &a, GfxRect *t);
// Screen quad of an image's pixels when its frame is stretched to (x, y, w, h); w, h must be
// resolved (not 0). Gives w = h = 0 for an image without a frame.
GfxRect gfx_img_quad(const GfxImage &img, float x, float y, float w, float h);
// Texture rectangle (0..1) of the fraction (fx, fy, fw, fh) of an image on a texture of size tex.w x tex.h.
GfxRect gfx_img_tex_rect(const GfxImage &img, const GfxRect &tex, float fx, float fy, float fw, float fh);
// The nine parts of gfx_draw_box, row by row from the top: fraction origin and quad. Corners are
// min(w / 2, border) wide and min(h / 2, border) high, negative ones included.
struct GfxBoxPart { float fx, fy; GfxRect quad; };
void gfx_box_parts(int32_t x, int32_t y, int32_t w, int32_t h, int32_t border, GfxBoxPart parts[9]);
// The scale that fits a view_w x view_h canvas (whole units, truncated) turned by rot degrees
// (truncated) into a win_w x win_h window, aspect kept: the smaller of the two axes' quotients
// (letterboxed, not stretched). 0 when a size is not positive: the caller keeps the scale it had.
float gfx_fit_scale(int32_t win_w, int32_t win_h, float view_w, float view_h, float rot);
// gfx_unproject for an explicit window size (win_w, win_h) and view.
GfxPoint gfx_unproject_view(float win_w, float win_h, float view_w, float view_h, float rot,
                            float scale, float px, float py, float dx, float dy);
// Premultiply 8-bit RGBA pixels in place: c = c * a / 255, truncated.
void gfx_premultiply(uint8_t *rgba, size_t pixels);
// A measured size or position as an integer, truncated toward zero. NaN gives 0 and magnitudes
// beyond GFX_COORD_MAX saturate there, so sizes from an untrusted font or positions from an event
// never overflow the integer arithmetic of a layout.
enum { GFX_COORD_MAX = 1 << 24 };
int32_t gfx_trunc(float v);
