// SPDX-License-Identifier: Zlib
// loop.cpp - the program's entry function and its frame loop.
#include "app/app_internal.h"

#include <SDL.h>
#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include "app/driver_internal.h"
#include "app/platform.h"

static void swap_buffers() { SDL_GL_SwapBuffers(); }
void (*frame_present)() = swap_buffers;   // a test reads the back buffer before it is shown

int SDL_main(int argc, char **argv) {
    program_argv0_set(argc > 0 && argv ? argv[0] : nullptr);   // the default name (app.h)
    // Diagnostics reach the terminal a line at a time. Microsoft's C runtimes refuse a size of 0
    // and buffer _IOLBF fully: there the start-up lines are flushed where they end (driver_init).
    setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    Game game{};  // lives for the whole run; every state keeps its address
    game_init(&game);
    // GLITZ_TICK_REPORT set: print the monotonic clock at the first presented frame and, at the
    // end, how many frames and ticks ran in how long (for the program test and the benchmark).
    const bool report = getenv("GLITZ_TICK_REPORT") != nullptr;
    uint32_t first_frame = 0;
    int64_t frames = 0, ticks = 0;   // 64 bits: a run of more than a year never overflows them
    Event event;
    while (game.quit != GAME_QUIT_FAILED) {   // a start-up without a window runs no frame
        if (platform_frame_hold()) ticks_restart();   // a paused page: no ticks to catch up
        event = event_make(0);
        while (game.quit != GAME_QUIT_FAILED && driver_poll(event)) {
            if (event.type == EV_QUIT) game.quit = 1;
            game_event(&game, event);
        }
        if (game.quit == GAME_QUIT_FAILED) break;   // the window is gone: no update, no drawing
        int32_t n = ticks_due();
        if (frames++ == 0) first_frame = SDL_GetTicks();
        ticks += n;
        for (; n > 0; n--)
            if (State *s = current_state(&game)) s->update();  // looked up again: update may switch
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (State *s = current_state(&game)) s->paint();
        frame_present();
        if (report && frames == 1) {   // the CPU time of all threads too: a busy machine stretches the wait
            timespec t, cpu;
            clock_gettime(CLOCK_MONOTONIC, &t);
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            fprintf(stderr, "first frame at %lld.%09ld cpu %.1f ms\n", (long long)t.tv_sec, t.tv_nsec,
                    cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
        }
        if (game.quit) break;
    }
    if (report)
        fprintf(stderr, "frames %lld ticks %lld ms %u\n", (long long)frames, (long long)ticks,
                (unsigned)(SDL_GetTicks() - first_frame));
    bool failed = game.quit == GAME_QUIT_FAILED;
    game_shutdown(&game);
    return failed ? 1 : 0;
}
