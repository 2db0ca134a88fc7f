// SPDX-License-Identifier: Zlib
// draw.cpp - view, transforms and quad drawing with software clipping.
//
// Every quad is cut on the CPU against the top clip rectangle (texture rectangle in proportion)
// and added to the batch: two triangles, top-left, top-right, bottom-left and bottom-left,
// top-right, bottom-right (the two triangles of a 4-vertex strip, vertex for vertex, so the
// pixels are those of a strip). The batch goes out as one glDrawArrays per texture run.
#include "gfx/gfx_internal.h"

#include <cmath>
#include <utility>
#include <GL/gl.h>
#include <GL/glu.h>

// ---- pure geometry --------------------------------------------------------------------------

bool gfx_clip_rect(const GfxRect &c, GfxRect &a, GfxRect *t) {
    if (!(a.w > 0) || !(a.h > 0)) return false;
    if (a.x < c.x) {   // left
        float d = c.x - a.x;
        if (t) { float k = t->w * d / a.w; t->x += k; t->w -= k; }
        a.x += d;
        a.w -= d;
    }
    if (!(a.w > 0)) return false;
    if (c.x + c.w < a.x + a.w) {   // right
        float e = (a.x + a.w) - (c.x + c.w);
        if (t) t->w -= t->w * e / a.w;
        a.w -= e;
    }
    if (!(a.w > 0)) return false;
    if (a.y < c.y) {   // top
        float d = c.y - a.y;
        if (t) { float k = t->h * d / a.h; t->y += k; t->h -= k; }
        a.y += d;
        a.h -= d;
    }
    if (!(a.h > 0)) return false;
    if (c.y + c.h < a.y + a.h) {   // bottom
        float e = (a.y + a.h) - (c.y + c.h);
        if (t) t->h -= t->h * e / a.h;
        a.h -= e;
    }
    return a.h > 0;
}

GfxRect gfx_img_quad(const GfxImage &img, float x, float y, float w, float h) {
    const GfxRect &r = img.rect, &s = img.shape;
    if (s.w == 0 || s.h == 0) return GfxRect{x, y, 0, 0};
    return GfxRect{x + s.x * w / s.w, y + s.y * h / s.h, w * r.w / s.w, h * r.h / s.h};
}

GfxRect gfx_img_tex_rect(const GfxImage &img, const GfxRect &tex, float fx, float fy, float fw, float fh) {
    const GfxRect &r = img.rect;
    if (tex.w == 0 || tex.h == 0) return GfxRect{0, 0, 0, 0};
    return GfxRect{(r.x + r.w * fx) / tex.w, (r.y + r.h * fy) / tex.h, r.w * fw / tex.w, r.h * fh / tex.h};
}

void gfx_box_parts(int32_t x, int32_t y, int32_t w, int32_t h, int32_t border, GfxBoxPart parts[9]) {
    // Not clamped: a negative border gives corners of negative size, drawn mirrored outside the
    // box, and edges and centre wider than it. The sums are made in 64 bits, where no int32
    // arguments can overflow them.
    const int64_t cw = w / 2 < border ? w / 2 : border;
    const int64_t ch = h / 2 < border ? h / 2 : border;
    const float third = 1.0f / 3.0f;
    const float fs[3] = {0.0f, third, 2.0f * third};
    const int64_t xs[3] = {x, x + cw, (int64_t)x + w - cw}, ws[3] = {cw, w - 2 * cw, cw};
    const int64_t ys[3] = {y, y + ch, (int64_t)y + h - ch}, hs[3] = {ch, h - 2 * ch, ch};
    for (int row = 0; row < 3; row++)
        for (int col = 0; col < 3; col++) {
            GfxBoxPart &p = parts[row * 3 + col];
            p.fx = fs[col];
            p.fy = fs[row];
            p.quad = GfxRect{(float)xs[col], (float)ys[row], (float)ws[col], (float)hs[row]};
        }
}

