// SPDX-License-Identifier: Zlib
// support_web.cpp - linked into every test program built for the web: the SDL 1.2 calls the tests
// make that emscripten's SDL lacks, and what tests/web/node_audio.js reads of the program.
#include <SDL.h>
#include <emscripten.h>
#include <cstdlib>

namespace {
int s_repeat_delay, s_repeat_interval;   // as the program last asked SDL_EnableKeyRepeat
}  // namespace

// The live modifier state, which emscripten's SDL keeps as SDL.modState (SDL_GetModState reads it).
extern "C" void SDL_SetModState(SDL_Keymod mod) { EM_ASM({ SDL.modState = $0; }, (int)mod); }

// Emscripten's SDL_EnableKeyRepeat does nothing (the browser repeats held keys itself, and the
// game's driver drops those repeats: platform/web/driver_web.cpp). Here it keeps what it was asked, with
// SDL 1.2's check, so that a test can read back what the program asked for.
extern "C" int SDL_EnableKeyRepeat(int delay, int interval) {
    if (delay < 0 || interval < 0) return -1;
    s_repeat_delay = delay;
    s_repeat_interval = interval;
    return 0;
}

extern "C" void SDL_GetKeyRepeat(int *delay, int *interval) {
    if (delay) *delay = s_repeat_delay;
    if (interval) *interval = s_repeat_interval;
}

// SDL's audio driver variable as the program's environment holds it now, "" when unset.
extern "C" EMSCRIPTEN_KEEPALIVE const char *glitz_test_audio_driver() {
    const char *name = getenv("SDL_AUDIODRIVER");
    return name ? name : "";
}
