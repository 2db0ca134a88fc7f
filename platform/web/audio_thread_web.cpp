// SPDX-License-Identifier: Zlib
// audio_thread_web.cpp - in a browser the mixer runs on the page's own thread, called from the
// browser's timers; there is no thread priority to ask for. The page may ask how often the engine
// has mixed (Module._glitz_audio_callbacks(): its tests see the sound running or paused).
#include "sound/audio_thread.h"

#include <emscripten.h>
#include "sound/sound_layer.h"

bool audio_thread_prioritise() { return false; }

// Audio callbacks so far, -1 without a sound device (before start-up, after shutdown, no audio).
extern "C" EMSCRIPTEN_KEEPALIVE double glitz_audio_callbacks() {
    if (!sound_layer || !sound_layer->engine) return -1;
    return (double)sound_layer->engine->callbacks();
}