float gfx_fit_scale(int32_t win_w, int32_t win_h, float view_w, float view_h, float rot) {
    int32_t vw = (int32_t)view_w, vh = (int32_t)view_h, r = (int32_t)rot;
    if (win_w <= 0 || win_h <= 0 || vw <= 0 || vh <= 0) return 0;
    if (r % 180 != 0) std::swap(win_w, win_h);   // a quarter turn lays the canvas across the window
    float sx = (float)win_w / vw, sy = (float)win_h / vh;
    return sx < sy ? sx : sy;
}

GfxPoint gfx_unproject_view(float win_w, float win_h, float view_w, float view_h, float rot,
                            float scale, float px, float py, float dx, float dy) {
    if (scale == 0) scale = 1;   // no fitted view yet: treat as 1:1 rather than divide by zero
    float a = rot * (float)M_PI / 180.0f;
    float c = cosf(-a), s = sinf(-a);
    auto T = [&](float wx, float wy, float &x, float &y) {
        float ux = (wx - win_w * 0.5f) / scale, uy = (wy - win_h * 0.5f) / scale;
        x = c * ux - s * uy + view_w * 0.5f;
        y = s * ux + c * uy + view_h * 0.5f;
    };
    GfxPoint p;
    float x2, y2;
    T(px, py, p.x, p.y);
    T(px + dx, py + dy, x2, y2);
    p.dx = x2 - p.x;
    p.dy = y2 - p.y;
    return p;
}

int32_t gfx_trunc(float v) {
    if (!(v == v)) return 0;   // NaN
    if (v >= (float)GFX_COORD_MAX) return GFX_COORD_MAX;
    if (v <= -(float)GFX_COORD_MAX) return -GFX_COORD_MAX;
    return (int32_t)v;
}

// ---- the batch ------------------------------------------------------------------------------

enum { BATCH_QUADS = 1024 };
static float s_batch_pos[BATCH_QUADS * 12];   // 6 vertices of 2 floats per quad
static float s_batch_uv[BATCH_QUADS * 12];
static int s_batch_quads = 0;
static uint32_t s_batch_gl = 0;   // the texture of the waiting quads
static int s_batch_depth = 0;     // open spans

