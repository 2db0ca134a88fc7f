// SPDX-License-Identifier: Zlib
// audio_thread.h - what the sound engine asks of the system for its mixing thread.
//
//   audio_thread_prioritise();   // once, from the audio callback's own thread
//
// One file per platform gives it (audio_thread_posix.cpp, audio_thread_windows.cpp); the build
// picks one (cmake/platform_*.cmake).
#pragma once

// Asks the scheduler to run the calling thread ahead of ordinary threads, so that a busy machine
// does not make the mixer late. False, and no change, where the system refuses (an unprivileged
// user without a real-time allowance): the thread then mixes at normal priority.
bool audio_thread_prioritise();
