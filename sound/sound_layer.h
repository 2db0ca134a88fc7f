// SPDX-License-Identifier: Zlib
// sound_layer.h - the sound layer's record, for code that looks inside (tests, diagnostics).
//
//   sound_init_with(SoundEngine::create(false));   // a layer over an engine without a device
//   sound_play(h, 0.5f, 0.0f);
//   sound_layer->engine->render(buffer, frames);   // what it would play
//   sound_quit();
#pragma once
#include <cstdint>
#include "sound/engine.h"
#include "sound/sound.h"

struct SoundVoicePair {
    VoiceId a, b;   // the two voices last started for a sample; 0 when none
};

struct SoundLayer {
    SoundSource *sources[256];     // loaded sample files by handle; [0] never used
    int32_t next_sample;           // handle of the next sample file, from 1
    SoundVoicePair voices[256];    // by sample handle
    VoiceId streams[256];          // looped, paused-at-load music voices by stream handle
    int32_t next_stream;           // handle of the next stream, from 1
    SoundEngine *engine;           // null when no audio device could be opened
};

extern SoundLayer *sound_layer;    // null outside sound_init() .. sound_quit()

// sound_init() with a given engine (null: as if the device failed); does nothing if the layer exists.
void sound_init_with(SoundEngine *engine);
