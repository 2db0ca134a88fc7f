// SPDX-License-Identifier: Zlib
// bare_window - the yardstick for bench_startup: a bare SDL 1.2 + OpenGL window of the game's size
// that clears and presents frames at 60 per second until it is killed, and nothing else.
//
//   GLITZ_TICK_REPORT=1 DISPLAY=:73 build/bench/bare_window
//
// It asks for the window the way the game does (16-bit depth, 8-bit stencil, SDL_OPENGL, 1024 x 768)
// and prints "first frame at <monotonic seconds> cpu <ms>" to the standard error stream after the
// first presented frame, the line bench_startup waits for. Links SDL and OpenGL only.
//
//   bare_window --textures a.png b.png ...
//
// The floor under the game's start-up: the same window, plus the given PNG files decoded and uploaded
// with a full mipmap chain before the first frame, and one textured quad drawn with each per frame.
// What is left between this and the game is the game's own cost; what is between this and the bare
// window is what any program pays the driver for showing these textures (its copy of every level,
// the first textured draw's shader compile).
#include <SDL/SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <stb/stb_image.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

static const int kWidth = 1024, kHeight = 768;   // the game's window
static const Uint32 kFrameMs = 16;              // about 60 frames per second

// Decodes and uploads each file with its mipmap chain; the names of the textures made.
static std::vector<GLuint> load_textures(int count, char **paths) {
    std::vector<GLuint> names;
    for (int i = 0; i < count; i++) {
        int w, h, n;
        unsigned char *pixels = stbi_load(paths[i], &w, &h, &n, 4);
        if (!pixels) {
            fprintf(stderr, "cannot load %s: %s\n", paths[i], stbi_failure_reason());
            continue;
        }
        GLuint name;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        stbi_image_free(pixels);
        names.push_back(name);
    }
    return names;
}

int main(int argc, char **argv) {
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
    std::vector<GLuint> textures;
    if (argc > 1 && !strcmp(argv[1], "--textures")) textures = load_textures(argc - 2, argv + 2);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    for (long frame = 0;; frame++) {
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (e.type == SDL_QUIT) return 0;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!textures.empty()) {
            glEnable(GL_TEXTURE_2D);
            glEnable(GL_BLEND);
            for (size_t i = 0; i < textures.size(); i++) {
                float x = 100.0f * i;
                glBindTexture(GL_TEXTURE_2D, textures[i]);
                glBegin(GL_QUADS);
                glTexCoord2f(0, 0); glVertex2f(x, 0);
                glTexCoord2f(1, 0); glVertex2f(x + 256, 0);
                glTexCoord2f(1, 1); glVertex2f(x + 256, 256);
                glTexCoord2f(0, 1); glVertex2f(x, 256);
                glEnd();
            }
        }
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
