// SPDX-License-Identifier: Zlib
// log.cpp - informational lines and the quiet switch (util/log.h).
#include "util/log.h"

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {
// Not yet decided (the environment is read on first use), off or on.
enum QuietState { kUnread = -1, kLoud = 0, kQuiet = 1 };
std::atomic<int> s_quiet{kUnread};

void vinfo(FILE *stream, const char *fmt, va_list args) {
    if (glitz_quiet()) return;
    vfprintf(stream, fmt, args);
}
}  // namespace

bool glitz_quiet() {
    int state = s_quiet.load();
    if (state == kUnread) {
        const char *env = getenv("GLITZ_QUIET");
        int from_env = env && *env && strcmp(env, "0") != 0 ? kQuiet : kLoud;
        // A glitz_set_quiet made meanwhile on another thread wins over the environment.
        if (s_quiet.compare_exchange_strong(state, from_env)) state = from_env;
    }
    return state == kQuiet;
}

void glitz_set_quiet(bool quiet) { s_quiet.store(quiet ? kQuiet : kLoud); }

void glitz_info(const char *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vinfo(stderr, fmt, args);
    va_end(args);
}

void glitz_info_to(FILE *stream, const char *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vinfo(stream, fmt, args);
    va_end(args);
}
