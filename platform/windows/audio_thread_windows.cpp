// SPDX-License-Identifier: Zlib
// audio_thread_windows.cpp - the mixing thread's priority on Windows: time-critical, the highest of
// an ordinary process's priority class, as audio threads there usually run.
#include "sound/audio_thread.h"

#include <windows.h>

bool audio_thread_prioritise() { return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0; }
