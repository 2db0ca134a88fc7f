// SPDX-License-Identifier: Zlib
// test_gui_support.h - shared set-up for the GUI tests: a catalogue with a test font and a white
// image, the font table, an optional 1024 x 768 window with the graphics context, pixel read-back,
// and small event makers.
#pragma once
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <vector>
#include "gui/widget.h"
#include "test_gfx_support.h"
#include "gfx/gfx_internal.h"
#include "gfx/font_internal.h"

// Glyphs of the test font: printable bytes advance 10 and show an 8 x 8 block 1 right and 2 down of
// the pen; space advances 10; every other byte is empty. Lines are 12 high.
inline std::string gui_catalogue_json() {
    return std::string("{\"sheet\":{\"fname\":\"sheet.png\",\"rect\":") + rect_json(0, 0, 64, 64) +
           "},\"white\":{\"fname\":\"white.png\",\"rect\":" + rect_json(0, 0, 3, 3) +
           "},\"white_img\":{\"texture\":\"white\",\"rect\":" + rect_json(0, 0, 3, 3) +
           ",\"shape\":" + rect_json(0, 0, 3, 3) + "},\"font\":" + font_entry_json("sheet") + "}";
}

// Catalogue and font table; with a window also the graphics context with a 1024 x 768 view.
struct GuiScene {
    GlWindow *win = nullptr;
    TempCatalogue cat;
    int32_t font = 0;

    explicit GuiScene(bool window = false) : cat(gui_catalogue_json(), 1024, 768) {
        if (window) win = new GlWindow(1024, 768);
        std::vector<uint8_t> sheet(64 * 64 * 4, 0), white(3 * 3 * 4, 255);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 8; x++)
                for (int k = 0; k < 4; k++) sheet[(y * 64 + x) * 4 + k] = 255;
        cat.write_png("sheet.png", 64, 64, sheet.data());
        cat.write_png("white.png", 3, 3, white.data());
        if (win && win->ok) {
            gfx_init(data_catalogue(), data_dir());
            gfx_set_window(cat.d.width, cat.d.height);
            gfx->view_w = 1024;
            gfx->view_h = 768;
            gfx->view_scale = 1;
            gfx_view();
        }
        font_table_create(data_catalogue(), data_dir());
        font = font_load("font");
    }
    ~GuiScene() {
        font_table_destroy();
        gfx_destroy();
        delete win;   // after the context's users are gone
    }
    bool has_window() const { return win && win->ok; }
};

#define REQUIRE_SCENE_WINDOW(scene)                                                     \
    do {                                                                                \
        if (!getenv("DISPLAY")) GTEST_SKIP() << "no DISPLAY for the window tests";    \
        ASSERT_TRUE((scene).has_window()) << "no OpenGL window: " << SDL_GetError();   \
    } while (0)

// The window's pixels, read once; (x, y) in view units, y down.
struct Pixels {
    std::vector<uint8_t> rgba;
    Pixels() : rgba(1024 * 768 * 4) {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    int32_t rgb(int x, int y) const {
        const uint8_t *p = &rgba[((767 - y) * 1024 + x) * 4];
        return p[0] << 16 | p[1] << 8 | p[2];
    }
    // Bounding box of the pixels of exactly this colour ({0, 0, 0, 0} when there is none).
    GfxRect bounds(int32_t color) const {
        int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
        for (int y = 0; y < 768; y++)
            for (int x = 0; x < 1024; x++)
                if (rgb(x, y) == color) {
                    x0 = std::min(x0, x); y0 = std::min(y0, y); x1 = std::max(x1, x); y1 = std::max(y1, y);
                }
        if (x1 < 0) return GfxRect{0, 0, 0, 0};
        return GfxRect{(float)x0, (float)y0, (float)(x1 - x0 + 1), (float)(y1 - y0 + 1)};
    }
    int count(int32_t color) const {
        int n = 0;
        for (int y = 0; y < 768; y++)
            for (int x = 0; x < 1024; x++) n += rgb(x, y) == color;
        return n;
    }
};

#define EXPECT_RECT(r, X, Y, W, H)                                                       \
    do {                                                                                 \
        GfxRect rr_ = (r);                                                               \
        EXPECT_EQ((X), rr_.x); EXPECT_EQ((Y), rr_.y); EXPECT_EQ((W), rr_.w); EXPECT_EQ((H), rr_.h); \
    } while (0)

inline Event mouse(int32_t type, float x, float y, int32_t button = 0) {
    Event e = event_make(type);
    e.pos[0] = x;
    e.pos[1] = y;
    e.button = button;
    return e;
}

inline Event key(int32_t code, int32_t mods = 0, int32_t unicode = 0) {
    Event e = event_make(EV_KEYDOWN);
    e.key = code;
    e.button = mods;
    e.unicode = unicode;
    return e;
}

// A plain widget of a given content size, placed at (x, y).
inline Widget *sized(int32_t x, int32_t y, int32_t w, int32_t h) {
    Widget *c = new Widget;
    c->x = x;
    c->y = y;
    c->style_base.width = w;
    c->style_base.height = h;
    return c;
}
