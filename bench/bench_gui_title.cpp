// SPDX-License-Identifier: Zlib
// bench_gui_title - what laying out and painting the title screen's widget tree costs per frame.
//
// Builds the title screen's tree (ball in a full-screen box, a 1024 x 768 table of five boxed labels)
// over a small generated catalogue, then times root.measure_content() alone and measure + paint in a
// 1024 x 768 OpenGL window (run under Xvfb: DISPLAY=:NN bench_gui_title). Without a display only the
// layout is timed. Usage: bench_gui_title [frames]
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <stb_image_write.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "app/driver_internal.h"
#include "app/files.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"
#include "gui/widget.h"

static std::string rect(float x, float y, float w, float h) {
    char b[128];
    snprintf(b, sizeof b, "{\"x\":%g,\"y\":%g,\"w\":%g,\"h\":%g}", x, y, w, h);
    return b;
}

// Three fonts whose printable glyphs show one 8 x 8 block (advance 10, or 20 for font2), and "ball".
static std::string catalogue() {
    std::string json = "{\"sheet\":{\"fname\":\"sheet.png\",\"rect\":" + rect(0, 0, 64, 64) + "},";
    json += "\"ball\":{\"texture\":\"sheet\",\"rect\":" + rect(0, 0, 8, 8) + ",\"shape\":" + rect(0, 0, 8, 8) + "}";
    for (int f = 0; f < 3; f++) {
        std::string rects = "[", shapes = "[";
        for (int b = 0; b < 256; b++) {
            bool g = b >= 32 && b <= 126;
            rects += (b ? "," : "") + (g ? rect(0, 0, 8, 8) : rect(0, 0, 0, 0));
            shapes += (b ? "," : "") + (g ? rect(1, 2, f == 2 ? 20.0f : 10.0f, 12) : rect(0, 0, 0, 0));
        }
        json += ",\"font" + std::to_string(f) + "\":{\"height\":" + (f == 2 ? "24" : "12") +
                ",\"texture\":\"sheet\",\"rect\":" + rect(0, 0, 64, 64) + ",\"rects\":" + rects + "],\"shapes\":" + shapes + "]}";
    }
    return json + "}";
}

// The title screen as the Menu state builds it.
static void build(Container &root) {
    root.clear();
    int32_t f0 = font_load("font0"), f1 = font_load("font1"), f2 = font_load("font2");
    Widget *ball = new Widget;
    ball->style_base.image = gfx_img_load("ball");
    ball->style_base.width = ball->style_base.height = 512 + rand() % 8;
    Box *ball_box = root.add(new Box(ball));
    ball_box->style_base.width = 1024;
    ball_box->style_base.height = 768;
    Table *t = new Table;
    struct Row { int32_t font; const char *text; int32_t color; } rows[5] = {
        {f2, "GLITZ FALL!!", STYLE_UNSET}, {f1, "FEST 2012 GRAB BAG", 0xFFFF55}, {f1, "CODE: RONAN VESK", 0xFF55FF},
        {f1, "MUSIC: OLAF TREMM", 0x55FFFF},
        {f0, "TO PLAY: MOVE LEFT AND RIGHT TO AVOID FALLING GLITZ BALLS!!  GET READY TO PARTY DUDES!!", STYLE_UNSET}};
    for (int i = 0; i < 5; i++) {
        t->new_row();
        Label *l = new Label(rows[i].font, rows[i].text);
        t->add_cell(new Box(l));
        l->style_base.color = rows[i].color;
        if (i == 4) { l->style_base.width = 768; l->style_base.halign = 0; }
    }
    root.add(t);
    t->style_base.width = 1024;
    t->style_base.height = 768;
}

template <class F> static double micros_per(int frames, F f) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; i++) f();
    auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(t1 - t0).count() / frames;
}

int main(int argc, char **argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 2000;
    if (frames < 1) frames = 1;
    char tmpl[] = "/tmp/glitz_bench_gui_XXXXXX";
    std::string dir = mkdtemp(tmpl);
    mkdir((dir + "/data").c_str(), 0755);
    if (chdir(dir.c_str()) != 0) return 1;
    FILE *f = fopen("data/data.json", "wb");
    std::string json = catalogue();
    fwrite(json.data(), 1, json.size(), f);
    fclose(f);
    std::vector<uint8_t> sheet(64 * 64 * 4, 255);
    stbi_write_png("data/sheet.png", 64, 64, 4, sheet.data(), 64 * 4);

    Driver d{};
    d.aspect = 1;
    d.width = 1024;
    d.height = 768;
    driver = &d;
    bool window = getenv("DISPLAY") && SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_SetVideoMode(1024, 768, 0, SDL_OPENGL);
    if (window) {
        gfx_init(data_catalogue(), data_dir());
        gfx_set_window(d.width, d.height);
        gfx->view_w = 1024;
        gfx->view_h = 768;
        gfx->view_scale = 1;
    }
    font_table_create(data_catalogue(), data_dir());
    fprintf(stderr, "-- loading done --\n");

    Container root;
    build(root);
    root.measure_content();
    double layout = micros_per(frames, [&] { root.measure_content(); });
    double rebuild = micros_per(frames, [&] { build(root); root.measure_content(); });
    printf("title screen, %d frames: layout %.2f us/frame, rebuild + layout %.2f us/frame\n", frames, layout, rebuild);
    if (window) {
        double paint = micros_per(frames, [&] {
            glClear(GL_COLOR_BUFFER_BIT);
            gfx_view();
            root.measure_content();
            root.paint_content();
        });
        glFinish();
        double paint_finished = micros_per(frames / 10 + 1, [&] {
            glClear(GL_COLOR_BUFFER_BIT);
            gfx_view();
            root.measure_content();
            root.paint_content();
            glFinish();
        });
        printf("layout + paint %.2f us/frame (GL calls issued), %.2f us/frame with glFinish (%s)\n", paint,
               paint_finished, (const char *)glGetString(GL_RENDERER));
    } else {
        printf("no window: painting not timed\n");
    }
    root.clear();
    font_table_destroy();
    gfx_destroy();
    if (window) SDL_Quit();
    driver = nullptr;
    std::string cmd = "rm -rf '" + dir + "'";
    return system(cmd.c_str()) == 0 ? 0 : 1;
}
