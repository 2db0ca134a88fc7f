// SPDX-License-Identifier: Zlib
// bench_gfx - cost of the text operations and of clipped quad drawing.
//
//   build-*/bench/bench_gfx          (with DISPLAY set it also draws into a 256 x 256 window)
//
// Prints nanoseconds per call and the number of operator new calls made by the timed loops
// (which should be 0: drawing and text use static or stack storage only).
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include "app/driver_internal.h"
#include "app/files.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"

static long s_news = 0;
void *operator new(size_t n) {
    s_news++;
    void *p = malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void operator delete(void *p) noexcept { free(p); }
void operator delete(void *p, size_t) noexcept { free(p); }

template <class F>
static void timed(const char *what, long n, F &&f) {
    long news = s_news;
    auto t0 = std::chrono::steady_clock::now();
    for (long i = 0; i < n; i++) f(i);
    glFinish();
    double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    printf("%-44s %10.1f ns/call   (%ld calls, %ld new)\n", what, ns / (double)n, n, s_news - news);
}

int main() {
    font_table = new FontTable();
    font_table->count = 2;
    Font &f = font_table->fonts[1];
    f.height = 12;
    f.tex = 1;
    f.rect = GfxRect{0, 0, 64, 64};
    for (int b = 1; b < 256; b++) {
        f.rects[b] = GfxRect{0, 0, 8, 8};
        f.shapes[b] = GfxRect{1, 2, 10, 12};
    }
    const char *para = "The quick brown fox jumps over the lazy dog, then damn well keeps running "
                       "across the field until the sun sets behind the Scunthorpe hills.";
    std::string para2 = para;   // a different text, so that every call of the first line censors anew
    para2[0] = 't';
    volatile float sink = 0;
    timed("text_censor (150 bytes)", 200000, [&](long i) { sink = sink + (float)text_censor(i & 1 ? para : para2.c_str())[0]; });
    timed("text_censor, the same text again", 200000, [&](long) { sink = sink + (float)text_censor(para)[0]; });
    timed("font_width (150 bytes)", 200000, [&](long) { sink = sink + font_width(1, para); });
    timed("font_height, wrap 300 (150 bytes)", 200000, [&](long) { sink = sink + font_height(1, para, 300); });
    timed("font_hit, wrap 300 (150 bytes)", 200000, [&](long i) { sink = sink + (float)font_hit(1, para, (int)(i % 300), 20, 300); });
    GfxRect clip = {0, 0, 100, 100};
    timed("gfx_clip_rect (partly outside)", 5000000, [&](long i) {
        GfxRect a = {(float)(i % 150) - 20, 30, 40, 40}, t = {0, 0, 1, 1};
        sink = sink + (float)gfx_clip_rect(clip, a, &t);
    });

    if (!getenv("DISPLAY")) {
        puts("no DISPLAY: drawing not measured");
        return 0;
    }
    SDL_Init(SDL_INIT_VIDEO);
    if (!SDL_SetVideoMode(256, 256, 0, SDL_OPENGL)) {
        printf("no window: %s\n", SDL_GetError());
        return 0;
    }
    gfx_init(data_catalogue(), data_dir());
    static uint8_t white[64 * 64 * 4];
    for (uint8_t &b : white) b = 255;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    gfx->texs[1] = GfxTexture{1, name, {0, 0, 64, 64}};
    gfx->imgs[1] = GfxImage{1, 1, {0, 0, 8, 8}, {0, 0, 8, 8}};
    gfx->tex_next = gfx->img_next = 2;
    gfx->view_w = gfx->view_h = 256;
    static Driver d{};
    d.width = d.height = 256;
    driver = &d;
    gfx_set_window(d.width, d.height);
    gfx_view();
    gfx_clip_push(200, 200);
    timed("gfx_draw_img 8x8, clipped stack depth 1", 200000, [&](long i) { gfx_draw_img(1, (float)(i % 240), (float)(i % 230), 0, 0); });
    timed("gfx_draw_img fully clipped away", 1000000, [&](long i) { gfx_draw_img(1, 300 + (float)(i % 10), 0, 0, 0); });
    timed("gfx_fill_rect 8x8", 200000, [&](long i) { gfx_fill_rect(0xff8000, (int)(i % 240), 10, 8, 8); });
    std::string line(60, 'A');
    timed("font_draw 60 glyphs", 20000, [&](long i) { font_draw(1, line.c_str(), -(float)(i % 100), 20, 0, -1); });
    std::string longline(1000, 'A');
    timed("font_draw 1000 glyphs (one draw call)", 5000, [&](long i) { font_draw(1, longline.c_str(), -(float)(i % 100), 40, 0, -1); });
    timed("font_draw 150 bytes wrapped at 200, centred", 20000, [&](long) { font_draw(1, para, 0, 60, 200, 0); });
    gfx_clip_pop();
    printf("(sink %g)\n", (double)sink);
    return 0;
}
