// SPDX-License-Identifier: Zlib
// main_web.cpp - the entry of the game's page: the game's own entry function, then the end of the
// program made known to the page. The loop sleeps through ASYNCIFY, so main() comes back to the
// browser long before the game ends; when SDL_main finally returns, emscripten_force_exit runs
// the exit handlers and the page's Module.onExit ("the game has ended").
#include <emscripten.h>
#include "app/app.h"

int main(int argc, char **argv) {
    int status = SDL_main(argc, argv);
    emscripten_force_exit(status);
    return status;
}
