// SPDX-License-Identifier: Zlib
// driver.h - the platform record a program may read (window size, names, tick rate, catalogue),
// and the pictures a video reset decodes ahead. The platform layer's own calls (start-up, event
// translation, the video set-up) are in app/driver_internal.h, which is not installed.
#pragma once
#include <cstdint>
#include "util/zev_var.h"

// The platform record: one instance, created at start-up, freed at shutdown (SDL_main does both).
struct Driver {
    int32_t width;       // window size in pixels, 0 until a mode is set
    int32_t height;      // window height in pixels, 0 until a mode is set
    float aspect;        // width / height (integer quotient) once a mode is set; 1.0 before
    const char *name;    // application name; names the per-user directory
    char title[256];     // window caption
    int32_t tick_rate;   // ticks per second for the tick timer
    var data;            // the parsed data.json (app/files.h data_catalogue)
};

extern Driver *driver;   // null before start-up and after shutdown

// Names a catalogue entry (texture, image or font) whose picture every video reset starts decoding
// on a worker thread before it opens the window, for the pictures the first screen after a reset
// loads at once; the pictures that screen's enter() did not load are dropped after it. What is
// printed, and when, stays as without it. Call it from register_states().
void video_decode_ahead(const char *name);
