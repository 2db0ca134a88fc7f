// bare_window - the yardstick for bench_startup: a bare SDL 1.2 + OpenGL window of the game's size
// that clears and presents frames at 60 per second until it is killed, and nothing else.
//
//   GLITZ_TICK_REPORT=1 DISPLAY=:73 build/bench/bare_window
//
// It asks for the window the way the game does (16-bit depth, 8-bit stencil, SDL_OPENGL, 1024 x 768)
// and prints "first frame at <monotonic seconds> cpu <ms>" to the standard error stream after the
// first presented frame, the line bench_startup waits for. Links SDL and OpenGL only.
#include <SDL/SDL.h>
#include <GL/gl.h>
#include <cstdio>
#include <ctime>

static const int kWidth = 1024, kHeight = 768;   // the game's window
static const Uint32 kFrameMs = 16;              // about 60 frames per second

int main(int argc, char **argv) {
    (void)argc;
    (void)argv;
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0) {   // SDL's GL calls crash without video
        fprintf(stderr, "no video: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    if (!SDL_SetVideoMode(kWidth, kHeight, 0, SDL_OPENGL)) {
        fprintf(stderr, "no window: %s\n", SDL_GetError());
        return 1;
    }
    for (long frame = 0;; frame++) {
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (e.type == SDL_QUIT) return 0;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapBuffers();
        if (frame == 0) {   // as the game reports it (app/loop.cpp)
            timespec t, cpu;
            clock_gettime(CLOCK_MONOTONIC, &t);
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
            fprintf(stderr, "first frame at %lld.%09ld cpu %.1f ms\n", (long long)t.tv_sec, t.tv_nsec,
                    cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6);
        }
        SDL_Delay(kFrameMs);
    }
}
