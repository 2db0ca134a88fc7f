// SPDX-License-Identifier: Zlib
// random.cpp - the never-seeded random number generator of the game.
#include "game/random.h"

// The generator's state. It starts at 1, like an unseeded rand().
static uint32_t random_seed = 1;

int32_t random_generator() {
    // Unsigned arithmetic wraps modulo 2^32 without overflow; bits 16..30 give the result.
    random_seed = random_seed * 214013u + 2531011u;
    return (int32_t)((random_seed >> 16) & RANDOM_MAX);
}

int32_t (*random_source)() = random_generator;

int32_t random_next() {
    int32_t r = random_source ? random_source() : random_generator();
    // A scripted source must keep the contract too: the ball rules divide by RANDOM_MAX.
    if (r < 0 || r > RANDOM_MAX) r &= RANDOM_MAX;
    return r;
}

void random_restart() { random_seed = 1; }

uint32_t random_state() { return random_seed; }
