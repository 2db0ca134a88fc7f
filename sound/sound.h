// SPDX-License-Identifier: Zlib
// sound.h - samples and looped music streams, found by catalogue name (docs/sound.md).
//
//   int32_t splat = sound_load("splat");            // in State::enter(); 0 when missing
//   sound_play(splat, 0.5f, 0.0f);                  // handle 0 plays nothing
//   int32_t tune = stream_open("music"); stream_play(tune, 0.5f, 0.0f);
//
// The framework opens the audio device at start-up ("IrrKlang init error" when there is none:
// every call then does nothing) and closes it at shutdown. Handles stay valid for the whole run
// (a video reset does not void them); there are 255 sample and 255 stream handles. Volumes go
// from 0.0 (silent) to 1.0 (full); a program scales them by the player's settings
// (Game::settings.sound_volume and music_volume, percentages).
#pragma once
#include <cstdint>

// Sample handle of the catalogue entry `name` (a "sample" entry), loading its file on first use;
// 0 when the name is missing or the file does not load. Cached: later calls are lookups.
int32_t sound_load(const char *name);
// Plays sample `handle` once at `volume`, panned by `pan` from -1.0 (left) to 1.0 (right), 0 the
// centre. A sample never overlaps itself: playing it again stops the previous play. Handle 0: nothing.
void sound_play(int32_t handle, float volume, float pan);
// Stream handle of the catalogue entry `name` (a "stream" entry), loaded looped and paused on
// first use; 0 when the name is missing. Cached like sound_load.
int32_t stream_open(const char *name);
// Sets the stream's volume and position (`seconds` from its start) and lets it play, looped.
// Call it again to change the volume or jump. Handle 0: nothing.
void stream_play(int32_t handle, float volume, float seconds);

// Handle of the music started at start-up (program_settings.music), 0 when there is none.
extern int32_t music;
