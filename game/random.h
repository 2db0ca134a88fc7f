// SPDX-License-Identifier: Zlib
// random.h - the game's random numbers: a generator with the contract of the standard rand().
//
//   int32_t r = random_next();          // 0..32767
//   float q = random_next() / 32767.0f; // 0..1
//
// The generator is never seeded: every run of the program draws the same sequence from its start
// (41, 18467, 6334, 26500, ...). The C library's rand() is not used: on some platforms it returns up
// to 2147483647, which would break every "r / 32767.0" in the game.
//
// Tests replace random_source with a scripted sequence and call random_restart() to start over.
#pragma once
#include <cstdint>

enum { RANDOM_MAX = 32767 };

int32_t random_next();                   // the next number, through random_source
int32_t random_generator();              // the generator itself: a 32-bit linear congruence
extern int32_t (*random_source)();       // random_generator unless a test has swapped it
void random_restart();                   // back to the never-seeded start of the sequence
uint32_t random_state();                 // the generator's current state (tests count draws with it)
