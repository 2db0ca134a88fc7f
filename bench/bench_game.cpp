// SPDX-License-Identifier: Zlib
// bench_game - CPU time of the game's own work per frame: one tick and one paint of a busy field
// (the player and 200 balls), and one rebuild and paint of the title screen.
//
// Run from the build directory (it reads the generated ./data) with a display, e.g. under Xvfb:
//   cd build && DISPLAY=:NN bench/bench_game [frames]
// Times are the main thread's CPU time (CLOCK_THREAD_CPUTIME_ID): the game code, the widget layout and
// the OpenGL calls it issues, without the rasteriser's own threads. The paints are also given as
// wall time with glFinish, which includes the software rasteriser.
// Mesa's llvmpipe transforms and bins every triangle on the calling thread, so that CPU time is
// mostly the driver's. The program therefore runs a second time under Mesa's no-op driver
// (GALLIUM_NOOP=1: every call goes through Mesa's state tracking, nothing is drawn): those figures
// are our own code plus Mesa's front end, an upper bound of what is ours.
// 2000 sprites: 24 x 24 balls on a grid, drawn in one batch span and one draw call per quad.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <time.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "app/app.h"
#include "app/driver_internal.h"
#include "app/files.h"
#include "game/level.h"
#include "game/random.h"
#include "game/states.h"
#include "gfx/font_internal.h"
#include "gfx/gfx_internal.h"

static double thread_us() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

