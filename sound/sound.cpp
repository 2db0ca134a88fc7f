// SPDX-License-Identifier: Zlib
// sound.cpp - the sound layer: sample and stream tables over the engine, filled by catalogue name.
#include "sound/sound.h"

#include <SDL.h>
#include <cstdio>
#include <cstring>
#include "sound/sound_layer.h"
#include "util/asset_cache.h"
#include "util/log.h"

SoundLayer *sound_layer = nullptr;
int32_t music = 0;

static AssetCache *sample_cache = nullptr;
static AssetCache *stream_cache = nullptr;

static const AssetKind kSampleKind = {":: trying load sample %s\n", "unable to find sample %s\n",
                                      "doing load sample %s\n", nullptr};
static const AssetKind kStreamKind = {"trying load stream %s\n", "unable to find stream %s\n",
                                      "doing load stream %s\n", nullptr};

static const int32_t kTableSize = 256;   // handles 1..255; entry 0 stays empty

void sound_init_with(SoundEngine *engine) {
    if (sound_layer) {
        delete engine;
        return;
    }
    sound_layer = new SoundLayer;
    memset(sound_layer, 0, sizeof *sound_layer);
    sound_layer->next_sample = 1;
    sound_layer->next_stream = 1;
    sound_layer->engine = engine;
    if (!engine) fprintf(stderr, "IrrKlang init error\n");
}

void sound_init() {
    if (sound_layer) return;
    sound_init_with(SoundEngine::create(true));
}

void sound_quit() {
    if (!sound_layer) return;
    if (SoundEngine *e = sound_layer->engine; e && e->underruns() > 0)
        fprintf(stderr, "audio: %lld late callbacks (underruns) of %lld, longest gap %.1f ms at %.1f s, buffer %d frames\n",
                (long long)e->underruns(), (long long)e->callbacks(), e->longest_gap_ns() / 1e6,
                e->longest_gap_at_ns() / 1e9, (int)e->device_frames());
    delete sound_layer->engine;   // closes the device and frees every source and voice
    delete sound_layer;
    sound_layer = nullptr;
}

static SoundEngine *engine() { return sound_layer ? sound_layer->engine : nullptr; }

int32_t driver_sound_load(const char *path) {
    SoundEngine *e = engine();
    if (!e || !path) return 0;
    int32_t handle = sound_layer->next_sample;
    if (handle >= kTableSize) {   // table full: refused, nothing written past it
        fprintf(stderr, "error loading: %s\n", path);
        return 0;
    }
    glitz_info("loading: %s as %d\n", path, handle);
    sound_layer->sources[handle] = e->add_source(path, STREAM_AUTO);
    if (!sound_layer->sources[handle]) {
        fprintf(stderr, "error loading: %s\n", path);
        return 0;
    }
    sound_layer->next_sample = handle + 1;
    return handle;
}

int32_t sound_load(const char *name) {
    if (!sample_cache || !name) return 0;
    return sample_cache->lookup(name, kSampleKind, -1, [](var &entry) { return driver_sound_load(sample_cache->path(entry)); });
}

void sound_play(int32_t handle, float v, float p) {
    SoundEngine *e = engine();
    if (handle <= 0 || !e) return;
    SoundSource *source = handle < kTableSize ? sound_layer->sources[handle] : nullptr;
    if (!source) {
        fprintf(stderr, "sound_play error: %d - missing sample\n", handle);
        return;
    }
    // A sample never overlaps itself: the previous pair stops first.
    SoundVoicePair &pair = sound_layer->voices[handle];
    if (pair.a) e->stop(pair.a);
    if (pair.b) e->stop(pair.b);
    pair.a = pair.b = 0;
    float x = (p + 1.0f) * 0.5f;
    VoiceId a = e->play(source, false, true, true);
    if (a) {
        e->set_pan(a, 0.0f);
        e->set_volume(a, (1.0f - x) * v);
    }
    VoiceId b = e->play(source, false, true, true);
    if (b) {
        e->set_pan(b, -1.0f);
        e->set_volume(b, x * v);
    }
    // Unpaused under one lock: the audio callback cannot mix one voice of the pair without the other.
    const VoiceId pair_ids[2] = {a, b};   // an id 0 is skipped
    e->set_paused(pair_ids, 2, false);
    pair.a = a;
    pair.b = b;
}

int32_t stream_load(const char *path) {
    SoundEngine *e = engine();
    if (!e || !path) return 0;
    int32_t handle = sound_layer->next_stream;
    if (handle >= kTableSize) {   // table full: refused, no handle used up
        fprintf(stderr, "stream_load (soundSource) error: %s\n", path);
        return 0;
    }
    Uint32 start = SDL_GetTicks();
    SoundSource *source = e->add_source(path, STREAM_AUTO);
    if (!source) {
        fprintf(stderr, "stream_load (soundSource) error: %s\n", path);
    } else {
        e->set_stream_mode(source, STREAM_AUTO);
        sound_layer->streams[handle] = e->play(source, true, true, true);
        if (!sound_layer->streams[handle]) fprintf(stderr, "stream_load (play2d) error: %s\n", path);
    }
    glitz_info("stream_load in ticks: %d\n", (int)(SDL_GetTicks() - start));
    sound_layer->next_stream = handle + 1;
    return handle;
}

int32_t stream_open(const char *name) {
    if (!stream_cache || !name) return 0;
    return stream_cache->lookup(name, kStreamKind, -1, [](var &entry) { return stream_load(stream_cache->path(entry)); });
}

void stream_play(int32_t handle, float v, float seconds) {
    SoundEngine *e = engine();
    if (handle <= 0 || !e) return;
    VoiceId voice = handle < kTableSize ? sound_layer->streams[handle] : 0;
    if (!voice) {
        fprintf(stderr, "stream_play error: %d - missing stream\n", handle);
        return;
    }
    Uint32 t = SDL_GetTicks();
    e->set_volume(voice, v);
    glitz_info("setvol: %d\n", (int)(SDL_GetTicks() - t));
    // Truncated toward zero; NaN and out-of-range values give 0.
    double want = (double)seconds * 1000.0;
    int32_t ms = (want > -2147483648.0 && want < 2147483647.0) ? (int32_t)want : 0;
    t = SDL_GetTicks();
    e->set_position_ms(voice, ms);
    glitz_info("setplayposition: %d\n", (int)(SDL_GetTicks() - t));
    t = SDL_GetTicks();
    e->set_paused(voice, false);
    glitz_info("setispaused: %d\n", (int)(SDL_GetTicks() - t));
    glitz_info("Pos: set: %d get: %d\n", ms, (int)e->position_ms(voice));
}

void sound_caches_create(const var &catalogue, const char *data_dir) {
    if (!sample_cache) {
        sample_cache = new AssetCache;
        sample_cache->create(catalogue, data_dir);
    }
    if (!stream_cache) {
        stream_cache = new AssetCache;
        stream_cache->create(catalogue, data_dir);
    }
}

void sound_caches_destroy() {
    if (sample_cache) sample_cache->destroy();
    if (stream_cache) stream_cache->destroy();
    delete sample_cache;
    delete stream_cache;
    sample_cache = stream_cache = nullptr;
}
