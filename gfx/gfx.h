// SPDX-License-Identifier: Zlib
// gfx.h - drawing on the canvas: textures and atlas images by catalogue name, quads, rectangles,
// the colour, translation and clipping.
//
//   int ball = gfx_img_load("ball");            // in State::enter(); 0 when missing: draws nothing
//   gfx_view();                                  // in State::paint(), before drawing
//   gfx_draw_img(ball, 100, 100, 0, 0);          // 0 size: the image's own frame size
//   gfx_clip_push(200, 100); ... gfx_clip_pop(); // everything drawn between is cut in software
//
// Positions and sizes are canvas units, x right, y down: the canvas is 1024 x 768 after every
// video reset (gfx_set_view changes it), scaled into the window with its aspect kept. The context
// behind these calls is rebuilt by every video reset, which voids every slot number handed out
// before: look textures and images up again by name in State::enter(), which runs after a reset.
//
// The drawing calls take rectangles as x, y, w, h in canvas units, moved by the live gfx_translate
// calls; images and glyphs are tinted by the current colour (gfx_color). Blending is premultiplied
// (ONE, ONE_MINUS_SRC_ALPHA).
//
// Every drawing call is a harmless no-op without a context (no window) and for slot numbers out
// of range or missing (slot 0, an image whose texture entry is missing). Images on a texture whose
// file failed to load draw untextured quads in the current colour, so a missing picture shows as
// a rectangle. Tables hold GFX_MAX_IMAGES - 1 images and GFX_MAX_TEXTURES - 1 textures per
// context; a request beyond that prints a message and gives slot 0.
#pragma once
#include <cstdint>

// A rectangle in canvas units (or pixels, where a field says so).
struct GfxRect {
    float x;   // left edge
    float y;   // top edge
    float w;   // width
    float h;   // height
};

// Table sizes of a context (slot 0 is never handed out) and the depth of the clip stack.
enum { GFX_MAX_TEXTURES = 256, GFX_MAX_IMAGES = 2048, GFX_MAX_CLIPS = 8 };

// Texture slot of the catalogue entry `name` (a "texture" entry: one picture file), loading it on
// first use; 0 when the name is missing or the table is full. Cached: later calls are lookups.
int32_t gfx_tex_load(const char *name);
// Image slot of the catalogue entry `name` (an "image" entry: a rectangle of a texture, loaded
// with it); 0 when missing or the table is full. Cached like gfx_tex_load.
int32_t gfx_img_load(const char *name);

// The size of image `img`'s frame, {0, 0, w, h} in canvas units: what gfx_draw_img draws for a
// 0 width and height. All 0 for slot 0, a slot not handed out, an image whose texture entry is
// missing, or without a context.
GfxRect gfx_img_size(int32_t img);

// Sets the canvas size (default 1024 x 768 after each video reset) and fits it into the window,
// aspect kept; gfx_view applies it. False, and nothing changes, without a context: then nothing
// can be drawn this frame.
bool gfx_set_view(float w, float h);
// Sets the projection for the canvas (fitted into the window, aspect kept, centred) and resets
// the translation's matrix; call once per frame before drawing.
void gfx_view();

// A point and a motion: what gfx_unproject gives for a mouse position and its change.
struct GfxPoint {
    float x;    // the position in canvas units, x
    float y;    // the position in canvas units, y
    float dx;   // the motion in canvas units, x
    float dy;   // the motion in canvas units, y
};
// Window pixels (px, py) and a motion (dx, dy) in pixels -> canvas units. Input events arrive
// converted already (Event::pos); this serves a program reading SDL itself. Without a context the
// values come back unchanged.
GfxPoint gfx_unproject(float px, float py, float dx, float dy);

// Image `img` with its untrimmed frame stretched to x, y, w, h; w or h 0 takes the frame's own.
void gfx_draw_img(int32_t img, float x, float y, float w, float h);
// The fraction fx, fy, fw, fh (0..1 of the frame) of image `img`, stretched to x, y, w, h (0 size
// draws nothing).
void gfx_draw_img_part(int32_t img, float fx, float fy, float fw, float fh, float x, float y, float w, float h);
// Image `img` as a nine-slice box over x, y, w, h: corners are a third of the image each, drawn
// `border` units wide (at most half the box), edges and centre stretched between them.
void gfx_draw_box(int32_t img, int32_t x, int32_t y, int32_t w, int32_t h, int32_t border);
// An opaque rectangle in colour rgb (0xRRGGBB). Leaves the current colour opaque white.
void gfx_fill_rect(int32_t rgb, int32_t x, int32_t y, int32_t w, int32_t h);
// The current colour: r, g, b (0..255, not premultiplied) at opacity a (0..255); premultiplied
// here. Tints every image and glyph drawn after it, until the next gfx_color or gfx_fill_rect.
// Widgets set their own colours when painting, so set it again after painting a Container.
void gfx_color(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
// Moves the origin of everything drawn after it by x, y canvas units; calls add up until the
// next gfx_view. Undo one with gfx_translate(-x, -y).
void gfx_translate(int32_t x, int32_t y);
// Cuts everything drawn until the matching gfx_clip_pop to the rectangle 0, 0, w, h at the current
// origin (and inside the clip below it). Nests GFX_MAX_CLIPS deep; deeper, nothing is drawn until
// popped back.
void gfx_clip_push(int32_t w, int32_t h);
void gfx_clip_pop();   // ends the latest gfx_clip_push; none open: nothing

// The OpenGL name of texture slot `tex` (from gfx_tex_load), for a program's own GL calls and for
// gfx_draw_tex; 0 for slot 0, a slot not handed out, or without a context. A video reset voids it.
uint32_t gfx_tex_gl(int32_t tex);
// A preview of a whole texture: OpenGL texture name `gl` stretched over the square 800, y, 100 x 100
// in canvas units, translated and clipped like gfx_draw_img. Name 0 draws the square in the
// current colour.
void gfx_draw_tex(uint32_t gl, int32_t y);

// Batching. Textured quads are collected and drawn with one call per run of quads on the same
// texture. Outside a batch span every drawing call has drawn its quads when it returns; between
// gfx_batch_begin() and the matching gfx_batch_end() (spans nest) quads may wait. Whatever changes
// what a waiting quad would look like draws the waiting quads first: another texture, gfx_color,
// gfx_fill_rect, gfx_translate, gfx_view, the end of the outermost span. Clipping needs nothing:
// quads are cut before they wait. Code that uses OpenGL itself inside a span (matrices, colour,
// clearing, reading pixels) calls gfx_flush() first.
void gfx_batch_begin();   // opens a span (spans nest)
void gfx_batch_end();     // closes a span; the outermost draws what waits
void gfx_flush();         // draws the quads that wait, now