// Quads on GL name 0 (a texture whose file did not load) are drawn with texturing off, as
// gfx_fill_rect draws, so they show the current colour on every platform: desktop OpenGL leaves
// the incomplete default texture out by itself, but WebGL samples it as black.
void gfx_flush() {
    if (s_batch_quads == 0) return;
    const bool untextured = s_batch_gl == 0;
    if (untextured) {
        glDisable(GL_TEXTURE_2D);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glBindTexture(GL_TEXTURE_2D, s_batch_gl);
    glVertexPointer(2, GL_FLOAT, 0, s_batch_pos);
    glTexCoordPointer(2, GL_FLOAT, 0, s_batch_uv);
    glDrawArrays(GL_TRIANGLES, 0, 6 * s_batch_quads);
    if (untextured) {
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    s_batch_quads = 0;
}

void gfx_batch_begin() { s_batch_depth++; }

void gfx_batch_end() {
    if (s_batch_depth > 0) s_batch_depth--;
    if (s_batch_depth == 0) gfx_flush();
}

void gfx_quad(uint32_t gl, const GfxRect &a, const GfxRect &t) {
    if (s_batch_quads == BATCH_QUADS || (s_batch_quads > 0 && gl != s_batch_gl)) gfx_flush();
    s_batch_gl = gl;
    const float x0 = a.x, y0 = a.y, x1 = a.x + a.w, y1 = a.y + a.h;
    const float s0 = t.x, t0 = t.y, s1 = t.x + t.w, t1 = t.y + t.h;
    float *v = s_batch_pos + s_batch_quads * 12, *u = s_batch_uv + s_batch_quads * 12;
    v[0] = x0, v[1] = y0, v[2] = x1, v[3] = y0, v[4] = x0, v[5] = y1;
    v[6] = x0, v[7] = y1, v[8] = x1, v[9] = y0, v[10] = x1, v[11] = y1;
    u[0] = s0, u[1] = t0, u[2] = s1, u[3] = t0, u[4] = s0, u[5] = t1;
    u[6] = s0, u[7] = t1, u[8] = s1, u[9] = t0, u[10] = s1, u[11] = t1;
    s_batch_quads++;
    if (s_batch_depth == 0) gfx_flush();
}

// A new or destroyed context: waiting quads name textures of the old one and are dropped.
void gfx_batch_reset() {
    s_batch_quads = 0;
    s_batch_depth = 0;
}

// ---- context calls --------------------------------------------------------------------------

void gfx_view() {
    if (!gfx) return;
    gfx_flush();
    float W = (float)gfx->win_w, H = (float)gfx->win_h;
    float VW = (float)(int32_t)gfx->view_w, VH = (float)(int32_t)gfx->view_h;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, W, H, 0);
    glTranslatef(W * 0.5f, H * 0.5f, 0);
    glScalef(gfx->view_scale, gfx->view_scale, 1);
    glRotatef(gfx->view_rot, 0, 0, 1);
    glTranslatef(-VW * 0.5f, -VH * 0.5f, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

GfxPoint gfx_unproject(float px, float py, float dx, float dy) {
    if (!gfx) return GfxPoint{px, py, dx, dy};
    return gfx_unproject_view((float)gfx->win_w, (float)gfx->win_h,
                              (float)(int32_t)gfx->view_w, (float)(int32_t)gfx->view_h,
                              gfx->view_rot, gfx->view_scale, px, py, dx, dy);
}

bool gfx_clip(GfxRect &a, GfxRect *t) {
    if (!gfx || gfx->clip_depth == 0) return true;
    if (gfx->clip_depth > GFX_MAX_CLIPS) return false;
    GfxRect c = gfx->clips[gfx->clip_depth];
    c.x -= gfx->origin[0];
    c.y -= gfx->origin[1];
    return gfx_clip_rect(c, a, t);
}

void gfx_clip_push(int32_t w, int32_t h) {
    if (!gfx) return;
    int32_t d = ++gfx->clip_depth;
    if (d > GFX_MAX_CLIPS) return;   // too deep: everything stays clipped away until popped
    GfxRect r = {gfx->origin[0], gfx->origin[1], (float)w, (float)h};
    if (d >= 2) gfx_clip_rect(gfx->clips[d - 1], r, nullptr);   // an empty cut stays empty
    gfx->clips[d] = r;
}

void gfx_clip_pop() {
    if (gfx && gfx->clip_depth > 0) gfx->clip_depth--;
}

void gfx_translate(int32_t x, int32_t y) {
    if (!gfx) return;
    gfx_flush();
    gfx->origin[0] += (float)x;
    gfx->origin[1] += (float)y;
    if (gfx->gl) glTranslatef((float)x, (float)y, 0);   // (WebGL's emulation has no context-free no-op)
}

void gfx_color(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    if (!gfx) return;
    gfx_flush();
    glColor4ub((GLubyte)(r * a / 255), (GLubyte)(g * a / 255), (GLubyte)(b * a / 255), a);
}

// Clip one textured quad and add it to the batch.
static void draw_quad(uint32_t gl, GfxRect a, GfxRect t) {
    if (gfx_clip(a, &t)) gfx_quad(gl, a, t);
}

// True when quads on texture slot `tex` can be drawn: the slot was filled, and either its file
// failed to load (GL name 0: untextured quads in the current colour, so a missing picture shows)
// or it has the size its texture coordinates are divided by.
static bool drawable_tex(int32_t tex) {
    if (!gfx || tex <= 0 || tex >= GFX_MAX_TEXTURES || tex >= gfx->tex_next) return false;
    const GfxTexture &t = gfx->texs[tex];
    return t.gl == 0 || (t.rect.w != 0 && t.rect.h != 0);
}

// The image in slot `img` and its texture, or null when there is nothing to draw: no context,
// slot out of range or never filled, no texture entry (texture slot 0), a loaded texture without
// a size, no frame.
static const GfxImage *drawable_img(int32_t img, const GfxTexture **tex) {
    if (!gfx || img <= 0 || img >= GFX_MAX_IMAGES || img >= gfx->img_next) return nullptr;
    const GfxImage &im = gfx->imgs[img];
    if (!drawable_tex(im.tex)) return nullptr;
    const GfxTexture &t = gfx->texs[im.tex];
    if (im.shape.w == 0 || im.shape.h == 0) return nullptr;
    *tex = &t;
    return &im;
}

void gfx_draw_img(int32_t img, float x, float y, float w, float h) {
    const GfxTexture *tex = nullptr;
    const GfxImage *im = drawable_img(img, &tex);
    if (!im) return;
    if (w == 0) w = im->shape.w;
    if (h == 0) h = im->shape.h;
    draw_quad(tex->gl, gfx_img_quad(*im, x, y, w, h), gfx_img_tex_rect(*im, tex->rect, 0, 0, 1, 1));
}

GfxRect gfx_img_size(int32_t img) {
    if (!gfx || img <= 0 || img >= GFX_MAX_IMAGES || img >= gfx->img_next) return GfxRect{0, 0, 0, 0};
    const GfxRect &frame = gfx->imgs[img].shape;
    return GfxRect{0, 0, frame.w, frame.h};
}

void gfx_draw_img_part(int32_t img, float fx, float fy, float fw, float fh, float x, float y, float w, float h) {
    if (w == 0 || h == 0) return;
    const GfxTexture *tex = nullptr;
    const GfxImage *im = drawable_img(img, &tex);
    if (!im) return;
    draw_quad(tex->gl, gfx_img_quad(*im, x, y, w, h), gfx_img_tex_rect(*im, tex->rect, fx, fy, fw, fh));
}

void gfx_draw_box(int32_t img, int32_t x, int32_t y, int32_t w, int32_t h, int32_t border) {
    const GfxTexture *tex = nullptr;
    if (!drawable_img(img, &tex)) return;
    GfxBoxPart parts[9];
    gfx_box_parts(x, y, w, h, border, parts);
    const float third = 1.0f / 3.0f;
    gfx_batch_begin();
    for (const GfxBoxPart &p : parts)
        gfx_draw_img_part(img, p.fx, p.fy, third, third, p.quad.x, p.quad.y, p.quad.w, p.quad.h);
    gfx_batch_end();
}

void gfx_fill_rect(int32_t rgb, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!gfx) return;
    GfxRect a = {(float)x, (float)y, (float)w, (float)h};
    if (!gfx_clip(a, nullptr)) return;
    gfx_flush();
    glColor4ub((GLubyte)((rgb >> 16) & 255), (GLubyte)((rgb >> 8) & 255), (GLubyte)(rgb & 255), 255);
    const float v[8] = {a.x, a.y, a.x + a.w, a.y, a.x, a.y + a.h, a.x + a.w, a.y + a.h};
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, v);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4ub(255, 255, 255, 255);
}

uint32_t gfx_tex_gl(int32_t tex) {
    if (!gfx || tex <= 0 || tex >= GFX_MAX_TEXTURES || tex >= gfx->tex_next) return 0;
    return gfx->texs[tex].gl;
}

void gfx_draw_tex(uint32_t gl, int32_t y) {
    if (!gfx) return;   // name 0 (a texture that did not load) is a square in the current colour (gfx_flush)
    draw_quad(gl, GfxRect{800, (float)y, 100, 100}, GfxRect{0, 0, 1, 1});
}
