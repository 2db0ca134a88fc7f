// SPDX-License-Identifier: Zlib
// driver.h - what a program may ask of the platform layer: the pictures a video reset decodes
// ahead. The layer itself (its record, start-up, event translation, the video set-up) is in
// app/driver_internal.h, which is not installed.
#pragma once

// Names a catalogue entry (texture, image or font) whose picture every video reset starts decoding
// on a worker thread before it opens the window, for the pictures the first screen after a reset
// loads at once; the pictures that screen's enter() did not load are dropped after it. What is
// printed, and when, stays as without it. Call it from register_states().
void video_decode_ahead(const char *name);
