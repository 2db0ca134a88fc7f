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
#include "util/zev_var.h"

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

// The layer's start and end (driver_init, driver_quit) and its asset caches (start-up, shutdown).
// sound_quit() closes the device and prints nothing, unless some audio callbacks came too late to
// keep the device fed (SoundEngine::underruns()): then it prints one line, "audio: N late callbacks
// (underruns) of M, longest gap G ms at T s, buffer B frames".
void sound_init();                 // "IrrKlang init error" if no device
void sound_quit();
void sound_caches_create(const var &catalogue, const char *data_dir);   // the sample and stream caches
void sound_caches_destroy();
int32_t driver_sound_load(const char *path);   // sample handle, 0 on failure
int32_t stream_load(const char *path);         // stream handle (used up even on failure)

// sound_init() with a given engine (null: as if the device failed); does nothing if the layer exists.
void sound_init_with(SoundEngine *engine);
