// SPDX-License-Identifier: Zlib
// sound.h - the sound layer: samples by handle and looped music streams, found by catalogue name.
//
//   sound_init();                                  // from driver_init(); "IrrKlang init error" if no device
//   sound_caches_create(data_catalogue(), data_dir());   // after the first video set-up
//   sound_play(sound_load("splat"), 0.5f, 0.0f);   // handle 0 plays nothing
//   music = stream_open("music"); stream_play(music, 0.5f, 0.0f);
//   sound_caches_destroy(); sound_quit();
//
// sound_quit() closes the device and prints nothing, unless some audio callbacks came too late to
// keep the device fed (SoundEngine::underruns()): then it prints one line, "audio: N late callbacks
// (underruns) of M, longest gap G ms at T s, buffer B frames".
#pragma once
#include <cstdint>

void sound_init();
void sound_quit();
int32_t driver_sound_load(const char *path);   // sample handle, 0 on failure
int32_t sound_load(const char *name);          // catalogue lookup, cached
void sound_play(int32_t handle, float volume, float pan);
int32_t stream_load(const char *path);         // stream handle (used up even on failure)
int32_t stream_open(const char *name);         // catalogue lookup, cached
void stream_play(int32_t handle, float volume, float seconds);
class var;
void sound_caches_create(const var &catalogue, const char *data_dir);   // the sample and stream caches
void sound_caches_destroy();

extern int32_t music;   // handle of the music stream started at start-up
