// SPDX-License-Identifier: Zlib
// gfx.h - the graphics context: view, textures and atlas images, quad drawing with software clipping.
//
// The context is rebuilt by every video reset, which voids every slot number handed out before:
// look textures and images up again by name after a reset. Whoever opens the window creates the
// context with the parsed catalogue and the data folder; the context takes the window's pixel
// size from the open SDL video surface, and is told when it changes:
//
//   gfx_init(catalogue, "./data");               // entries' "fname" values are relative to the folder
//   gfx_set_window(1024, 768);                   // whenever the window's size changes
//   int ball = gfx_img_load("ball");            // 0 when missing: drawing slot 0 draws nothing
//   gfx_view();                                  // once per frame, before drawing
//   gfx_draw_img(ball, 100, 100, 0, 0);          // 0 size: the image's own frame size
//   gfx_clip_push(200, 100); ... gfx_clip_pop(); // everything drawn between is cut in software
//
// All colours are premultiplied by alpha (blend ONE, ONE_MINUS_SRC_ALPHA).
//
// Every drawing call is a harmless no-op without a context (gfx null) and for slot numbers out of
// range or missing (slot 0, an image whose texture entry is missing). Images on a texture whose
// file failed to load draw with GL name 0: untextured quads in the current colour, so a missing
// picture shows as a rectangle. Tables hold 2047 images and 255 textures per context; a request
// beyond that prints a message and gives slot 0.
// The pure geometry at the end (clip, image quads, box parts, unproject) needs no OpenGL.
#pragma once
#include <cstddef>
#include <cstdint>
#include "util/asset_cache.h"
#include "util/zev_var.h"

struct GfxRect { float x, y, w, h; };

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

enum { GFX_MAX_TEXTURES = 256, GFX_MAX_IMAGES = 2048, GFX_MAX_CLIPS = 8 };

struct Gfx {
    float view_w, view_h;   // canvas size
    float view_rot;         // degrees
    float view_scale;       // set by view_fit()
    int32_t win_w, win_h;   // window size in pixels: the video surface's at gfx_init, then gfx_set_window
    float input_rect[4];    // written by the text field; read by nobody here
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
int32_t gfx_tex_load(const char *name);   // texture slot, 0 for none
int32_t gfx_img_load(const char *name);   // image slot, 0 for none
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

// Drawing. Rectangles are x, y, w, h in the current (translated) canvas units.
struct GfxPoint { float x, y, dx, dy; };
void gfx_view();
GfxPoint gfx_unproject(float px, float py, float dx, float dy);  // window pixels -> canvas units
void gfx_draw_img(int32_t img, float x, float y, float w, float h);
void gfx_draw_img_part(int32_t img, float fx, float fy, float fw, float fh, float x, float y, float w, float h);
void gfx_draw_box(int32_t img, int32_t x, int32_t y, int32_t w, int32_t h, int32_t border);
void gfx_fill_rect(int32_t rgb, int32_t x, int32_t y, int32_t w, int32_t h);
void gfx_color(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
void gfx_draw_tex(uint32_t gl, int32_t y);   // the whole texture at (800, y), 100 x 100
void gfx_translate(int32_t x, int32_t y);
void gfx_clip_push(int32_t w, int32_t h);
void gfx_clip_pop();
bool gfx_clip(GfxRect &a, GfxRect *t);   // cut a (and t in proportion) to the top clip rectangle

// Batching. Textured quads are collected and drawn with one call per run of quads on the same
// texture. Outside a batch span every drawing call has drawn its quads when it returns; between
// gfx_batch_begin() and the matching gfx_batch_end() (spans nest) quads may wait. Whatever changes
// what a waiting quad would look like draws the waiting quads first: another texture, gfx_color,
// gfx_fill_rect, gfx_translate, gfx_view, the end of the outermost span. Clipping needs nothing:
// quads are cut before they wait. Code that uses OpenGL itself inside a span (matrices, colour,
// clearing, reading pixels) calls gfx_flush() first.
void gfx_batch_begin();
void gfx_batch_end();
void gfx_flush();
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