static double wall_us() {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The player at the bottom and 200 balls spread over the upper field, none above the hit box, so a
// batch of ticks from this field keeps every ball and the player.
static void busy_field(Game &g) {
    level_reset(&g);
    Level &lv = g.level;
    for (int i = 0; i < 200; i++) {
        ball_spawn(&lv);
        Object &b = lv.objects[i + 1];
        b.y = (float)(i % 20) * 15.0f - 60.0f;
        if (b.x + b.w > 380 && b.x < 640) b.x = b.x < 510 ? 380 - b.w : 640;
    }
}

int main(int argc, char **argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 2000;
    if (frames < 20) frames = 20;
    const bool noop = getenv("GALLIUM_NOOP") != nullptr;
    if (noop) printf("---- under the no-op driver: our code and Mesa's front end ----\n");
    Driver d{};
    d.aspect = 1;
    d.width = 1024;
    d.height = 768;
    driver = &d;
    bool window = false;
    // An X server refuses connections for a moment after its last client left: try again briefly.
    for (int tries = 0; !window && getenv("DISPLAY") && tries < 20; tries++) {
        window = SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_SetVideoMode(1024, 768, 0, SDL_OPENGL);
        if (!window) { SDL_Quit(); SDL_Delay(100); }
    }
    if (!window) {
        fprintf(stderr, "bench_game needs a display (run under Xvfb)\n");
        driver = nullptr;
        return 1;
    }
    gfx_init(data_catalogue(), data_dir());
    gfx_set_window(d.width, d.height);
    gfx->view_w = 1024;
    gfx->view_h = 768;
    gfx->view_scale = 1;
    font_table_create(data_catalogue(), data_dir());

    static Game g{};
    g.version = 1;
    g.settings.sound_volume = 50;
    register_states(&g);
    Play *play = static_cast<Play *>(state_registry[STATE_PLAY]);
    Menu *menu = static_cast<Menu *>(state_registry[STATE_MENU]);
    change_state(&g, STATE_PLAY);
    busy_field(g);
    if (!g.level.objects[0].img || !g.level.objects[1].img) fprintf(stderr, "warning: no player/ball image in ./data\n");
    static Level start;
    start = g.level;
    int active = 0;
    for (const Object &o : start.objects) active += o.active;
    printf("busy field: %d objects (the player and %d balls)\n", active, active - 1);

    // Ticks: batches of 50 from the same field; restoring it is not timed.
    double tick_cpu = 0;
    int ticks = 0;
    keys[KEY_RIGHT] = 1;
    while (ticks < frames * 5) {
        g.level = start;
        double t0 = thread_us();
        for (int i = 0; i < 50; i++) level_tick(&g);
        tick_cpu += thread_us() - t0;
        ticks += 50;
        if (g.state != STATE_PLAY) { fprintf(stderr, "the player was hit: the field is not as planned\n"); return 1; }
    }
    keys[KEY_RIGHT] = 0;
    printf("level_tick, 200 balls: %.3f us CPU per tick (%d ticks)\n", tick_cpu / ticks, ticks);

    g.level = start;
    auto time_paint = [&](const char *what, State *s, bool rebuild) {
        for (int i = 0; i < 20; i++) { if (rebuild) s->update(); s->paint(); }   // warm caches
        glFinish();
        double cpu = 0;
        for (int i = 0; i < frames; i++) {
            double t0 = thread_us();
            if (rebuild) s->update();
            s->paint();
            cpu += thread_us() - t0;
            if (i % 50 == 49) glFinish();   // keep the command queue short; not timed
        }
        double w0 = wall_us();
        int wall_frames = frames / 10;
        for (int i = 0; i < wall_frames; i++) {
            if (rebuild) s->update();
            s->paint();
            glFinish();
        }
        double wall = (wall_us() - w0) / wall_frames;
        printf("%s: %.2f us CPU per frame (main thread), %.0f us wall with glFinish (%s)\n", what, cpu / frames, wall,
               (const char *)glGetString(GL_RENDERER));
    };
    time_paint("Play::paint, 200 balls + score", play, false);
    change_state(&g, STATE_FAIL);   // the banner over the same field
    g.level = start;
    time_paint("game over: Fail::paint, 200 balls + score + banner", state_registry[STATE_FAIL], false);
    change_state(&g, STATE_MENU);
    time_paint("title: Menu::update (rebuild) + Menu::paint", menu, true);

    // The title's rebuild alone, and the field's paint without the score label, for the split.
    double t0 = thread_us();
    for (int i = 0; i < frames; i++) menu->update();
    printf("title rebuild alone: %.2f us CPU\n", (thread_us() - t0) / frames);
    glFinish();
    t0 = thread_us();
    for (int i = 0; i < frames; i++) {
        level_paint(&g);
        if (i % 50 == 49) glFinish();
    }
    printf("level_paint alone (201 images): %.2f us CPU\n", (thread_us() - t0) / frames);

    // 2000 sprites, batched and one call each (the drawing as it was before batching).
    int ball = gfx_img_load("ball");
    auto sprites = [&](bool batched) {
        glClear(GL_COLOR_BUFFER_BIT);
        gfx_view();
        if (batched) gfx_batch_begin();
        for (int i = 0; i < 2000; i++) gfx_draw_img(ball, (float)(i % 50 * 20), (float)(i / 50 * 19), 24, 24);
        if (batched) gfx_batch_end();
    };
    for (bool batched : {true, false}) {
        glFinish();
        double cpu = 1e30;   // the best of rounds of 10 frames: the least disturbed by other load
        for (int r = 0; r < frames / 10; r++) {
            double t1 = thread_us();
            for (int i = 0; i < 10; i++) sprites(batched);
            cpu = std::min(cpu, (thread_us() - t1) / 10);
            glFinish();
        }
        printf("2000 sprites, %s: %.1f us CPU per frame (best of %d rounds)\n",
               batched ? "batched" : "one draw call each", cpu, frames / 10);
    }

    font_table_destroy();
    gfx_destroy();
    SDL_Quit();
    driver = nullptr;
    if (!noop) {   // the same again under the no-op driver, printed after these figures
        fflush(stdout);
        std::string again = std::string("GALLIUM_NOOP=1 '") + argv[0] + "' " + std::to_string(frames);
        if (system(again.c_str()) != 0) fprintf(stderr, "the run under the no-op driver failed\n");
    }
    return 0;
}
