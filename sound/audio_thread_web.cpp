// SPDX-License-Identifier: Zlib
// audio_thread_web.cpp - in a browser the mixer runs on the page's own thread, called from the
// browser's timers; there is no thread priority to ask for.
#include "sound/audio_thread.h"

bool audio_thread_prioritise() { return false; }
