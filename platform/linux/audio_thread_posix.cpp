// SPDX-License-Identifier: Zlib
// audio_thread_posix.cpp - the mixing thread's priority on POSIX systems: the lowest real-time
// round-robin priority, which is enough to come before every ordinary thread.
#include "sound/audio_thread.h"

#include <pthread.h>
#include <sched.h>

bool audio_thread_prioritise() {
    sched_param p{};
    p.sched_priority = sched_get_priority_min(SCHED_RR);
    return pthread_setschedparam(pthread_self(), SCHED_RR, &p) == 0;
}
